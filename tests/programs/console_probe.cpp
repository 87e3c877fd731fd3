// A test program of the console services and number conversion under the program's
// start-up: argv[1] names what it does, argv[2] a log (its first line the pid).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/ioctl.h>
#include <unistd.h>

#include "console/crt.h"
#include "console/keyboard.h"
#include "console/screen.h"
#include "console/textread.h"
#include "console/val.h"
#include "runtime/checks.h"
#include "runtime/startup.h"

using namespace runtime;

namespace {

FILE* log_file;

void say(const ShortString& text, bool line_end = true) {
    write_statement(OUTPUT, text, line_end);
    INT_IOCHECK();
}

void read_line(const char* label) {  // logged as hex bytes
    ShortString s;
    console::READ_STRING(INPUT, s);
    std::fprintf(log_file, "%s", label);
    for (int i = 0; i < s.length; ++i) std::fprintf(log_file, " %02X", uint8_t(s.chars[i]));
    std::fprintf(log_file, "\n");
    std::fflush(log_file);
    console::READLN_END(INPUT);
    INT_IOCHECK();
}

void start() {
    console::initialize();
    std::fprintf(log_file, "pid %d\n", int(getpid()));
    std::fflush(log_file);
}

void lines() {  // after a prompt in code page 852, "fájl> "
    for (start();;) {
        say("f\xA0jl> ", false);
        read_line("line");
    }
}

// Once argv[3] bytes are queued in the terminal: the stopping key, then the final line.
void ahead() {
    start();
    say("polling");
    for (int queued = 0; ioctl(0, FIONREAD, &queued) == 0 && queued < std::atoi(argument(3));) console::DELAY(10);
    while (!console::KEYPRESSED()) console::DELAY(10);
    ShortString stop("stop ");
    stop.append(decimal(console::READKEY()).view());
    say(stop);
    read_line("final");
    read_line("end");
}

// Rows with a message written beside them, the screen's width, scrolling.
void rows() {
    start();
    for (uint32_t i = 1; i <= 12; ++i) {
        if (i == 7) std::fprintf(stderr, "beside\n");
        ShortString row("row ");
        row.append(decimal(i).view());
        say(row);
    }
    ShortString full;
    while (full.length < console::SCREENWIDTH) full.push(char('a' + full.length % 26));
    say(full);
    say("after", false);
    read_line("final");
}

volatile int* volatile nowhere = nullptr;

void ending(int how) {
    start();
    say("ready");
    read_line("final");
    if (how == 1) RUNERROR(201);
    if (how == 2) HALT(3);
    if (how == 3) *nowhere = 1;
}

// Each token: a real as its bits, "u:" an unsigned integer, or "fail".
void val() {
    for (int i = 2; i < argument_count(); ++i) {
        ShortString shown("fail");
        if (const char* arg = argument(i); std::strncmp(arg, "u:", 2) == 0) {
            if (auto [v, ok] = console::VALUNSIGNEDINT(arg + 2); ok) shown = decimal(v);
        } else if (auto [v, ok] = console::VALFLOAT(arg); ok) {
            uint64_t significand;
            std::memcpy(&significand, &v, 8);
            shown = hexadecimal(reinterpret_cast<const uint16_t*>(&v)[4], 4);
            shown.append(" ");
            shown.append(hexadecimal(significand, 16).view());
        }
        write_statement(STDOUT, shown, true);
    }
}

void run() {
    initialize();
    const char* mode = argument(1);
    log_file = std::strcmp(mode, "val") == 0 ? stdout : std::fopen(argument(2), "w");
    const std::pair<const char*, void (*)()> cases[] = {
        {"lines", lines}, {"ahead", ahead}, {"rows", rows}, {"val", val}, {"wait", [] { ending(0); }},
        {"error", [] { ending(1); }}, {"halt", [] { ending(2); }}, {"segv", [] { ending(3); }}};
    for (auto [name, body] : cases)
        if (std::strcmp(mode, name) == 0) body();
}

}  // namespace

int main(int argc, char** argv) {
    save_command_line(argc, argv);
    EXE_ENTRY(run);
}
