// No helper threads in WebAssembly here: the calling thread is the one slot.
#include "runtime/fpu.h"
#include "runtime/workers.h"

namespace runtime {

int worker_slots() { return 1; }
bool workers_stopping() { return false; }
void relax_while_waiting() {}

uint16_t run_on_workers(void (*task)(int slot, void* context), void* context) {
    const FpuControlWord saved = control_word();
    load_control_word(FPUCW_MASKED);
    clear_exceptions();
    task(0, context);
    const uint16_t flags = exception_flags();
    clear_exceptions();
    load_control_word(saved);
    return flags;
}

}  // namespace runtime
