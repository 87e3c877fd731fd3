// Start-up of the process and of the run-time services.
#include "runtime/startup.h"

#include <cstdint>
#include <exception>

#include "runtime/checks.h"
#include "runtime/errors.h"
#include "runtime/faults.h"
#include "runtime/fpu.h"
#include "runtime/signals.h"
#include "runtime/filedriver.h"
#include "runtime/textfile.h"

extern "C" void exe_entry_prepare(uintptr_t stack_top) {
    runtime::note_stack_top(stack_top);
    runtime::install_fault_filter();
    std::set_terminate(runtime::uncaught_exception);
    runtime::reset_fpu();
}

extern "C" [[noreturn]] void exe_entry_finish() { runtime::DO_EXIT(); }

namespace runtime {

void initialize() {
    catch_ending_signals();  // a signal from outside puts the terminal back too
    OPENSTDIO();
    INOUTRES = 0;
}

}  // namespace runtime
