// A test program of the console services and number conversion under the program's
// start-up: argv[1] names what it does first, argv[2] a log (its first line the pid).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <sys/ioctl.h>
#include <unistd.h>

#include "console/crt.h"
#include "console/keyboard.h"
#include "console/textread.h"
#include "console/val.h"
#include "runtime/checks.h"
#include "runtime/errors.h"
#include "runtime/filedriver.h"
#include "runtime/startup.h"

using namespace runtime;

namespace {

// The command line, kept for the main program the start routine calls.
std::vector<const char*> arguments;
int argument_count() { return int(arguments.size()); }
const char* argument(int i) { return i < argument_count() ? arguments[size_t(i)] : ""; }

volatile int* volatile nowhere = nullptr;

void say(const ShortString& text, bool line_end = true) {
    write_statement(OUTPUT, text, line_end);
    INT_IOCHECK();
}

// Once n bytes are queued in the terminal: the key that stops a poll.
void poll(int n) {
    for (int queued = 0; ioctl(0, FIONREAD, &queued) == 0 && queued < n;) console::DELAY(10);
    while (!console::KEYPRESSED()) console::DELAY(10);
    ShortString stop("stop ");
    stop.append(decimal(console::READKEY()).view());
    say(stop);
}

// A number read from the terminal as the parameter file is, in the terminal's own line mode.
void read_number() {
    static TEXTREC f;
    ASSIGN(f, ""), RESET(f), INT_IOCHECK();
    const uint32_t n = console::READ_UINT(f);
    INT_IOCHECK(), say("number ", false), say(decimal(n));
}

// Each token: a real as its bits, "u:" an unsigned integer, or "fail".
void val() {
    for (int i = 2; i < argument_count(); ++i) {
        ShortString shown("fail");
        if (const char* arg = argument(i); std::strncmp(arg, "u:", 2) == 0) {
            if (auto [v, ok] = console::VALUNSIGNEDINT(arg + 2); ok) shown = decimal(v);
        } else if (auto [v, ok] = console::VALFLOAT(arg); ok) {
            uint64_t bits[2] = {};
            std::memcpy(bits, &v, 10);
            shown = hexadecimal(bits[1], 4);
            shown.append(" ");
            shown.append(hexadecimal(bits[0], 16).view());
        }
        write_statement(STDOUT, shown, true);
    }
}

// argv[3...]: lines to write, "!text" on standard error, "?n" a poll once n bytes are
// queued, "<" a number read. Then lines after a prompt in code page 852 ("fájl> "),
// logged as hex bytes, until an empty one; "error", "halt" and "segv" end the program so.
void run() {
    initialize();
    if (std::strcmp(argument(1), "val") == 0) return val();
    console::initialize();
    FILE* log = std::fopen(argument(2), "w");
    std::fprintf(log, "pid %d\n", int(getpid()));
    std::fflush(log);
    for (int i = 3; i < argument_count(); ++i) {
        const char* arg = argument(i);
        if (arg[0] == '?') poll(std::atoi(arg + 1));
        else if (arg[0] == '<') read_number();
        else if (arg[0] == '!') std::fprintf(stderr, "%s\n", arg + 1);
        else say(arg);
    }
    for (ShortString s("-"); s.length > 0;) {
        say("f\xA0jl> ", false);
        console::READ_STRING(INPUT, s);
        std::fprintf(log, "line");
        for (int i = 0; i < s.length; ++i) std::fprintf(log, " %02X", uint8_t(s.chars[i]));
        std::fprintf(log, "\n");
        std::fflush(log);
        console::READLN_END(INPUT);
        INT_IOCHECK();
        if (s.view() == "error") RUNERROR(201);
        if (s.view() == "halt") HALT(3);
        if (s.view() == "segv") *nowhere = 1;
    }
}

}  // namespace

int main(int argc, char** argv) {
    arguments = {argv, argv + argc};
    EXE_ENTRY(run);
}
