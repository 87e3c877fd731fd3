// gravity-trace: loads a parameter file as the program does and runs its frames with
// the drawing replaced by printing: no window, no console, no delay.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <sys/stat.h>
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
#include "tools/picture.h"
#include "tools/png.h"

namespace {

using namespace sim;

constexpr const char* USAGE =
    "usage: gravity-trace [--hex] [--print=all|last|none] [--size WxH] [--png FILE]\n"
    "                     [--frames-png DIR] FILE FRAMES\n"
    "  FILE    parameter file, - for standard input\n"
    "  FRAMES  number of frames to run (0: load only)\n"
    "  --hex   reals as 20 hex digits: sign and exponent, then the significand\n"
    "  --print all (default): P, L and F records; last: P and the last frame's F\n"
    "          records; none: the P record only\n"
    "  --size WxH        the canvas the pictures are drawn for (default 800x600)\n"
    "  --png FILE        after the run, one picture: every body's path in dark grey,\n"
    "                    and over it the last frame as the window shows it\n"
    "  --frames-png DIR  every frame as the window shows it during the frame's delay,\n"
    "                    DIR/frame-000001.png and on\n";

enum class Print { all, last, none };

struct Options {
    bool hex = false;
    Print print = Print::all;
    const char* file = nullptr;
    unsigned long long frames = 0;
    int width = 800, height = 600;
    std::string png;         // --png
    std::string frames_dir;  // --frames-png
};

Options options;
std::unique_ptr<tools::Pictures> pictures;

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

// A picture that cannot be written is said on standard error; the run still ends
// with a non-zero code.
bool write_picture(const std::string& path, const std::vector<uint32_t>& pixels) {
    std::string problem = tools::write_png(path, pixels.data(), pictures->width(), pictures->height());
    if (problem.empty()) return true;
    runtime::ShortString text("gravity-trace: cannot write ");
    text.append(path);
    text.append(": ");
    text.append(problem);
    runtime::write_statement(runtime::STDERR, text, true);
    return false;
}

// Records first, then the summary picture of the frames drawn so far: both are
// out before a report follows.
void trace_exit() {
    runtime::EXITPROC = saved_exit;
    flush_records();
    if (pictures && !options.png.empty() && !write_picture(options.png, pictures->summary()) &&
        runtime::EXITCODE == 0)
        runtime::EXITCODE = 1;
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

bool parse_size(const char* text, int& width, int& height) {
    char tail;
    return std::sscanf(text, "%dx%d%c", &width, &height, &tail) == 2 && width >= 1 && height >= 1 &&
           width <= 16384 && height <= 16384;
}

// The value of an option given as --name VALUE or --name=VALUE.
const char* option_value(const char* name, int& i) {
    const char* arg = runtime::argument(i);
    size_t len = std::strlen(name);
    if (std::strncmp(arg, name, len) != 0) return nullptr;
    if (arg[len] == '=') return arg + len + 1;
    if (arg[len] != '\0') return nullptr;
    if (i + 1 >= runtime::argument_count()) usage_error("an option lacks its value");
    return runtime::argument(++i);
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
        } else if (const char* size = option_value("--size", i)) {
            if (!parse_size(size, o.width, o.height)) usage_error("--size takes WxH, each 1 to 16384");
        } else if (const char* png = option_value("--png", i)) {
            o.png = png;
        } else if (const char* dir = option_value("--frames-png", i)) {
            o.frames_dir = dir;
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

void write_frame(unsigned long long k) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06llu.png", k);
    if (!write_picture(options.frames_dir + name, pictures->canvas())) runtime::HALT(1);
}

// The frame loop with the delay replaced: records, and the pictures when asked for.
[[gnu::noinline]] void run_frames(const Options& o) {
    for (unsigned long long k = 1; k <= o.frames; ++k) {
        merge_pass();
        bool print = o.print == Print::all || (o.print == Print::last && k == o.frames);
        if (pictures) pictures->begin_frame();
        for (int I = 1; I <= N; ++I) {
            ScreenCoords s = screen_coords(I);
            if (pictures) pictures->draw_body(s);
            if (!print) continue;
            char head[96];
            emit(head, size_t(std::snprintf(head, sizeof head, "F %llu %d %d %d %d %d", k, I, s.x1, s.y1, s.x2, s.y2)));
            print_body(I, o.hex);
        }
        if (pictures) {
            pictures->end_frame();
            if (!o.frames_dir.empty()) write_frame(k);
            pictures->erase_frame();
        }
        gravity_pass();
        drift();
    }
}

void prepare_frames_dir(const std::string& dir) {
    struct stat st;
    if (stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return;
    if (mkdir(dir.c_str(), 0777) == 0) return;
    runtime::ShortString text("gravity-trace: cannot make ");
    text.append(dir);
    text.append(": ");
    text.append(std::strerror(errno));
    runtime::write_statement(runtime::STDERR, text, true);
    runtime::HALT(1);
}

[[gnu::noinline]] void trace_main() {
    runtime::initialize();
    saved_exit = runtime::EXITPROC;
    runtime::EXITPROC = trace_exit;
    options = parse_options();
    const Options& o = options;
    if (!o.png.empty() || !o.frames_dir.empty()) pictures = std::make_unique<tools::Pictures>(o.width, o.height);
    if (!o.frames_dir.empty()) prepare_frames_dir(o.frames_dir);
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
