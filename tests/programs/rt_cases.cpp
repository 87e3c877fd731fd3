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
#include "runtime/signals.h"
#include "runtime/startup.h"
#include "runtime/filedriver.h"
#include "runtime/textfile.h"

using namespace runtime;

namespace {

// Opaque to the compiler, so that every fault happens at run time, where it is written.
template <class T> [[gnu::always_inline]] inline T opaque(T v) { asm volatile("" : "+m"(v)); return v; }
template <class T> [[gnu::always_inline]] inline void keep(T v) { asm volatile("" : : "m"(v)); }
constexpr uint64_t ONE = uint64_t(1) << 63;
const Extended zero = 0, one = 1, huge = extended_from_bits(16383 + 13000, ONE), tiny = extended_from_bits(16383 - 13000, ONE);
volatile int sink;
volatile int izero = 0, ione = 1, signal_number = 0;
volatile int* volatile null_pointer = nullptr;
volatile size_t too_much = size_t(1) << 60;

void say(const ShortString& text) { write_statement(STDOUT, text, true); }

[[gnu::noinline]] void bound_proc(int v) { INT_BOUNDCHECK(v, 0, 65535); }
[[gnu::noinline]] int round_proc(Extended x) { return ROUND(x) + 1; }
#pragma GCC diagnostic ignored "-Winfinite-recursion"
[[gnu::noinline]] int recurse(int depth) { volatile char pad[256] = {char(depth)}; return recurse(depth + 1) + pad[0]; }
[[gnu::noinline]] void deep(int depth) { depth == 0 ? RUNERROR(150) : deep(depth - 1); sink = depth; }

ExitProcedure saved_a, saved_b;
void exit_a() { EXITPROC = saved_a, say("exit A"); }
void exit_b() { EXITPROC = saved_b, say("exit B"); }
void exit_b_raises() { EXITPROC = saved_b, say("exit B raises"), RUNERROR(204); }
void install_both(ExitProcedure b) { saved_a = EXITPROC, EXITPROC = exit_a, saved_b = EXITPROC, EXITPROC = b; }

// As the console's cleanup: puts the terminal back.
void say_restored() { if (write(1, "restored\r\n", 10) != 10) _exit(99); }

void main_normal() { initialize(); }
void main_cw() { initialize(); say(hexadecimal(bits_of(control_word()), 4)); }
void main_fdiv00() { initialize(); keep(opaque(zero) / opaque(zero)); }
void main_fdiv10() { initialize(); keep(opaque(one) / opaque(zero)); }
void main_overflow() { initialize(); keep(opaque(huge) * opaque(huge)); }
void main_underflow() {  // to zero, then to a denormal
    initialize();
    const Extended smallest_normal = extended_from_bits(1, ONE);
    Extended underflowed = opaque(tiny) * opaque(tiny), denormal = opaque(smallest_normal) / 1024;
    say(underflowed == 0 && !(denormal == 0) && denormal < smallest_normal ? "went on" : "lost");
}
void main_round_values() {
    initialize();
    ShortString s;
    const Extended half = Extended(1) / 2;
    for (Extended x : {Extended(5) / 2, Extended(7) / 2, Extended(-5) / 2, Extended(-2147483647) - 1 - half,
                       Extended(2147483647), -half, (Extended(50000) * 100000 + 1) / (Extended(100000) * 100000)})
        s.append(decimal(uint32_t(ROUND(x))).view()), s.append(" ");
    say(s);
}
const Extended above_int32 = Extended(2147483647) + Extended(1) / 2;
void main_round_high() { initialize(); sink = ROUND(opaque(above_int32)); }
void main_round_in_proc() { initialize(); sink = round_proc(opaque(above_int32)); }
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
#if defined(__x86_64__)
void main_ill() { initialize(); asm volatile("ud2"); }
#elif defined(__aarch64__)
void main_ill() { initialize(); asm volatile("udf #0"); }
#else
void main_ill() { initialize(); __builtin_trap(); }
#endif
void main_intdiv() { initialize(); sink = ione / izero; }
void main_heap() { initialize(); sink = *new char[too_much]; }
void main_throw() { initialize(); throw 0; }
void main_deep() { initialize(); deep(300); }
void main_signal() { initialize(); add_signal_cleanup(say_restored); raise(signal_number); }

#define CASE(name) {#name, main_##name}
constexpr std::pair<const char*, void (*)()> CASES[] = {
    CASE(normal), CASE(cw), CASE(fdiv00), CASE(fdiv10), CASE(overflow), CASE(underflow), CASE(round_values),
    CASE(round_high), CASE(round_in_proc), CASE(bound), CASE(bound_in_proc), CASE(halt), CASE(exitprocs),
    CASE(exitproc_error), CASE(ioerror), CASE(segv), CASE(stack), CASE(ill), CASE(intdiv), CASE(heap), CASE(throw), CASE(deep), CASE(signal),
};

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2) signal_number = std::atoi(argv[2]);
    for (auto [name, main_program] : CASES) if (argc > 1 && std::strcmp(argv[1], name) == 0) EXE_ENTRY(main_program);
    return 100;
}
