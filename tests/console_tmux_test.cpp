// The console services in a real terminal (tmux): the prompt, the line editor and
// its echo, wrapping and scrolling, extended keys, keys typed ahead, and the
// terminal's mode after every way the program can end.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <tuple>

#include "tests/support/child.h"
#include "tests/support/tmux.h"

using namespace testsupport;

namespace {

std::string log_path(const std::string& name) { return temp_dir() + "/" + name + ".log"; }

std::string probe(const std::string& mode, const std::string& log) {
    return "LANG=C.UTF-8 " + shell_quote(CONSOLE_PROBE) + " " + mode + " " + shell_quote(log);
}

void pause_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Waits until the log has n lines and returns it.
std::string wait_log(const std::string& path, int lines) {
    for (int i = 0; i < 250; ++i) {
        std::string text = read_text_file(path);
        if (std::count(text.begin(), text.end(), '\n') >= lines) return text;
        pause_ms(20);
    }
    return read_text_file(path);
}

}  // namespace

TEST(LineEditor, PromptEchoAndTheLineHandedOn) {
    std::string log = log_path("echo");
    Tmux t(probe("lines", log));
    ASSERT_TRUE(t.wait_for(">"));  // the prompt is there before any key (rows lose trailing blanks)
    t.text("gravity");
    ASSERT_TRUE(t.wait_for("> gravity"));
    t.keys({"Enter"});
    t.text("é€");
    t.keys({"Enter"});
    wait_log(log, 2);
    // Rows are read while the program runs: tmux scrolls a dead pane for its notice.
    EXPECT_TRUE(t.wait_for("> é€"));
    EXPECT_EQ(t.row(0), "> gravity");
    EXPECT_EQ(t.row(1), "> é€");
    EXPECT_EQ(t.row(2), ">");
    t.keys({"Enter"});
    EXPECT_EQ(wait_log(log, 3),
              "line 67 72 61 76 69 74 79 0D 0A\n"
              "line C3 A9 E2 82 AC 0D 0A\n"
              "line 0D 0A\n");
}

TEST(LineEditor, BackspaceLeftAndOvertyping) {
    std::string log = log_path("editing");
    Tmux t(probe("lines", log));
    ASSERT_TRUE(t.wait_for(">"));
    t.text("abc");
    t.keys({"BSpace", "Enter"});  // rubs out the last character
    t.text("abc");
    t.keys({"Left", "BSpace", "Enter"});  // inside the line: nothing
    t.text("abc");
    t.keys({"Left", "Left"});
    t.text("XY");  // overtypes
    EXPECT_TRUE(t.wait_for("> aXY"));
    EXPECT_EQ(t.row(0), "> ab");
    EXPECT_EQ(t.row(1), "> abc");
    EXPECT_EQ(t.row(2), "> aXY");
    t.keys({"Enter"});
    EXPECT_EQ(wait_log(log, 3),
              "line 61 62 0D 0A\n"
              "line 61 62 63 0D 0A\n"
              "line 61 58 59 0D 0A\n");
}

TEST(LineEditor, EscapeAndCtrlYRubOutCtrlZIsIgnored) {
    std::string log = log_path("rubout");
    Tmux t(probe("lines", log));
    ASSERT_TRUE(t.wait_for(">"));
    t.text("abc");
    t.keys({"Escape"});
    pause_ms(200);  // a lone Esc, not the start of a sequence
    t.text("d");
    t.keys({"Enter"});
    t.text("abc");
    t.keys({"C-y"});
    t.text("e");
    t.keys({"Enter"});
    t.text("ab");
    t.keys({"C-z"});
    t.text("c");
    EXPECT_TRUE(t.wait_for("> abc"));
    EXPECT_EQ(t.row(0), "> d");
    EXPECT_EQ(t.row(1), "> e");
    t.keys({"Enter"});
    EXPECT_EQ(wait_log(log, 3),
              "line 64 0D 0A\n"
              "line 65 0D 0A\n"
              "line 61 62 63 0D 0A\n");
}

TEST(LineEditor, The255thCharacterIsIgnored) {
    std::string log = log_path("full");
    Tmux t(probe("lines", log));
    ASSERT_TRUE(t.wait_for(">"));
    t.text(std::string(260, 'x'));
    t.keys({"Enter"});
    std::string expected = "line";
    for (int i = 0; i < 254; ++i) expected += " 78";
    EXPECT_EQ(wait_log(log, 1), expected + " 0D 0A\n");
}

TEST(Screen, ALineOfTheScreenWidthThenALineEndLeavesAnEmptyRow) {
    Tmux t(probe("width", log_path("width")), 60, 20);
    ASSERT_TRUE(t.wait_for("after"));
    auto rows = t.screen();
    ASSERT_GE(rows.size(), 3u);
    EXPECT_EQ(rows[0].size(), 60u);
    EXPECT_EQ(rows[1], "");
    EXPECT_EQ(rows[2], "after");
}

TEST(Screen, ALineEndOnTheBottomRowScrolls) {
    Tmux t(probe("scroll", log_path("scroll")), 40, 12);
    ASSERT_TRUE(t.wait_for("end"));
    auto rows = t.screen();
    ASSERT_EQ(rows.size(), 12u);
    EXPECT_EQ(rows[11], "end");
    EXPECT_EQ(rows[10], "row 40");
    EXPECT_EQ(rows[0], "row 30");
}

TEST(Keyboard, ExtendedKeysGiveZeroThenTheirCode) {
    std::string log = log_path("keys");
    Tmux t(probe("keys", log));
    ASSERT_TRUE(t.wait_for("keys:"));
    for (const char* key : {"F1", "Up", "S-F1", "C-Left", "M-F1", "F12", "M-a", "M-1", "M-Enter", "a"}) {
        t.keys({key});
        pause_ms(60);
    }
    t.keys({"q"});
    EXPECT_EQ(wait_log(log, 20),
              "key 00\nkey 3B\nkey 00\nkey 48\nkey 00\nkey 54\nkey 00\nkey 73\nkey 00\nkey 68\n"
              "key 00\nkey 86\nkey 00\nkey 1E\nkey 00\nkey 78\nkey 00\nkey A6\nkey 61\nkey 71\n");
}

TEST(Keyboard, KeysTypedAheadStayQueued) {
    std::string log = log_path("ahead");
    Tmux t(probe("poll", log));
    ASSERT_TRUE(t.wait_for("polling"));
    t.text("xab");
    t.keys({"Enter"});
    EXPECT_EQ(wait_log(log, 2), "stop 78\nfinal 61 62\n");
    std::string extended_log = log_path("ahead-up");
    Tmux u(probe("poll", extended_log));
    ASSERT_TRUE(u.wait_for("polling"));
    u.keys({"Up"});
    ASSERT_TRUE(u.wait_for("stopped"));
    u.keys({"Enter"});
    EXPECT_EQ(wait_log(extended_log, 2), "stop 00\nfinal 48\n");  // Up's code is the letter H
    EXPECT_TRUE(u.wait_for("H"));
}

namespace {

// Runs the probe between two readings of the terminal's mode.
struct ModeCheck {
    std::string dir = temp_dir();
    std::string before, after, rc;
    explicit ModeCheck(const std::string& name)
        : before(dir + "/" + name + ".before"), after(dir + "/" + name + ".after"), rc(dir + "/" + name + ".rc") {}
    std::string command(const std::string& mode) const {
        return "trap '' INT; stty -g > " + before + "; " + probe(mode, dir + "/mode.log") + "; echo $? > " + rc +
               "; stty -g > " + after;
    }
    void expect_restored(int exit_code) const {
        std::string a;
        for (int i = 0; i < 250 && (a = read_text_file(after)).empty(); ++i) pause_ms(20);
        EXPECT_FALSE(a.empty());
        EXPECT_EQ(read_text_file(before), a);
        EXPECT_EQ(read_text_file(rc), std::to_string(exit_code) + "\n");
    }
};

}  // namespace

// Runs the probe in mode to its "ready", presses key, and checks the exit code, the
// terminal's mode, and the report when there is one.
void check_restored(const std::string& mode, const char* key, int code, const std::string& report = "") {
    ModeCheck m(mode);
    Tmux t(m.command(mode));
    ASSERT_TRUE(t.wait_for("ready"));
    t.keys({key});
    m.expect_restored(code);
    if (!report.empty()) {
        EXPECT_TRUE(t.wait_for(report));
    }
}

TEST(TerminalMode, RestoredAfterANormalEndAnErrorAndHalt) {
    check_restored("wait", "Enter", 0);
    check_restored("error", "Enter", 201, "Runtime error 201 at 0x");
    check_restored("halt", "Enter", 3);
}

TEST(TerminalMode, RestoredAfterCtrlCAndASegmentationFault) {
    check_restored("wait", "C-c", 130);
    check_restored("segv", "Enter", 216, "Runtime error 216 at 0x");
}

TEST(TerminalMode, RestoredAfterSigtermAndSighup) {
    for (auto [name, signal, code] : {std::tuple{"term", "TERM", 143}, std::tuple{"hup", "HUP", 129}}) {
        ModeCheck m(name);
        std::string pid_file = m.dir + "/" + name + ".pid";
        Tmux t("echo $$ > " + pid_file + "; exec sh -c " + shell_quote(m.command("wait")));
        ASSERT_TRUE(t.wait_for("ready"));
        // The probe is the shell's only child.
        std::string shell = read_text_file(pid_file);
        shell.erase(shell.find_last_not_of("\n") + 1);
        ASSERT_EQ(std::system(("pkill -" + std::string(signal) + " -P " + shell + " -f console_probe").c_str()), 0);
        m.expect_restored(code);
    }
}

TEST(Screen, OutputRedirectedToAFileStillShowsOnTheTerminal) {
    std::string out = temp_dir() + "/redirected.txt";
    Tmux t(probe("wait", log_path("redirect")) + " > " + out);
    ASSERT_TRUE(t.wait_for("ready"));
    t.keys({"Enter"});
    ASSERT_TRUE(t.wait_dead());
    EXPECT_EQ(read_text_file(out), "");
}

TEST(Keyboard, InputThatIsNotATerminalEndsItsLinesAtItsEnd) {
    std::string log = log_path("piped");
    Tmux t("printf 'abc\\r\\033[A' | " + probe("lines", log));
    // The pipe's bytes are the keys; at its end every wait finds an Enter.
    EXPECT_EQ(wait_log(log, 3), "line 61 62 63 0D 0A\nline 0D 0A\nline 0D 0A\n");
    EXPECT_TRUE(t.wait_for("done"));
}

TEST(Screen, NoTerminalForOutputEndsWithTheMessage) {
    // A new session has no controlling terminal, and standard output is a pipe here.
    auto r = run_child({"/usr/bin/setsid", "-w", CONSOLE_PROBE, "wait", log_path("no-terminal")});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err, "No way to get the console handle\r\n");
    EXPECT_EQ(r.out, "");
}
