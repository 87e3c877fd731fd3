// The program as a user runs it: in a terminal (tmux), with its window on the tests'
// own Xvfb, driven by keys; the terminal's mode is checked after every run.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <set>
#include <thread>

#include "tests/support/child.h"
#include "tests/support/pictures.h"
#include "tests/support/tmux.h"
#include "tests/support/xserver.h"

using namespace testsupport;

namespace {

const std::string TITLE = "Graph window application";
XServer* display = nullptr;

class Display : public ::testing::Environment {
public:
    void SetUp() override { display = new XServer("1024x768x24"); }
    void TearDown() override { delete display; }
};

[[maybe_unused]] auto* const environment = ::testing::AddGlobalTestEnvironment(new Display);

void pause_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// One run of the program in a terminal, between two readings of the terminal's mode.
class ProgramRun {
public:
    // x_display: the X display to run on; "none" for none at all. redirect: appended
    // to the program's command line.
    // wrapper: a command the program runs under (valgrind).
    explicit ProgramRun(const std::string& name, const std::string& x_display = "", const std::string& redirect = "",
                        const std::string& wrapper = "")
        : dir_(temp_dir() + "/" + name),
          tmux_(command(x_display.empty() ? display->display() : x_display == "none" ? "" : x_display, redirect,
                        wrapper),
                100, 30) {}

    Tmux& terminal() { return tmux_; }
    std::string file(const std::string& name, const std::string& content) {
        return write_file(name, content), temp_dir() + "/" + name;
    }
    // Waits for the end and returns the exit code; the mode must be as before.
    int finish() {
        std::string rc;
        for (int i = 0; i < 1500 && (rc = read_text_file(dir_ + ".rc")).empty(); ++i) pause_ms(20);
        std::string after;
        for (int i = 0; i < 100 && (after = read_text_file(dir_ + ".after")).empty(); ++i) pause_ms(20);
        EXPECT_EQ(read_text_file(dir_ + ".before"), after) << "terminal mode changed";
        return rc.empty() ? -1 : std::stoi(rc);
    }

private:
    std::string command(const std::string& x, const std::string& redirect, const std::string& wrapper) const {
        return "cd " + shell_quote(temp_dir()) + "; trap '' INT; stty -g > " + dir_ + ".before; DISPLAY=" + x +
               " LANG=C.UTF-8 " + wrapper + " " + shell_quote(GRAVITY) + " " + redirect + "; echo $? > " + dir_ + ".rc; stty -g > " + dir_ +
               ".after; exec sleep 60";  // a live pane: tmux scrolls a dead one for its notice
    }
    std::string dir_;
    Tmux tmux_;
};

std::string type_name_and_wait(ProgramRun& run, const std::string& name) {
    EXPECT_TRUE(run.terminal().wait_for("fájl neve?"));
    run.terminal().text(name);
    run.terminal().keys({"Enter"});
    return name;
}

const std::string TWO_BODY = "2\n1000 320 240 0 0\n1 320 140 3.1 0\n20 2 1.5\n";

// Gives the run a parameter file, types its name, and returns the canvas window.
unsigned long start(ProgramRun& run, XViewer& viewer, const std::string& name, const std::string& params) {
    run.file(name, params);
    type_name_and_wait(run, name);
    return viewer.find_window(TITLE);
}

}  // namespace

TEST(Program, MissingFileReportsAfterTheNameAndOpensNoWindow) {
    ProgramRun run("missing");
    XViewer viewer;
    ASSERT_TRUE(run.terminal().wait_for("A paramétereket tartalmazó fájl neve?"));
    EXPECT_EQ(run.terminal().row(0), "A paramétereket tartalmazó fájl neve?");
    type_name_and_wait(run, "no-such-file.txt");
    bool window_seen = false;
    for (int i = 0; i < 50 && !run.terminal().wait_for("Runtime error", 0); ++i) window_seen |= viewer.window_exists(TITLE);
    ASSERT_TRUE(run.terminal().wait_for("Runtime error 2 at 0x"));
    EXPECT_EQ(run.terminal().row(0), "A paramétereket tartalmazó fájl neve? no-such-file.txt");
    EXPECT_EQ(run.terminal().row(1).substr(0, 21), "Runtime error 2 at 0x");
    EXPECT_EQ(run.finish(), 2);
    EXPECT_FALSE(window_seen || viewer.window_exists(TITLE));
}

TEST(Program, WindowShowsExactlyFrameOneDuringTheDelay) {
    ProgramRun run("frame1");
    std::string params = "3\n1000 500 380 0 0\n1 500 280 3.1 0.7\n5 700 390 -1.25 2.5\n4000 2 6\n";
    std::string path = run.file("frame1.txt", params);
    type_name_and_wait(run, "frame1.txt");
    XViewer viewer;
    unsigned long window = viewer.find_window(TITLE);
    ASSERT_NE(window, 0u);
    pause_ms(700);
    auto image = viewer.image(window, 1024, 768);
    ASSERT_EQ(image.size(), 1024u * 768u);
    auto frame1 = frame_records(run_child({GRAVITY_TRACE, path, "1"}).out, 1);
    ASSERT_EQ(frame1.size(), 3u);
    auto expected = expected_frame(frame1, 1024, 768);
    int wrong = 0;
    for (size_t i = 0; i < expected.size(); ++i) wrong += image[i] != expected[i];
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(image[size_t(280 * 1024 + 500)], 0xFCFCFCu);
    run.terminal().text("x");
    ASSERT_TRUE(run.terminal().wait_for("Kilépéshez nyomja meg az Enter gombot", 8000));
    run.terminal().keys({"Enter"});
    EXPECT_EQ(run.finish(), 0);
}

TEST(Program, WindowOpensOnlyAfterTheWholeFileIsRead) {
    ProgramRun run("stdin");
    XViewer viewer;
    type_name_and_wait(run, "");  // the parameters come from the terminal itself
    run.terminal().text("2 1000 320 240 0 0\n1 320 140 3.1 0\n20 2\n");
    pause_ms(500);
    EXPECT_FALSE(viewer.window_exists(TITLE));  // C is still missing
    run.terminal().text("1.5\n");
    EXPECT_NE(viewer.find_window(TITLE), 0u);
    run.terminal().text("q");
    ASSERT_TRUE(run.terminal().wait_for("Kilépéshez", 5000));
    run.terminal().keys({"Enter"});
    EXPECT_EQ(run.finish(), 0);
}

TEST(Program, KeyStopsClosingLinesThenEnterEndsIt) {
    ProgramRun run("stop");
    XViewer viewer;
    ASSERT_NE(start(run, viewer, "two.txt", TWO_BODY), 0u);
    run.terminal().text("s");
    ASSERT_TRUE(run.terminal().wait_for("Kilépéshez nyomja meg az Enter gombot"));
    EXPECT_FALSE(viewer.window_exists(TITLE));
    EXPECT_EQ(run.terminal().row(1), "Gravitációs modell");
    EXPECT_EQ(run.terminal().row(2), "Kilépéshez nyomja meg az Enter gombot");
    pause_ms(300);
    EXPECT_TRUE(read_text_file(temp_dir() + "/stop.rc").empty());  // waiting for Enter
    run.terminal().keys({"Enter"});
    EXPECT_EQ(run.finish(), 0);
}

TEST(Program, EnterTypedAheadEndsAtOnceAndAnExtendedKeyLeavesItsCode) {
    ProgramRun ahead("ahead");
    XViewer viewer;
    ASSERT_NE(start(ahead, viewer, "two.txt", TWO_BODY), 0u);
    ahead.terminal().text("s");
    ahead.terminal().keys({"Enter"});
    EXPECT_EQ(ahead.finish(), 0);

    ProgramRun up("up");
    ASSERT_NE(start(up, viewer, "two.txt", TWO_BODY), 0u);
    up.terminal().keys({"Up"});
    ASSERT_TRUE(up.terminal().wait_for("Kilépéshez"));
    EXPECT_TRUE(up.terminal().wait_for("H", 2000));
    EXPECT_EQ(up.terminal().row(3), "H");
    up.terminal().keys({"Enter"});
    EXPECT_EQ(up.finish(), 0);
}

TEST(Program, WindowKeysAndClosingTheWindowDoNotStopIt) {
    ProgramRun run("window");
    XViewer viewer;
    unsigned long window = start(run, viewer, "two.txt", TWO_BODY);
    ASSERT_NE(window, 0u);
    viewer.send_key(window);
    viewer.send_click(window);
    pause_ms(300);
    EXPECT_TRUE(viewer.window_exists(TITLE));
    EXPECT_FALSE(run.terminal().wait_for("Gravitációs", 0));
    viewer.send_close(window);
    for (int i = 0; i < 100 && viewer.window_exists(TITLE); ++i) pause_ms(20);
    EXPECT_FALSE(viewer.window_exists(TITLE));
    pause_ms(300);
    EXPECT_TRUE(read_text_file(temp_dir() + "/window.rc").empty());
    EXPECT_FALSE(run.terminal().wait_for("Gravitációs", 0));  // frames go on unseen
    run.terminal().text("s");
    ASSERT_TRUE(run.terminal().wait_for("Kilépéshez"));
    run.terminal().keys({"Enter"});
    EXPECT_EQ(run.finish(), 0);
}

TEST(Program, NoBodiesGiveABlackCanvasAndZeroScaleWhiteDotsOnly) {
    XViewer viewer;
    ProgramRun empty("empty");
    empty.file("empty.txt", "0 100 1 1\n");
    type_name_and_wait(empty, "empty.txt");
    unsigned long window = viewer.find_window(TITLE);
    ASSERT_NE(window, 0u);
    pause_ms(300);
    EXPECT_TRUE(viewer.all_black(window, 1024, 768));
    empty.terminal().text("s");
    empty.terminal().keys({"Enter"});
    EXPECT_EQ(empty.finish(), 0);

    ProgramRun dots("dots");
    dots.file("dots.txt", "2\n1 100 100 5 5\n1 900 600 -5 0\n3000 0 0\n");
    type_name_and_wait(dots, "dots.txt");
    window = viewer.find_window(TITLE);
    ASSERT_NE(window, 0u);
    pause_ms(500);
    auto image = viewer.image(window, 1024, 768);
    std::set<uint32_t> colours(image.begin(), image.end());
    EXPECT_EQ(colours, (std::set<uint32_t>{0, 0xFCFCFC}));
    EXPECT_EQ(image[size_t(100 * 1024 + 100)], 0xFCFCFCu);
    EXPECT_EQ(image[size_t(600 * 1024 + 900)], 0xFCFCFCu);
    dots.terminal().text("s");
    dots.terminal().keys({"Enter"});
    EXPECT_EQ(dots.finish(), 0);
}

TEST(Program, BodyBeyondTheCoordinateRangeClosesTheWindowThenReports) {
    ProgramRun run("flying");
    XViewer viewer;
    ASSERT_NE(start(run, viewer, "fly.txt", "1\n1 500 32000 0 300\n150 0 1\n"), 0u);
    ASSERT_TRUE(run.terminal().wait_for("Runtime error 201 at 0x", 5000));
    EXPECT_FALSE(viewer.window_exists(TITLE));  // gone before the report was written
    EXPECT_EQ(run.finish(), 201);
}

TEST(Program, UnderAWindowManagerTheCanvasIsTheMaximisedClientArea) {
    XServer managed("1024x768x24", true);
    ProgramRun run("openbox", managed.display());
    run.file("two.txt", "2\n1000 320 240 0 0\n1 320 140 3.1 0\n3000 2 1.5\n");
    type_name_and_wait(run, "two.txt");
    XViewer viewer;  // on the managed display: XServer set DISPLAY
    unsigned long window = viewer.find_window(TITLE);
    ASSERT_NE(window, 0u);
    pause_ms(800);
    EXPECT_EQ(viewer.pixel(window, 320, 240), 0xFCFCFCu);  // canvas origin at the client's
    EXPECT_EQ(viewer.pixel(window, 324, 140), 0xA80000u);
    auto g = viewer.geometry(window);
    EXPECT_EQ(g.width, 1024);
    EXPECT_LT(g.height, 768);
    run.terminal().text("s");
    run.terminal().keys({"Enter"});
    EXPECT_EQ(run.finish(), 0);
    setenv("DISPLAY", display->display().c_str(), 1);
}

TEST(Robustness, LosingTheXServerIsLikeClosingTheWindow) {
    XServer lost("1024x768x24");
    ProgramRun run("lost", lost.display());
    run.file("two.txt", TWO_BODY);
    type_name_and_wait(run, "two.txt");
    {
        XViewer viewer;  // closed again before the server goes
        ASSERT_NE(viewer.find_window(TITLE), 0u);
    }
    lost.kill_server();
    pause_ms(500);
    EXPECT_TRUE(read_text_file(temp_dir() + "/lost.rc").empty());  // frames go on
    run.terminal().text("s");
    ASSERT_TRUE(run.terminal().wait_for("Kilépéshez nyomja meg az Enter gombot"));
    EXPECT_FALSE(run.terminal().wait_for("Runtime error", 0));
    run.terminal().keys({"Enter"});
    EXPECT_EQ(run.finish(), 0);
    setenv("DISPLAY", display->display().c_str(), 1);
}

TEST(Robustness, NoDisplayEndsAtTheFirstLineWithTheTerminalRestored) {
    ProgramRun run("nodisplay", "none");
    run.file("two.txt", TWO_BODY);
    type_name_and_wait(run, "two.txt");
    ASSERT_TRUE(run.terminal().wait_for("Error: Not in graphics mode (use InitGraph and test GraphResult afterwards)"));
    EXPECT_TRUE(run.terminal().wait_for("Window creation failed", 0));
    EXPECT_EQ(run.finish(), 1);
}

TEST(Robustness, BadParameterFilesGiveTheirNumbers) {
    struct Case {
        const char* name;
        std::string content;
        int code;
    };
    std::filesystem::create_directories(temp_dir() + "/a-directory");
    const Case cases[] = {
        {"a-directory", "", 5},
        {"missing-dir/file.txt", "", 3},
        {"garbage.bin", std::string("\x7f" "ELF\x02\x01\x00\x00\xff\xfe", 10), 106},
        {"bom.txt", "\xef\xbb\xbf" "2 1 2 3 4 5 1 2 3 4 5 0 1 1\n", 106},
    };
    for (const Case& c : cases) {
        if (!c.content.empty()) write_file(c.name, c.content);
        ProgramRun run(std::string("bad-") + (c.content.empty() ? "none" : c.name));
        type_name_and_wait(run, c.name);
        EXPECT_TRUE(run.terminal().wait_for("Runtime error " + std::to_string(c.code) + " at 0x")) << c.name;
        EXPECT_EQ(run.finish(), c.code) << c.name;
    }
}

TEST(Robustness, AFileTheUserMayNotReadGives5) {
    // Run as nobody: root may read any file. The file lies where nobody can reach it.
    char path[] = "/tmp/gravity-unreadable-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, TWO_BODY.data(), TWO_BODY.size()), ssize_t(TWO_BODY.size()));
    close(fd);
    chmod(path, 0);
    auto r = run_child({"/usr/bin/setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", GRAVITY_TRACE, path,
                        "1"});
    std::remove(path);
    EXPECT_EQ(r.exit_code, 5);
    EXPECT_NE(r.out.find("Runtime error 5 at 0x"), std::string::npos);
}

TEST(Robustness, UnusualNamesAFifoAndAHugeFileThatEndsEarly) {
    for (const char* name : {"with blanks.txt", "trailing blank ", "árvíztűrő.txt"}) {
        std::string path = write_file(name, TWO_BODY);
        auto r = run_child({GRAVITY_TRACE, "--print=none", path, "1"});
        EXPECT_EQ(r.exit_code, 0) << name;
    }
    auto trimmed = run_child({GRAVITY_TRACE, temp_dir() + "/trailing blank", "0"});
    EXPECT_EQ(trimmed.exit_code, 2);  // the blank is part of the name
    std::string fifo = temp_dir() + "/params.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::thread writer([&] { std::ofstream(fifo) << TWO_BODY; });
    auto r = run_child({GRAVITY_TRACE, "--print=none", fifo, "2"});
    writer.join();
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "P 2 20 2 1.5\n");
    std::string huge = write_file("huge.txt", TWO_BODY);
    ASSERT_EQ(truncate(huge.c_str(), 1LL << 30), 0);  // a gigabyte of zero bytes after C
    auto start = std::chrono::steady_clock::now();
    r = run_child({GRAVITY_TRACE, "--print=none", huge, "1"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));  // only what is needed is read
    std::remove(huge.c_str());
}

TEST(Robustness, ReportToAFullDiskAndInputAtItsEnd) {
    ProgramRun full("fulldisk", "", "> /dev/full");
    type_name_and_wait(full, "no-such-file.txt");
    EXPECT_EQ(full.finish(), 2);
    ProgramRun ended("eof", "", "< /dev/null");
    EXPECT_EQ(ended.finish(), 106);  // an empty name, then standard input at its end
}

TEST(Robustness, LongRunsKeepTheirMemory) {
    std::string three = std::string(EXAMPLES_DIR) + "/binary-star.txt";
    auto short_run = run_child({GRAVITY_TRACE, "--print=none", three, "20000"});
    auto long_run = run_child({GRAVITY_TRACE, "--print=none", three, "200000"});
    EXPECT_EQ(short_run.exit_code, 0);
    EXPECT_EQ(long_run.exit_code, 0);
    EXPECT_LE(long_run.max_rss_kb, short_run.max_rss_kb + 256);
}

TEST(Robustness, AWholeRunIsCleanUnderMemcheck) {
    std::string log = temp_dir() + "/memcheck.log";
    ProgramRun run("memcheck", "", "",
                   "valgrind --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite --log-file=" + log);
    ASSERT_TRUE(run.terminal().wait_for("fájl neve?", 30000));
    run.terminal().text(std::string(EXAMPLES_DIR) + "/star-planets.txt");
    run.terminal().keys({"Enter"});
    XViewer viewer;
    ASSERT_NE(viewer.find_window(TITLE, 30000), 0u);
    pause_ms(1000);
    run.terminal().text("s");
    ASSERT_TRUE(run.terminal().wait_for("Kilépéshez", 30000));
    run.terminal().keys({"Enter"});
    EXPECT_EQ(run.finish(), 0);
    std::string report = read_text_file(log);
    EXPECT_NE(report.find("ERROR SUMMARY: 0 errors"), std::string::npos) << report;
    EXPECT_NE(report.find("definitely lost: 0 bytes"), std::string::npos) << report;
}
