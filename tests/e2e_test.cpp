// The whole program as a user runs it: in a terminal (tmux), its window on the tests'
// own Xvfb, driven by keys; the terminal's mode must be the same after every way out.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <tuple>

#include "tests/support/child.h"
#include "tests/support/pictures.h"
#include "tests/support/tmux.h"
#include "tests/support/xserver.h"

using namespace testsupport;

namespace {

const std::string TITLE = "Graph window application", CLOSING = "Kilépéshez nyomja meg az Enter gombot";
const int LONG = 60000;  // ms: a limit for waiting on a busy machine, never a pause

XServer& display() {
    static XServer server("1024x768x24");
    return server;
}

bool eventually(const std::function<bool()>& done) { return wait_for(done, LONG); }

// One run of the program in a terminal: writes params (if any) to NAME.txt, types that name (else NAME)
// or gives it as the argument, and reads the terminal's mode before and after; wrapper: valgrind.
struct ProgramRun {
    ProgramRun(const std::string& name, const std::string& params, const std::string& x = display().display(),
               const std::string& wrapper = "", bool typed = true)
        : base(temp_dir() + "/" + name + "-run"),
          term("cd " + temp_dir() + "; trap '' INT; stty -g > " + base + ".before; DISPLAY=" + x + " LANG=C.UTF-8 " +
                   wrapper + " " + command_of(GRAVITY) + (typed ? "" : " " + name) + "; echo $? > " + base + ".rc; stty -g > " + base +
                   ".after; exec sleep 600",  // a live pane: tmux scrolls a dead one for its notice
               100, 30) {
        if (!params.empty()) write_file(name + ".txt", params);
        EXPECT_TRUE(see(typed ? "fájl neve?" : "fájl neve? " + name));  // as if typed
        if (!typed) return;
        term.text(params.empty() ? name : name + ".txt");
        term.keys({"Enter"});
    }
    bool see(const std::string& text) { return term.wait_for(text, LONG); }
    bool ended() { return !read_text_file(base + ".after").empty(); }
    // Waits for the end and returns the exit code; the terminal mode must be as before.
    int finish() {
        EXPECT_TRUE(eventually([&] { return ended(); }));
        EXPECT_EQ(read_text_file(base + ".before"), read_text_file(base + ".after")) << "terminal mode changed";
        std::string rc = read_text_file(base + ".rc");
        return rc.empty() ? -1 : std::stoi(rc);
    }
    std::string base;
    Tmux term;
};

}  // namespace

// Under memcheck (not in the sanitizer build: valgrind cannot run it).
TEST(Program, ShowsEachFrameAsTheTraceToolDrawsItEndsOnAKeyAndEnterCleanUnderMemcheck) {
    const int frames = 2;  // each stays ten seconds on the screen: hundreds of looks, on a busy machine too
    std::string log = temp_dir() + "/memcheck.log";
    ProgramRun run("frames", "3\n1000 500 380 0 0\n1 500 280 3.1 0.7\n5 700 390 -1.25 2.5\n10000 2 6\n",
                   display().display(),
                   emulated() ? "" : "valgrind --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite --log-file=" + log);
    XViewer viewer;
    unsigned long window = viewer.find_window(TITLE, LONG);
    ASSERT_NE(window, 0u);
    auto size = viewer.geometry(window);
    std::string dir = temp_dir() + "/png", canvas = std::to_string(size.width) + "x" + std::to_string(size.height);
    auto trace = run_child({GRAVITY_TRACE, "--print=none", "--size", canvas, "--frames-png", dir,
                            temp_dir() + "/frames.txt", std::to_string(frames)});
    ASSERT_EQ(trace.exit_code, 0) << trace.err;
    for (int k = 1; k <= frames; ++k) {
        auto expected = read_png(dir + "/frame-00000" + std::to_string(k) + ".png");
        ASSERT_EQ(expected.size(), size_t(size.width) * size_t(size.height));
        ASSERT_TRUE(eventually([&] { return viewer.image(window, size.width, size.height) == expected; }))
            << "frame " << k;
    }
    run.term.keys({"Up"});  // an extended key: its second code waits for the last line
    ASSERT_TRUE(run.see(CLOSING));
    EXPECT_FALSE(viewer.window_exists(TITLE));
    EXPECT_EQ(run.term.row(1), "Gravitációs modell");
    EXPECT_EQ(run.term.row_once(3, "H"), "H");
    EXPECT_FALSE(run.ended());  // waiting for Enter
    run.term.keys({"Enter"});
    EXPECT_EQ(run.finish(), 0);
    if (emulated()) return;  // valgrind cannot look inside the emulator's program
    std::string report = read_text_file(log);
    EXPECT_NE(report.find("ERROR SUMMARY: 0 errors"), std::string::npos) << report;
    EXPECT_NE(report.find("definitely lost: 0 bytes"), std::string::npos) << report;
}

TEST(Program, ErrorsReportWithTheWindowGoneFirst) {
    display();  // the viewer's DISPLAY
    XViewer viewer;
    for (auto [name, params, code, words] :  // the first, given as the argument: no window at all
         {std::tuple{"no-such-file.txt", "", 2, "gravity: no-such-file.txt: no such file (run-time error 2)"},
          std::tuple{"flying", "1\n1 500 31000 0 300\n150 0 1\n", 201, "gravity: range check: a value beyond its range (run-time error 201)"}}) {
        ProgramRun run(name, params, display().display(), "", *params != 0);
        if (*params) { EXPECT_NE(viewer.find_window(TITLE, LONG), 0u) << name; }
        ASSERT_TRUE(run.see("Runtime error " + std::to_string(code) + " at 0x")) << name;
        EXPECT_TRUE(run.see(words));
        EXPECT_FALSE(viewer.window_exists(TITLE)) << name;
        EXPECT_EQ(run.finish(), code) << name;
        EXPECT_EQ(viewer.windows_created() != 0, *params != 0) << name;  // in the whole run, now ended
    }
}

// On a server of its own that goes away during the run; the file is a FIFO, so the
// test sees when the program has read what it was given.
TEST(Program, WindowOpensOnlyAfterTheWholeFileIsReadAndLosingTheXServerIsLikeClosingIt) {
    XServer lost("1024x768x24");
    std::string fifo = temp_dir() + "/params.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ProgramRun run("params.fifo", "", lost.display());
    int params = open(fifo.c_str(), O_WRONLY), unread = -1;  // once the program has opened it
    std::string most = "2\n1000 320 240 0 0\n1 320 140 3.1 0\n20 2 ";
    ASSERT_EQ(write(params, most.data(), most.size()), ssize_t(most.size()));  // all but C
    ASSERT_TRUE(eventually([&] { return ioctl(params, FIONREAD, &unread) == 0 && unread == 0; }));
    {
        XViewer viewer;  // closed again before the server goes
        for (int i = 0; i < 50; ++i) ASSERT_FALSE(viewer.window_exists(TITLE)) << "C is still missing";
        ASSERT_EQ(write(params, "1.5\n", 4), 4);
        close(params);  // a block is read until it is full or the file ends
        ASSERT_NE(viewer.find_window(TITLE, LONG), 0u);
    }
    lost.kill_server();
    run.term.text("s");  // the frames went on: the key still stops them
    ASSERT_TRUE(run.see(CLOSING)) << testing::PrintToString(run.term.screen());
    EXPECT_FALSE(run.term.wait_for("Runtime error", 0));
    run.term.keys({"Enter"});
    EXPECT_EQ(run.finish(), 0);
}
