// gravity-trace: loads a parameter file as the program does and runs its frames with
// the drawing replaced by printing: no window, no console, no delay.
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "runtime/checks.h"
#include "runtime/errors.h"
#include "runtime/fpu.h"
#include "runtime/startup.h"
#include "runtime/textfile.h"
#include "sim/bodies.h"
#include "sim/coords.h"
#include "sim/gravity.h"
#include "sim/merge.h"

namespace {

using namespace sim;

constexpr const char* USAGE =
    "usage: gravity-trace [--hex] [--print=all|last|none] FILE FRAMES\n"
    "  FILE    parameter file, - for standard input\n"
    "  FRAMES  number of frames to run (0: load only)\n"
    "  --hex   reals as 20 hex digits: sign and exponent, then the significand\n"
    "  --print all (default): P, L and F records; last: P and the last frame's F\n"
    "          records; none: the P record only\n";

enum class Print { all, last, none };

struct Options {
    bool hex = false;
    Print print = Print::all;
    const char* file = nullptr;
    unsigned long long frames = 0;
};

// Records are collected here and written in large pieces; the exit procedure hands
// over what is left, so that a report always follows every record printed before it.
char records[1 << 16];
size_t used = 0;
runtime::ExitProcedure saved_exit = nullptr;

void flush_records() {
    size_t done = 0;
    while (done < used) {
        ssize_t n = write(1, records + done, used - done);
        if (n <= 0) break;
        done += size_t(n);
    }
    used = 0;
}

void trace_exit() {
    runtime::EXITPROC = saved_exit;
    flush_records();
}

void emit(const char* text, size_t len) {
    if (used + len > sizeof records) flush_records();
    std::memcpy(records + used, text, len);
    used += len;
}

void emit(const char* text) { emit(text, std::strlen(text)); }

void emit_integer(long long v) {
    char text[32];
    emit(text, size_t(std::snprintf(text, sizeof text, " %lld", v)));
}

void emit_real(long double v, bool hex) {
    if (hex) {
        uint64_t significand;
        uint16_t sign_exponent;
        std::memcpy(&significand, &v, 8);
        std::memcpy(&sign_exponent, reinterpret_cast<const char*>(&v) + 8, 2);
        emit(" ");
        emit(runtime::hexadecimal(sign_exponent, 4).view().data(), 4);
        emit(runtime::hexadecimal(significand, 16).view().data(), 16);
        return;
    }
    // The C library's formatting is not written for trapping exceptions.
    runtime::FpuControlWord program_cw = runtime::control_word();
    runtime::load_control_word(std::bit_cast<runtime::FpuControlWord>(uint16_t(0x37F)));
    char text[64];
    int len = std::snprintf(text, sizeof text, " %.21Lg", v);
    runtime::load_control_word(program_cw);
    emit(text, size_t(len));
}

[[noreturn]] void usage_error(const char* problem) {
    runtime::ShortString text("gravity-trace: ");
    text.append(problem);
    text.append("\n");
    runtime::write_statement(runtime::STDERR, text, false);
    runtime::write_statement(runtime::STDERR, std::string_view(USAGE, std::strchr(USAGE, '\n') + 1 - USAGE), false);
    runtime::write_statement(runtime::STDERR, "Try 'gravity-trace --help' for more.\n", false);
    runtime::HALT(2);
}

bool parse_frames(const char* text, unsigned long long& frames) {
    if (*text == '\0') return false;
    frames = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9' || frames > (~0ULL - 9) / 10) return false;
        frames = frames * 10 + unsigned(*p - '0');
    }
    return true;
}

Options parse_options() {
    Options o;
    int positional = 0;
    for (int i = 1; i < runtime::argument_count(); ++i) {
        const char* arg = runtime::argument(i);
        if (std::strcmp(arg, "--help") == 0) {
            emit(USAGE);
            flush_records();
            runtime::HALT(0);
        } else if (std::strcmp(arg, "--hex") == 0) {
            o.hex = true;
        } else if (std::strcmp(arg, "--print=all") == 0) {
            o.print = Print::all;
        } else if (std::strcmp(arg, "--print=last") == 0) {
            o.print = Print::last;
        } else if (std::strcmp(arg, "--print=none") == 0) {
            o.print = Print::none;
        } else if (arg[0] == '-' && arg[1] != '\0') {
            usage_error("unknown option");
        } else if (positional == 0) {
            o.file = arg;
            ++positional;
        } else if (positional == 1) {
            if (!parse_frames(arg, o.frames)) usage_error("FRAMES must be a whole number");
            ++positional;
        } else {
            usage_error("too many arguments");
        }
    }
    if (positional != 2) usage_error("FILE and FRAMES are required");
    return o;
}

void print_body(int I, bool hex) {
    for (int K = MASS; K <= VY; ++K) emit_real(F(I, K), hex);
    emit("\n");
}

[[gnu::noinline]] void run_frames(const Options& o) {
    for (unsigned long long k = 1; k <= o.frames; ++k) {
        merge_pass();
        bool print = o.print == Print::all || (o.print == Print::last && k == o.frames);
        for (int I = 1; I <= N; ++I) {
            ScreenCoords s = screen_coords(I);
            if (!print) continue;
            char head[96];
            emit(head, size_t(std::snprintf(head, sizeof head, "F %llu %d %d %d %d %d", k, I, s.x1, s.y1, s.x2, s.y2)));
            print_body(I, o.hex);
        }
        gravity_pass();
        drift();
    }
}

[[gnu::noinline]] void trace_main() {
    runtime::initialize();
    saved_exit = runtime::EXITPROC;
    runtime::EXITPROC = trace_exit;
    Options o = parse_options();
    runtime::ASSIGN(BE, std::strcmp(o.file, "-") == 0 ? "" : o.file);
    runtime::RESET(BE);
    runtime::INT_IOCHECK();
    ALLAPOT();
    emit("P");
    emit_integer(N);
    emit_integer(SZUNET);
    emit_real(UTKOZES, o.hex);
    emit_real(C, o.hex);
    emit("\n");
    if (o.print == Print::all) {
        for (int I = 1; I <= N; ++I) {
            emit("L");
            emit_integer(I);
            print_body(I, o.hex);
        }
    }
    run_frames(o);
}

}  // namespace

int main(int argc, char** argv) {
    runtime::save_command_line(argc, argv);
    EXE_ENTRY(trace_main);
}
