// The process-wide error state, the exit-procedure chain and the exit sequence.
#pragma once
#include <cstdint>

namespace runtime {

// Process-wide, because an error arrives from any thread (the program's, a helper,
// the window thread, a fault handler) and the exit sequence that reports it runs on
// whichever thread arrived first; they are written under the exit sequence's lock.
extern uint16_t ERRORCODE;   // number of the run-time error being reported
extern uint16_t EXITCODE;    // handed to the operating system at the end
extern uintptr_t ERRORADDR;  // where the error arose; non-zero means a report is due
extern uintptr_t ERRORBASE;  // call frame in which it arose: the back-trace starts there

// An exit procedure saves EXITPROC when it installs itself and must store that value
// back first thing when it runs; the last one installed runs first.
// Exit procedures and finalisations run on whichever thread ends the process: the
// program's, a helper or the window thread, after a fault there. So they must not
// join the thread they run on, and must wait for any other thread with a limit: it
// may be stuck (held after a fault of its own, spinning on work that will never come,
// blocked on a lock the faulting thread held when it faulted).
// Process-wide for the same reason: the chain runs on whichever thread ends the
// process.
using ExitProcedure = void (*)();
extern ExitProcedure EXITPROC;

inline constexpr uint16_t MAX_FRAME_DUMP = 8;  // back-trace limit on a terminal

// A module's finalisation, run by the exit sequence in reverse order of registration.
void add_finalization(void (*finalize)());

// Records the error and runs the exit sequence; the report is written by it. The
// sequence runs once, on the first thread to enter it (HALT and DO_EXIT likewise):
// an error raised on that thread while it runs starts it over with the new error, and
// exit procedures that already ran do not run again; any other thread that raises,
// halts or exits meanwhile is held until the process ends, its error reported instead
// if the report has not begun.
[[noreturn]] void HANDLEERRORADDRFRAME(uint16_t n, uintptr_t addr, uintptr_t frame);

// Ends with exit code n and no report, through the exit sequence.
[[noreturn]] void HALT(uint8_t n);

// Exit procedures, finalisation, the report when one is due, then the process ends
// with EXITCODE. The one way out of the process.
[[noreturn]] void DO_EXIT();

// True once some thread has entered the exit sequence: what another thread then finds
// closed (the canvas, say) is the process ending, not a fault of its own to report.
bool exit_under_way();

// For a harness that runs the program's code over and over in one process (a fuzzer,
// the web page): called at the end of the exit sequence instead of ending the process,
// with the error state cleared for the next run, and must not return (it jumps back
// into the harness). The report is written first when asked for (the page shows it).
void set_process_end(void (*end)(uint16_t exit_code), bool with_report = false);

// The top of the calling thread's stack, recorded when the thread starts; it bounds
// the back-trace walk and tells a stack overflow from other access violations.
void note_stack_top(uintptr_t top);
uintptr_t stack_top();

}  // namespace runtime
