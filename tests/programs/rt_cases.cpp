// A test program for the run-time services: argv[1] names the case, which runs as the
// main program (or a procedure of it) under EXE_ENTRY.
#include <cstring>

#include "runtime/checks.h"
#include "runtime/errors.h"
#include "runtime/fpu.h"
#include "runtime/startup.h"
#include "runtime/textfile.h"

using namespace runtime;

namespace {

volatile long double zero = 0, one = 1, huge = 1e4000L, tiny = 1e-4000L;
volatile long double sink;
volatile int izero = 0, ione = 1;
volatile int* volatile null_pointer = nullptr;

void say(const ShortString& text) { write_statement(STDOUT, text, true); }

[[gnu::noinline]] void bound_proc(int v) { INT_BOUNDCHECK(v, 0, 65535); }
[[gnu::noinline]] int round_proc(long double x) { return ROUND(x) + 1; }
#pragma GCC diagnostic ignored "-Winfinite-recursion"
[[gnu::noinline]] int recurse(int depth) {
    volatile char pad[256];
    pad[0] = char(depth);
    return recurse(depth + 1) + pad[0];
}
[[gnu::noinline]] void deep(int depth) {
    if (depth == 0) RUNERROR(150);
    else deep(depth - 1);
    sink = depth;
}

ExitProcedure saved_a, saved_b;
void exit_a() {
    EXITPROC = saved_a;
    say("exit A");
}
void exit_b() {
    EXITPROC = saved_b;
    say("exit B");
}
void exit_b_raises() {
    EXITPROC = saved_b;
    say("exit B raises");
    RUNERROR(204);
}
void install_both(ExitProcedure b) {
    saved_a = EXITPROC;
    EXITPROC = exit_a;
    saved_b = EXITPROC;
    EXITPROC = b;
}

void main_normal() { initialize(); }
void main_say() {
    initialize();
    say("hello");
}
void main_fdiv00() {
    initialize();
    sink = zero / zero;
}
void main_fdiv10() {
    initialize();
    sink = one / zero;
}
void main_overflow() {
    initialize();
    sink = huge * huge;
}
void main_underflow() {
    initialize();
    sink = tiny * tiny;
    say(sink == 0 ? "went on with zero" : "went on with a denormal");
    sink = 1e-4940L * one;
    say(sink != 0 && sink < 1e-4930L ? "denormal kept" : "denormal lost");
}
void main_round_values() {
    initialize();
    ShortString s;
    for (long double x : {2.5L, 3.5L, -2.5L, -2147483648.5L, 2147483647.0L, -0.5L, 0.5000000001L}) {
        int32_t r = ROUND(x);
        s.append(r < 0 ? "-" : "");
        s.append(decimal(uint32_t(r < 0 ? -int64_t(r) : r)).view());
        s.append(" ");
    }
    say(s);
}
void main_round_high() {
    initialize();
    sink = ROUND(2147483647.5L);
}
void main_round_in_proc() {
    initialize();
    sink = round_proc(2147483647.5L);
}
void main_bound() {
    initialize();
    INT_BOUNDCHECK(70000, 0, 65535);
}
void main_bound_in_proc() {
    initialize();
    bound_proc(-1);
}
void main_halt() {
    initialize();
    HALT(7);
}
void main_exitprocs() {
    initialize();
    install_both(exit_b);
}
void main_exitproc_error() {
    initialize();
    install_both(exit_b_raises);
    INT_OVERFLOW();
}
void main_ioerror() {
    initialize();
    static TEXTREC f;
    ASSIGN(f, "/nonexistent-gravity-file");
    RESET(f);
    INT_IOCHECK();
}
void main_segv() {
    initialize();
    *null_pointer = 1;
}
void main_stack() {
    initialize();
    sink = recurse(0);
}
void main_intdiv() {
    initialize();
    sink = ione / izero;
}
void main_deep() {
    initialize();
    deep(300);
}
void main_cw() {
    initialize();
    say(hexadecimal(bits_of(control_word()), 4));
}

struct Case {
    const char* name;
    void (*main_program)();
};
constexpr Case CASES[] = {
    {"normal", main_normal}, {"say", main_say}, {"fdiv00", main_fdiv00}, {"fdiv10", main_fdiv10},
    {"overflow", main_overflow}, {"underflow", main_underflow}, {"round_values", main_round_values},
    {"round_high", main_round_high}, {"round_in_proc", main_round_in_proc}, {"bound", main_bound},
    {"bound_in_proc", main_bound_in_proc}, {"halt", main_halt}, {"exitprocs", main_exitprocs},
    {"exitproc_error", main_exitproc_error}, {"ioerror", main_ioerror}, {"segv", main_segv},
    {"stack", main_stack}, {"intdiv", main_intdiv}, {"deep", main_deep}, {"cw", main_cw},
};

}  // namespace

int main(int argc, char** argv) {
    for (const Case& c : CASES)
        if (argc > 1 && std::strcmp(argv[1], c.name) == 0) EXE_ENTRY(c.main_program);
    return 100;
}
