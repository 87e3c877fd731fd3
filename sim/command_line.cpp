// The program's command line. Without arguments the program is the dialogue alone; a
// name given is typed at the prompt for the user, so the run is the same either way.
#include "sim/command_line.h"

#include <cstring>
#include <string>
#include <getopt.h>

#include "console/crt.h"
#include "runtime/checks.h"
#include "runtime/errors.h"
#include "runtime/textfile.h"

namespace sim {

namespace {

constexpr const char* SYNOPSIS[] = {"usage: gravity [FILE]", "       gravity --help | --version"};
constexpr const char* DETAILS[] = {
    "Asks on the terminal for a parameter file's name, then animates the bodies it",
    "describes in an X11 window; a key in the terminal stops them, Enter then ends.",
    "  FILE          typed at the prompt for you, shown there as if typed",
    "  -h, --help    this text",
    "  --version     the version",
    "The window needs an X display (DISPLAY), the dialogue a terminal. The parameter",
    "file's layout and the error numbers: gravity(6).",
};

enum Key { HELP = 'h', VERSION = 256 };
constexpr option LONG_OPTIONS[] = {
    {"help", no_argument, nullptr, HELP}, {"version", no_argument, nullptr, VERSION}, {nullptr, 0, nullptr, 0}};

int saved_argc = 0;
char** saved_argv = nullptr;

template <size_t N> void write_lines(runtime::TEXTREC& f, const char* const (&lines)[N]) {
    for (const char* line : lines) {
        runtime::ShortString text(line);
        text.append("\n");
        runtime::write_statement(f, text, false);
        runtime::INT_IOCHECK();
    }
}

[[noreturn]] void usage_error(const std::string& problem) {
    runtime::ShortString text("gravity: ");
    text.append(problem);
    text.append("\n");
    runtime::write_statement(runtime::STDERR, text, false);
    write_lines(runtime::STDERR, SYNOPSIS);
    write_lines(runtime::STDERR, {"Try 'gravity --help' for more."});
    runtime::HALT(2);
}

[[noreturn]] void answer(int key) {
    if (key == HELP) write_lines(runtime::STDOUT, SYNOPSIS), write_lines(runtime::STDOUT, DETAILS);
    else write_lines(runtime::STDOUT, {"gravity " GRAVITY_VERSION});
    runtime::HALT(0);
}

}  // namespace

void take_command_line(int argc, char** argv) {
    saved_argc = argc;
    saved_argv = argv;
}

const char* file_to_type() {
    opterr = 0;  // the messages are the program's own
    for (int key; (key = getopt_long(saved_argc, saved_argv, ":h", LONG_OPTIONS, nullptr)) != -1;) {
        if (key == HELP || key == VERSION) answer(key);
        usage_error("unknown option " + refused_option(saved_argv));
    }
    if (saved_argc - optind > 1) usage_error("one FILE at most");
    if (saved_argc == optind) return nullptr;
    const char* file = saved_argv[optind];
    // A longer name could not have been typed at the prompt.
    if (std::strlen(file) > size_t(console::LINE_LIMIT)) usage_error("FILE is longer than the prompt takes (" + std::to_string(console::LINE_LIMIT) + " bytes)");
    return file;
}

std::string refused_option(char** argv) {
    if (optopt > 0 && optopt < 128) return std::string("'-") + char(optopt) + "'";
    std::string written = argv[optind - 1];
    return "'" + written.substr(0, written.find('=')) + "'";
}

}  // namespace sim
