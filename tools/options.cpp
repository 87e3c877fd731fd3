// The trace tool's command line: getopt_long for the options, from_chars for numbers.
#include "tools/options.h"

#include <charconv>
#include <cstring>
#include <getopt.h>

#include "runtime/checks.h"
#include "runtime/errors.h"
#include "runtime/textfile.h"
#include "sim/command_line.h"
#include "tools/png.h"

namespace tools {

namespace {

// The synopsis is the usage's first two lines; bad usage shows it.
constexpr const char SYNOPSIS[] =
    "usage: gravity-trace [--hex] [--print=all|last|none] [--size WxH] [--png FILE]\n"
    "                     [--frames-png DIR] FILE FRAMES\n";

constexpr const char DETAILS[] =
    "  FILE    parameter file, - for standard input\n"
    "  FRAMES  number of frames to run (0: load only)\n"
    "  --hex   reals as 20 hex digits: sign and exponent, then the significand\n"
    "  --print all (default): P, L and F records; last: P and the last frame's F\n"
    "          records; none: the P record only\n"
    "  --size WxH        the canvas the pictures are drawn for (default 800x600)\n"
    "  --png FILE        after the run, one picture: every body's path in dark grey,\n"
    "                    and over it the last frame as the window shows it\n"
    "  --frames-png DIR  every frame as the window shows it during the frame's delay,\n"
    "                    DIR/frame-000001.png and on; DIR must hold no frames yet\n"
    "  -h, --help        this text\n"
    "  --version         the version\n";

constexpr int MAX_SIZE = 16384;

enum Key { HELP = 'h', HEX = 256, PRINT, SIZE, PNG, FRAMES_PNG, VERSION };

constexpr option LONG_OPTIONS[] = {
    {"hex", no_argument, nullptr, HEX},           {"print", required_argument, nullptr, PRINT},
    {"size", required_argument, nullptr, SIZE},   {"png", required_argument, nullptr, PNG},
    {"frames-png", required_argument, nullptr, FRAMES_PNG}, {"help", no_argument, nullptr, HELP},
    {"version", no_argument, nullptr, VERSION},   {nullptr, 0, nullptr, 0},
};

[[noreturn]] void usage_error(const char* problem) {
    runtime::ShortString text("gravity-trace: ");
    text.append(problem);
    text.append("\n");
    runtime::write_statement(runtime::STDERR, text, false);
    runtime::write_statement(runtime::STDERR, SYNOPSIS, false);
    runtime::write_statement(runtime::STDERR, "Try 'gravity-trace --help' for more.\n", false);
    runtime::HALT(2);
}

// A whole number from the start of text up to end; false when anything else is there.
template <typename T>
bool whole(const char* text, const char* end, T& value) {
    auto [stop, error] = std::from_chars(text, end, value);
    return error == std::errc() && stop == end && text != end;
}

bool parse_size(const char* text, int& width, int& height) {
    const char* x = std::strchr(text, 'x');
    return x != nullptr && whole(text, x, width) && whole(x + 1, x + std::strlen(x), height) && width >= 1 &&
           height >= 1 && width <= MAX_SIZE && height <= MAX_SIZE;
}

void parse_print(const char* text, Print& print) {
    if (std::strcmp(text, "all") == 0) print = Print::all;
    else if (std::strcmp(text, "last") == 0) print = Print::last;
    else if (std::strcmp(text, "none") == 0) print = Print::none;
    else usage_error("--print takes all, last or none");
}

}  // namespace

std::string usage() { return std::string(SYNOPSIS) + DETAILS; }

Options parse_options(int argc, char** argv) {
    Options o;
    opterr = 0;  // the messages are the tool's own
    for (int key; (key = getopt_long(argc, argv, ":h", LONG_OPTIONS, nullptr)) != -1;) {
        switch (key) {
        case HEX: o.hex = true; break;
        case PRINT: parse_print(optarg, o.print); break;
        case SIZE:
            if (!parse_size(optarg, o.width, o.height)) usage_error("--size takes WxH, each 1 to 16384");
            break;
        case PNG: o.png = optarg; break;
        case FRAMES_PNG: o.frames_dir = optarg; break;
        case VERSION: o.ask = Options::Ask::version; return o;
        case ':': usage_error(("option " + sim::refused_option(argv) + " needs a value").c_str());
        case HELP: o.ask = Options::Ask::help; return o;
        default: usage_error(("unknown option " + sim::refused_option(argv)).c_str());
        }
    }
    if ((!o.png.empty() || !o.frames_dir.empty()) && pictures_unavailable()) usage_error(pictures_unavailable());
    if (argc - optind != 2) usage_error(argc - optind < 2 ? "FILE and FRAMES are required" : "too many arguments");
    o.file = argv[optind];
    const char* frames = argv[optind + 1];
    if (!whole(frames, frames + std::strlen(frames), o.frames)) usage_error("FRAMES must be a whole number");
    return o;
}

}  // namespace tools
