// The start routine in WebAssembly, and the traps the engine raises turned into the
// processor faults they stand for. No signal reaches the program here: the fault filter
// is the JavaScript side's catch of a trap (traps.js), which hands it to web_trap.
#include <csignal>
#include <emscripten.h>

#include "runtime/errors.h"
#include "runtime/faults.h"
#include "runtime/fpu.h"
#include "runtime/signals.h"
#include "runtime/startup.h"
#include "runtime/web/frames.h"

namespace runtime {

namespace {

// The traps in the order traps.js numbers them, as the faults the native program meets.
constexpr uint16_t NO_FLAGS = 0, ALL_MASKED = bits_of(FPUCW_INITIAL);
constexpr FaultInfo TRAPS[] = {
    {SIGSEGV, SEGV_MAPERR, NO_FLAGS, ALL_MASKED, false},  // memory access out of bounds
    {SIGFPE, FPE_INTDIV, NO_FLAGS, ALL_MASKED, false},    // integer division by zero or overflow
    {SIGILL, ILL_ILLOPC, NO_FLAGS, ALL_MASKED, false},    // unreachable code
    {SIGSEGV, SEGV_MAPERR, NO_FLAGS, ALL_MASKED, true},   // the call stack or the data stack full
    {SIGFPE, FPE_FLTINV, NO_FLAGS, ALL_MASKED, false},    // a real out of the integer range
    {SIGSEGV, SEGV_MAPERR, NO_FLAGS, ALL_MASKED, false},  // a call through a bad pointer
};

}  // namespace

void catch_ending_signals() {}
void add_signal_cleanup(void (*)()) {}
void remove_fault_filter() {}

}  // namespace runtime

extern "C" [[noreturn]] void EXE_ENTRY(void (*main_program)()) {
    runtime::reset_fpu();
    runtime::note_program_entry();
    main_program();
    runtime::DO_EXIT();
}

// A trap of the given kind, with the code offsets of its stack trace: the exit sequence
// runs for its error, on a stack the JavaScript side has emptied.
extern "C" [[noreturn]] EMSCRIPTEN_KEEPALIVE void web_trap(int kind, const uintptr_t* sites, int stored, int total) {
    using namespace runtime;
    const FaultClass fault = classify_fault(TRAPS[kind]);
    if (fault.fpu_reset) reset_fpu();
    HANDLEERRORADDRFRAME(fault.error, stored > 0 ? sites[0] : UNKNOWN_SITE, trap_chain(sites, stored, total));
}
