// The console services in a real terminal (tmux): the character set of each locale,
// keys typed ahead, text written beside the console, wrapping and scrolling, and the
// terminal's mode and exit code after every way the program ends (each run checks).
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <thread>

#include "tests/support/child.h"
#include "tests/support/tmux.h"

using namespace testsupport;
using std::string;

namespace {

// The probe in a terminal, between two readings of the terminal's mode.
struct Probe {
    string dir = temp_dir() + "/" + std::to_string(count++) + ".";
    Tmux t;
    static inline int count = 0;
    explicit Probe(const string& args, const string& locale = "LC_ALL=C.UTF-8", int columns = 80, int rows = 24)
        : t("trap '' INT; stty -g > " + dir + "before; env -u LANG -u LC_ALL " + locale + " " +
                shell_quote(CONSOLE_PROBE) + " " + args.substr(0, args.find(' ')) + " " + dir + "log" +
                args.substr(std::min(args.size(), args.find(' '))) + "; echo $? > " + dir + "rc; stty -g > " + dir +
                "after",
            columns, rows) {}
    // The file once it has this many lines (waiting up to 60 s).
    string file(const string& name, int lines = 1) {
        string text = read_text_file(dir + name);
        for (int i = 0; i < 3000 && std::count(text.begin(), text.end(), '\n') < lines; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            text = read_text_file(dir + name);
        }
        return text;
    }
    void expect_end(int code) {
        EXPECT_EQ(file("rc"), std::to_string(code) + "\n");
        EXPECT_EQ(file("before"), file("after"));
    }
};

}  // namespace

TEST(Terminal, TextsAndTypingInTheLocalesCharacterSet) {
    const std::pair<string, string> cases[] = {{"LANG=C", "fajl> palya.txt"}, {"LC_ALL=C", "fajl> palya.txt"},
                                               {"LC_ALL=C.UTF-8", "fájl> pálya.txt"}};
    for (const auto& [locale, shown] : cases) {
        Probe r("lines", locale);
        ASSERT_TRUE(r.t.wait_for(">"));
        r.t.text("pálya.txt.txt");
        r.t.keys({"BSpace", "BSpace", "BSpace", "BSpace"});
        EXPECT_TRUE(r.t.wait_for(shown));
        EXPECT_EQ(r.t.row(0), shown) << locale;  // nothing stale after it
        r.t.keys({"Enter"});
        string log = r.file("log", 2);
        EXPECT_EQ(log.substr(log.find('\n') + 1), "line 70 C3 A1 6C 79 61 2E 74 78 74\n");
        r.t.keys({"C-c"});
        r.expect_end(130);
    }
}

TEST(Terminal, KeysTypedAheadAreAllKeptAndEveryByteShowsInOneCell) {
    std::vector<string> ups(90, "Up");  // held through a long frame
    ups.push_back("Enter");
    const std::tuple<std::vector<string>, int, string, string> cases[] = {
        {ups, 270, "H", "final 48"},  // the stopping Up's code is the letter H
        {{"F12", "abc", "BSpace", "d", "Home", "End", "Enter"}, 0, "ćabd", "final 86 61 62 64"}};
    for (const auto& [keys, queued, shown, final_line] : cases) {
        Probe r("ahead " + std::to_string(queued));
        ASSERT_TRUE(r.t.wait_for("polling"));
        r.t.keys(keys);
        string log = r.file("log", 2);
        EXPECT_EQ(log.substr(log.find('\n') + 1), final_line + "\n");
        EXPECT_EQ(r.t.row(2), shown);
        r.t.keys({"Enter"});
        r.expect_end(0);
    }
}

TEST(Terminal, TextWrittenBesideWidthAndScrolling) {
    Probe r("rows", "LC_ALL=C.UTF-8", 40, 12);
    ASSERT_TRUE(r.t.wait_for("after"));
    std::vector<string> expected{"row 5", "row 6", "beside"};
    for (int i = 7; i <= 12; ++i) expected.push_back("row " + std::to_string(i));
    for (const char* end : {"abcdefghijklmnopqrstuvwxyzabcdefghijklmn", "", "after"}) expected.push_back(end);
    EXPECT_EQ(r.t.screen(), expected);
    r.t.keys({"Enter"});
    r.expect_end(0);
}

TEST(Terminal, ModeAndExitCodeAfterEveryWayOut) {
    const std::tuple<string, string, int, string> cases[] = {
        {"wait", "Enter", 0, ""}, {"error", "Enter", 201, "Runtime error 201 at 0x"}, {"halt", "Enter", 3, ""},
        {"wait", "C-c", 130, ""}, {"segv", "Enter", 216, "Runtime error 216 at 0x"}, {"wait", "TERM", 143, ""},
        {"wait", "HUP", 129, ""}, {"wait > " + temp_dir() + "/out.txt", "Enter", 0, ""}};
    for (const auto& [args, key, code, report] : cases) {
        Probe r(args);
        ASSERT_TRUE(r.t.wait_for("ready"));  // also with standard output redirected
        int pid = std::atoi(r.file("log").substr(4).c_str());
        if (key == "TERM" || key == "HUP") {
            kill(pid, key == "TERM" ? SIGTERM : SIGHUP);
        } else {
            r.t.keys({key});
        }
        r.expect_end(code);
        EXPECT_TRUE(r.t.wait_for(report));
    }
    EXPECT_EQ(read_text_file(temp_dir() + "/out.txt"), "");
}

TEST(Terminal, NoTerminalForOutputEndsWithTheMessage) {
    // A new session has no controlling terminal, and standard output is a pipe here.
    auto r = run_child({"/usr/bin/setsid", "-w", CONSOLE_PROBE, "wait", temp_dir() + "/none.log"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "No way to get the console handle\r\n");
    EXPECT_EQ(r.out, "");
}
