// The console services in a real terminal (tmux): the character set of each locale,
// keys typed ahead, text written beside the console, wrapping and scrolling, and the
// terminal's mode and exit code after every way the program ends (every run checks).
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

#include "tests/support/child.h"
#include "tests/support/tmux.h"

using namespace testsupport;
using std::string;

namespace {

// The probe in a terminal of 40 by 12, between two readings of the terminal's mode.
struct Probe {
    static inline int count = 0;
    string dir = temp_dir() + "/" + std::to_string(count++) + ".";
    Tmux t;
    explicit Probe(const std::vector<string>& args, const string& locale = "LC_ALL=C.UTF-8", const string& redirect = "")
        : t("trap '' INT; stty -g > " + dir + "before; env -u LANG -u LC_ALL " + locale + " " + command_of(CONSOLE_PROBE) + " run " +
                dir + "log" + quoted(args) + redirect + "; echo $? > " + dir + "rc; stty -g > " + dir + "after",
            40, 12) {}
    static string quoted(const std::vector<string>& args) {
        string q;
        for (const string& a : args) q += " " + shell_quote(a);
        return q;
    }
    string file(const string& name, int lines = 1) {  // once it has this many lines, within 60 s
        string text = read_text_file(dir + name);
        for (int i = 0; i < 3000 && std::count(text.begin(), text.end(), '\n') < lines; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            text = read_text_file(dir + name);
        }
        return text;
    }
    int pid(int lines) { return std::atoi(file("log", lines).substr(4).c_str()); }
    void expect_line_and_end(const string& line, const std::vector<string>& keys, int code) {
        string log = file("log", 2);
        EXPECT_EQ(log.substr(log.find('\n') + 1), "line" + line + "\n");
        t.keys(keys);
        EXPECT_EQ(file("rc"), std::to_string(code) + "\n");
        EXPECT_EQ(file("before"), file("after"));
    }
};

}  // namespace

TEST(Terminal, TextsAndTypingInTheLocalesCharacterSet) {
    for (auto [locale, shown] : {std::pair{"LANG=C", "fajl> palya.txt"}, {"LC_ALL=C", "fajl> palya.txt"},
                                 {"LC_ALL=C.UTF-8", "fájl> pálya.txt"}}) {
        Probe r({}, locale);
        ASSERT_TRUE(r.t.wait_for(">"));
        r.t.text("pálya.txt.txt");
        r.t.keys({"BSpace", "BSpace", "BSpace", "BSpace"});
        EXPECT_EQ(r.t.row_once(0, shown), shown) << locale;  // nothing stale after it
        r.t.keys({"Enter"});
        r.expect_line_and_end(" 70 C3 A1 6C 79 61 2E 74 78 74", {"Enter"}, 0);
    }
}

TEST(Terminal, KeysTypedAheadAreAllKeptAndEveryByteShowsInOneCell) {
    std::vector<string> ups(100, "Up");  // held through a long frame, then more typed
    ups.insert(ups.end(), {"x", "y", "Enter"});
    const std::tuple<std::vector<string>, string, string, string> cases[] = {
        {ups, "303", "fájl> Hxy", " 48 78 79"},  // the stopping Up's code is the letter H
        {{"F12", "abc", "BSpace", "d", "Home", "End", "Enter"}, "0", "fájl> ćabd", " 86 61 62 64"}};
    for (const auto& [keys, queued, shown, line] : cases) {
        Probe r({"polling", "?" + queued});
        ASSERT_TRUE(r.t.wait_for("polling"));
        r.t.keys(keys);
        ASSERT_TRUE(r.t.wait_for("stop 0"));
        EXPECT_EQ(r.t.row_once(2, shown), shown);
        r.expect_line_and_end(line, {"Enter"}, 0);
    }
}

TEST(Terminal, TextWrittenBesideWidthAndScrolling) {
    std::vector<string> rows;
    for (int i = 1; i <= 12; ++i) rows.push_back("row " + std::to_string(i));
    rows.insert(rows.begin() + 6, "!beside");
    rows.push_back("abcdefghijklmnopqrstuvwxyzabcdefghijklmn");  // the screen's width
    Probe r(rows);
    ASSERT_TRUE(r.t.wait_for("fájl>"));
    std::vector<string> expected(rows.begin() + 4, rows.end());
    expected[2] = "beside";
    expected.insert(expected.end(), {"", "fájl>"});
    EXPECT_EQ(r.t.screen(), expected);
    r.t.keys({"x", "Enter"});
    r.expect_line_and_end(" 78", {"Enter"}, 0);
}

// A stop at the prompt is discarded here (the probe's process group is orphaned): it goes on in its mode.
TEST(Terminal, ModeAndExitCodeAfterEveryWayOut) {
    const std::tuple<string, string, int, int, string> cases[] = {
        {"", "error", 0, 201, "Runtime error 201 at 0x"}, {"", "halt", 0, 3, ""}, {"", "segv", 0, 216, "Runtime error 216 at 0x"},
        {"", "C-c", 0, 130, ""}, {"", "", SIGTERM, 143, ""}, {"", "", SIGHUP, 129, ""}, {"", "", SIGTSTP, 0, ""},
        {" > " + temp_dir() + "/out.txt", "", 0, 0, ""}};
    for (const auto& [redirect, key, signo, code, report] : cases) {
        Probe r({}, "LC_ALL=C.UTF-8", redirect);
        ASSERT_TRUE(r.t.wait_for(">"));  // also with standard output redirected
        r.t.keys({"a", "Enter"});
        if (signo != 0) kill(r.pid(2), signo);
        r.expect_line_and_end(" 61", signo && code ? std::vector<string>{} : key == "C-c" ? std::vector{key} : std::vector{key, string("Enter")}, code);
        EXPECT_TRUE(r.t.wait_for(report));
    }
    EXPECT_EQ(read_text_file(temp_dir() + "/out.txt"), "");
}

// Continued while it reads a number in the terminal's own line mode, or (planted) just after
// the mode found is back at the end: the mode of the moment stays.
TEST(Terminal, AContinueKeepsTheModeOfTheMomentAlsoAPlantedOneAtTheEnd) {
    Probe r({"<"}), planted({}, "GRAVITY_PLANT=terminal-restored/cont LC_ALL=C.UTF-8");
    int pid = r.pid(1);  // in key mode by now, then in line mode for the number
    testsupport::wait_for([&] { return r.t.mode() == r.file("before"); }, 60000);
    kill(pid, SIGCONT);
    r.t.text("1"), r.t.keys({"BSpace"}), r.t.text("2"), r.t.keys({"Enter"});
    EXPECT_TRUE(r.t.wait_for("number 2"));
    ASSERT_TRUE(planted.t.wait_for(">"));
    for (Probe* p : {&r, &planted}) p->t.keys({"Enter"}), p->expect_line_and_end("", {}, 0);
}

TEST(Terminal, NoTerminalForOutputEndsWithTheMessage) {
    // A new session has no controlling terminal, and standard output is a pipe here.
    auto r = run_child({"/usr/bin/setsid", "-w", CONSOLE_PROBE, "run", temp_dir() + "/none.log"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "No way to get the console handle\r\nconsole_probe: the dialogue needs a terminal: start it from one (ssh -t for a command over ssh)\r\n");
    EXPECT_EQ(r.out, "");
}
