// A test program for the run-time services: argv[1] names the case, which runs as the
// main program (or a procedure of it) under EXE_ENTRY; argv[2] is a signal number.
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <utility>

#include "runtime/checks.h"
#include "runtime/errors.h"
#include "runtime/fpu.h"
#include "runtime/startup.h"
#include "runtime/textfile.h"

using namespace runtime;

namespace {

volatile long double zero = 0, one = 1, huge = 1e4000L, tiny = 1e-4000L, sink;
volatile int izero = 0, ione = 1, signal_number = 0;
volatile int* volatile null_pointer = nullptr;
volatile size_t too_much = size_t(1) << 60;

void say(const ShortString& text) { write_statement(STDOUT, text, true); }

[[gnu::noinline]] void bound_proc(int v) { INT_BOUNDCHECK(v, 0, 65535); }
[[gnu::noinline]] int round_proc(long double x) { return ROUND(x) + 1; }
#pragma GCC diagnostic ignored "-Winfinite-recursion"
[[gnu::noinline]] int recurse(int depth) { volatile char pad[256] = {char(depth)}; return recurse(depth + 1) + pad[0]; }
[[gnu::noinline]] void deep(int depth) { depth == 0 ? RUNERROR(150) : deep(depth - 1); sink = depth; }

ExitProcedure saved_a, saved_b;
void exit_a() { EXITPROC = saved_a, say("exit A"); }
void exit_b() { EXITPROC = saved_b, say("exit B"); }
void exit_b_raises() { EXITPROC = saved_b, say("exit B raises"), RUNERROR(204); }
void install_both(ExitProcedure b) { saved_a = EXITPROC, EXITPROC = exit_a, saved_b = EXITPROC, EXITPROC = b; }

// As the console's handler: puts the terminal back, then ends by the signal given.
void on_sigterm(int signo) {
    if (write(1, "restored\r\n", 10) == 10) signal(signo, SIG_DFL), raise(signo);
}

void main_normal() { initialize(); }
void main_cw() { initialize(); say(hexadecimal(bits_of(control_word()), 4)); }
void main_fdiv00() { initialize(); sink = zero / zero; }
void main_fdiv10() { initialize(); sink = one / zero; }
void main_overflow() { initialize(); sink = huge * huge; }
void main_underflow() {  // to zero, then to a denormal
    initialize();
    long double underflowed = tiny * tiny, denormal = 1e-4940L * one;
    say(underflowed == 0 && denormal != 0 && denormal < 1e-4930L ? "went on" : "lost");
}
void main_round_values() {
    initialize();
    ShortString s;
    for (long double x : {2.5L, 3.5L, -2.5L, -2147483648.5L, 2147483647.0L, -0.5L, 0.5000000001L})
        s.append(decimal(uint32_t(ROUND(x))).view()), s.append(" ");
    say(s);
}
void main_round_high() { initialize(); sink = ROUND(2147483647.5L); }
void main_round_in_proc() { initialize(); sink = round_proc(2147483647.5L); }
void main_bound() { initialize(); INT_BOUNDCHECK(70000, 0, 65535); }
void main_bound_in_proc() { initialize(); bound_proc(-1); }
void main_halt() { initialize(); HALT(7); }
void main_exitprocs() { initialize(); install_both(exit_b); }
void main_exitproc_error() { initialize(); install_both(exit_b_raises); INT_OVERFLOW(); }
void main_ioerror() {
    static TEXTREC f;
    initialize(), ASSIGN(f, "/nonexistent-gravity-file"), RESET(f), INT_IOCHECK();
}
void main_segv() { initialize(); *null_pointer = 1; }
void main_stack() { initialize(); sink = recurse(0); }
void main_ill() { initialize(); __builtin_trap(); }
void main_intdiv() { initialize(); sink = ione / izero; }
void main_heap() { initialize(); sink = *new char[too_much]; }
void main_deep() { initialize(); deep(300); }
void main_signal() { initialize(); signal(SIGTERM, on_sigterm); raise(signal_number); }

#define CASE(name) {#name, main_##name}
constexpr std::pair<const char*, void (*)()> CASES[] = {
    CASE(normal), CASE(cw), CASE(fdiv00), CASE(fdiv10), CASE(overflow), CASE(underflow), CASE(round_values),
    CASE(round_high), CASE(round_in_proc), CASE(bound), CASE(bound_in_proc), CASE(halt), CASE(exitprocs),
    CASE(exitproc_error), CASE(ioerror), CASE(segv), CASE(stack), CASE(ill), CASE(intdiv), CASE(heap), CASE(deep), CASE(signal),
};

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2) signal_number = std::atoi(argv[2]);
    for (auto [name, main_program] : CASES) if (argc > 1 && std::strcmp(argv[1], name) == 0) EXE_ENTRY(main_program);
    return 100;
}
