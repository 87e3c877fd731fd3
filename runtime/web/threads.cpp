// No helper threads in WebAssembly here: the calling thread is the one slot.
#include "runtime/fpu.h"
#include "runtime/workers.h"

namespace runtime {

int worker_slots() { return 1; }
bool workers_stopping() { return false; }
void relax_while_waiting() {}

uint16_t run_on_workers(void (*task)(int slot, void* context), void* context) { return run_masked(task, context); }

}  // namespace runtime
