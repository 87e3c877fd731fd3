// The start routine's two halves in C++ (the routine itself is entry_PROCESSOR.S) and
// what the process's signals do.
#include <cstdint>
#include <exception>

#include "runtime/posix/frames.h"
#include "runtime/errors.h"
#include "runtime/faults.h"
#include "runtime/fpu.h"
#include "runtime/signals.h"

extern "C" void exe_entry_prepare(uintptr_t stack_top) {
    runtime::note_stack_top(stack_top);
    runtime::install_fault_filter();
    std::set_terminate(runtime::uncaught_exception);
    runtime::reset_fpu();
}

extern "C" [[noreturn]] void exe_entry_finish() { runtime::DO_EXIT(); }
