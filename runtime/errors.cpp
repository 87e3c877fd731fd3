// The exit sequence and the run-time error report.
#include "runtime/errors.h"

#include <atomic>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

#include "runtime/faults.h"
#include "runtime/in_words.h"
#include "runtime/textfile.h"

namespace runtime {

uint16_t ERRORCODE = 0;
uint16_t EXITCODE = 0;
uintptr_t ERRORADDR = 0;
uintptr_t ERRORBASE = 0;
ExitProcedure EXITPROC = nullptr;

namespace {

thread_local uintptr_t thread_stack_top = 0;
void (*process_end)(uint16_t) = nullptr;
bool report_before_end = false;

// The exit sequence runs once, on the first thread that enters it, as a C library's
// exit does under its own lock. Any thread may enter: the program's, a helper, the
// window thread. The thread that runs it may enter again (an error raised by an exit
// procedure or a finalisation starts the sequence over); any other thread that
// arrives is held where it is until the process ends.
std::atomic<bool> exit_claimed{false};
thread_local bool exiting_here = false;
// Guards the error state between the report's start and a later error raised on
// another thread (the window thread, say, faulting while the canvas is being closed).
std::mutex error_lock;
bool report_started = false;
uintptr_t error_stack_top = 0;  // of the thread whose error is reported

enum class Entry { first, again, elsewhere };

Entry enter_exit_sequence() {
    if (exiting_here) return Entry::again;
    if (exit_claimed.exchange(true, std::memory_order_acq_rel)) return Entry::elsewhere;
    exiting_here = true;
    return Entry::first;
}

// A thread that arrives while another runs the exit sequence stops here; the process
// ends around it. It must not return into code the exit sequence is tearing down.
[[noreturn]] void hold_thread() {
    for (;;) pause();
}

void record_error(uint16_t n, uintptr_t addr, uintptr_t frame) {
    std::lock_guard<std::mutex> lock(error_lock);
    if (report_started) return;  // too late: the report already names an error
    ERRORCODE = n;
    EXITCODE = n;
    ERRORADDR = addr;
    ERRORBASE = frame;
    error_stack_top = thread_stack_top;
}

constexpr int MAX_FINALIZATIONS = 8;
void (*finalizations[MAX_FINALIZATIONS])();
int finalization_count = 0;

// 8 digits for every address of this program (it is linked at a fixed address below
// 4 GiB); an address beyond that, in a shared library, keeps all its digits.
ShortString address(uintptr_t a) { return hexadecimal(a, 8); }

void report_line(const ShortString& text) { write_statement(STDOUT, text, true); }

void address_line(uintptr_t a) {
    ShortString line("  0x");
    line.append(address(a).view());
    report_line(line);
}

bool stdout_is_terminal() {
    struct stat st;
    return fstat(1, &st) == 0 && S_ISCHR(st.st_mode);
}

// Follows the saved frame pointers outwards. A frame must lie above the previous one
// and below the thread's stack top, so a broken chain ends the walk instead of
// reading wild memory.
void DUMP_STACK(uintptr_t frame) {
    const unsigned limit = stdout_is_terminal() ? MAX_FRAME_DUMP : 256;
    const uintptr_t top = error_stack_top;
    intptr_t previous = intptr_t(frame) - 1;
    unsigned count = 0;
    while (frame != 0 && intptr_t(frame) > previous && (top == 0 || frame + 16 <= top) && frame % 8 == 0) {
        uintptr_t return_address = reinterpret_cast<uintptr_t*>(frame)[1];
        if (return_address != 0) address_line(return_address);
        if (++count > limit) break;
        previous = intptr_t(frame);
        frame = reinterpret_cast<uintptr_t*>(frame)[0];
    }
}

void write_report() {
    {
        std::lock_guard<std::mutex> lock(error_lock);
        report_started = true;
    }
    // A failure of the program's own last statement must not silence its report.
    INOUTRES = 0;
    ShortString first("Runtime error ");
    first.append(decimal(ERRORCODE).view());
    first.append(" at 0x");
    first.append(address(ERRORADDR).view());
    report_line(first);
    address_line(ERRORADDR);
    DUMP_STACK(ERRORBASE);
    report_line("");
    write_in_words(ERRORCODE);
}

[[noreturn]] void run_exit_sequence() {
    while (EXITPROC != nullptr) {
        INOUTRES = 0;
        ExitProcedure proc = EXITPROC;
        EXITPROC = nullptr;
        proc();
    }
    // A finalisation that raises starts the sequence again; it must not run twice.
    while (finalization_count > 0) finalizations[--finalization_count]();
    // A fault while the report is being written (a back-trace through a broken frame
    // chain) must not start a second report.
    const bool report_due = ERRORADDR != 0 && !report_started;
    if (report_due && (process_end == nullptr || report_before_end)) write_report();
    if (process_end != nullptr) {
        // The harness runs the program's code again, from a clean error state.
        const uint16_t code = EXITCODE;
        ERRORCODE = EXITCODE = 0;
        ERRORADDR = ERRORBASE = 0;
        INOUTRES = 0;
        converting(nullptr, nullptr);  // a conversion the error cut short
        exit_claimed.store(false);
        exiting_here = false;
        report_started = false;
        process_end(code);
    }
    remove_fault_filter();
    _exit(EXITCODE);
}

}  // namespace

void note_stack_top(uintptr_t top) { thread_stack_top = top; }
bool exit_under_way() { return exit_claimed.load(std::memory_order_acquire); }
void set_process_end(void (*end)(uint16_t), bool with_report) {
    process_end = end;
    report_before_end = with_report;
}
uintptr_t stack_top() { return thread_stack_top; }

void add_finalization(void (*finalize)()) {
    if (finalization_count < MAX_FINALIZATIONS) finalizations[finalization_count++] = finalize;
}

void HANDLEERRORADDRFRAME(uint16_t n, uintptr_t addr, uintptr_t frame) {
    Entry entry = enter_exit_sequence();
    record_error(n, addr, frame);
    if (entry == Entry::elsewhere) hold_thread();
    run_exit_sequence();
}

void HALT(uint8_t n) {
    // Another thread's exit sequence already holds the exit code of its error.
    if (enter_exit_sequence() == Entry::elsewhere) hold_thread();
    EXITCODE = n;
    run_exit_sequence();
}

void DO_EXIT() {
    if (enter_exit_sequence() == Entry::elsewhere) hold_thread();
    run_exit_sequence();
}

}  // namespace runtime
