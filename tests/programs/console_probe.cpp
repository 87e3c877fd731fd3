// A test program for the console services in a real terminal: argv[1] names what it
// does, argv[2] a log file for what the terminal cannot show.
#include <cstdio>
#include <cstring>

#include "console/crt.h"
#include "console/keyboard.h"
#include "console/screen.h"
#include "console/textread.h"
#include "runtime/checks.h"
#include "runtime/startup.h"
#include "runtime/textfile.h"

using namespace runtime;

namespace {

FILE* log_file() {
    static FILE* f = std::fopen(argument(2), "w");
    return f;
}

void log_hex(const char* label, const uint8_t* bytes, int n) {
    std::fprintf(log_file(), "%s", label);
    for (int i = 0; i < n; ++i) std::fprintf(log_file(), " %02X", bytes[i]);
    std::fprintf(log_file(), "\n");
    std::fflush(log_file());
}

void say(const char* text, bool line_end) {
    write_statement(OUTPUT, text, line_end);
    INT_IOCHECK();
}

void start() {
    initialize();
    console::initialize();
}

// Lines typed into the line editor, each logged as the bytes handed on.
void lines() {
    start();
    for (int i = 0; i < 3; ++i) {
        say("> ", false);
        ShortString s;
        console::READ_STRING(INPUT, s);
        log_hex("line", reinterpret_cast<const uint8_t*>(INPUT.buffer), INPUT.bufend);
        console::READLN_END(INPUT);
        INT_IOCHECK();
    }
    say("done", true);
}

// Keys read one by one until q.
void keys() {
    start();
    say("keys:", true);
    for (;;) {
        uint8_t c = console::READKEY();
        log_hex("key", &c, 1);
        if (c == 'q') break;
    }
}

// A line of exactly the screen's width, then a line end.
void width() {
    start();
    ShortString full;
    for (int i = 0; i < console::SCREENWIDTH; ++i) full.push(char('a' + i % 26));
    write_statement(OUTPUT, full, true);
    say("after", true);
    console::READLN_END(INPUT);
}

// More lines than the screen has rows.
void scroll() {
    start();
    for (int i = 1; i <= 40; ++i) {
        ShortString s("row ");
        s.append(decimal(uint32_t(i)).view());
        write_statement(OUTPUT, s, true);
    }
    say("end", false);
    console::READLN_END(INPUT);
}

// Polls like the frame loop, then reads the stopping key and a final line.
void poll() {
    start();
    say("polling", true);
    while (!console::KEYPRESSED()) console::DELAY(10);
    uint8_t c = console::READKEY();
    log_hex("stop", &c, 1);
    say("stopped", true);
    ShortString s;
    console::READ_STRING(INPUT, s);
    log_hex("final", reinterpret_cast<const uint8_t*>(s.chars), s.length);
    console::READLN_END(INPUT);
}

void error() {
    start();
    say("ready", true);
    console::READLN_END(INPUT);
    RUNERROR(201);
}

void halt() {
    start();
    say("ready", true);
    console::READLN_END(INPUT);
    HALT(3);
}

volatile int* volatile nowhere = nullptr;

void segv() {
    start();
    say("ready", true);
    console::READLN_END(INPUT);
    *nowhere = 1;
}

void wait_line() {
    start();
    say("ready", true);
    console::READLN_END(INPUT);
}

struct Case {
    const char* name;
    void (*run)();
};
constexpr Case CASES[] = {{"lines", lines}, {"keys", keys}, {"width", width}, {"scroll", scroll},
                          {"poll", poll},   {"error", error}, {"wait", wait_line},
                          {"halt", halt},   {"segv", segv}};

}  // namespace

int main(int argc, char** argv) {
    save_command_line(argc, argv);
    for (const Case& c : CASES)
        if (argc > 1 && std::strcmp(argv[1], c.name) == 0) EXE_ENTRY(c.run);
    return 100;
}
