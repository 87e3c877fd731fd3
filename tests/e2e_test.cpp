// The whole program as a user runs it: in a terminal (tmux), its window on the tests'
// own Xvfb, driven by keys; the terminal's mode must be the same after every way out.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/support/child.h"
#include "tests/support/pictures.h"
#include "tests/support/tmux.h"
#include "tests/support/xserver.h"

using namespace testsupport;

namespace {

const std::string TITLE = "Graph window application";
const int LONG = 60000;  // ms: a limit for waiting on a busy machine, never a pause
XServer* display = nullptr;

template <typename Condition>
bool eventually(Condition done) {
    for (auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(LONG); !done();)
        if (std::chrono::steady_clock::now() > end) return false;
        else std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return true;
}

struct Display : ::testing::Environment {
    void SetUp() override { display = new XServer("1024x768x24"); }
    void TearDown() override { delete display; }
};
[[maybe_unused]] auto* const environment = ::testing::AddGlobalTestEnvironment(new Display);

// One run of the program in a terminal, its file in the test's directory, between two
// readings of the terminal's mode; wrapper: a command it runs under (valgrind).
class ProgramRun {
public:
    ProgramRun(const std::string& name, const std::string& params, const std::string& x = display->display(),
               const std::string& wrapper = "")
        : base_(temp_dir() + "/" + name),
          tmux_("cd " + temp_dir() + "; trap '' INT; stty -g > " + base_ + ".before; DISPLAY=" + x +
                    " LANG=C.UTF-8 " + wrapper + " " + GRAVITY + "; echo $? > " + base_ + ".rc; stty -g > " + base_ +
                    ".after; exec sleep 600",  // a live pane: tmux scrolls a dead one for its notice
                100, 30) {
        if (!params.empty()) write_file(name + ".txt", params);
        EXPECT_TRUE(see("fájl neve?"));
        tmux_.text(params.empty() ? name : name + ".txt");
        tmux_.keys({"Enter"});
    }
    Tmux& terminal() { return tmux_; }
    bool see(const std::string& text) { return tmux_.wait_for(text, LONG); }
    // Waits for the end and returns the exit code; the terminal mode must be as before.
    int finish() {
        std::string after, rc = base_ + ".rc";
        EXPECT_TRUE(eventually([&] { return !(after = read_text_file(base_ + ".after")).empty(); }));
        EXPECT_EQ(read_text_file(base_ + ".before"), after) << "terminal mode changed";
        rc = read_text_file(rc);
        return rc.empty() ? -1 : std::stoi(rc);
    }
    void stop_and_end() {
        tmux_.text("s");
        ASSERT_TRUE(see("Kilépéshez nyomja meg az Enter gombot"));
        tmux_.keys({"Enter"});
        EXPECT_EQ(finish(), 0);
    }

private:
    std::string base_;
    Tmux tmux_;
};

const std::string TWO_BODY = "2\n1000 320 240 0 0\n1 320 140 3.1 0\n20 2 1.5\n";

}  // namespace

TEST(Program, ShowsEachFrameAsTheTraceToolDrawsItThenEndsOnAKeyAndEnter) {
    const int frames = 3;
    ProgramRun run("frames", "3\n1000 500 380 0 0\n1 500 280 3.1 0.7\n5 700 390 -1.25 2.5\n2000 2 6\n");
    XViewer viewer;
    unsigned long window = viewer.find_window(TITLE, LONG);
    ASSERT_NE(window, 0u);
    auto size = viewer.geometry(window);
    std::string dir = temp_dir() + "/frames-png";
    auto trace = run_child({GRAVITY_TRACE, "--print=none", "--size", std::to_string(size.width) + "x" +
                            std::to_string(size.height), "--frames-png", dir, temp_dir() + "/frames.txt",
                            std::to_string(frames)});
    ASSERT_EQ(trace.exit_code, 0) << trace.err;
    for (int k = 1; k <= frames; ++k) {  // each frame stays two seconds: catch it then
        char name[32];
        std::snprintf(name, sizeof name, "/frame-%06d.png", k);
        int w = 0, h = 0;
        auto expected = read_png(dir + name, w, h);
        ASSERT_EQ(w * h, size.width * size.height);
        ASSERT_TRUE(eventually([&] { return viewer.image(window, w, h) == expected; })) << "frame " << k;
    }
    run.terminal().keys({"Up"});  // an extended key: its second code waits for the last line
    ASSERT_TRUE(run.see("Kilépéshez nyomja meg az Enter gombot"));
    EXPECT_FALSE(viewer.window_exists(TITLE));
    EXPECT_EQ(run.terminal().row(1), "Gravitációs modell");
    ASSERT_TRUE(run.see("H"));
    EXPECT_EQ(run.terminal().row(3), "H");
    EXPECT_TRUE(read_text_file(temp_dir() + "/frames.rc").empty());  // waiting for Enter
    run.terminal().keys({"Enter"});
    EXPECT_EQ(run.finish(), 0);
}

TEST(Program, WindowOpensOnlyAfterTheWholeFileIsRead) {
    ProgramRun run("", "");  // an empty name: the numbers come from the terminal itself
    XViewer viewer;
    run.terminal().text("2 1000 320 240 0 0\n1 320 140 3.1 0\n20 2\n");
    ASSERT_TRUE(run.see("20 2")) << testing::PrintToString(run.terminal().screen());  // echoed by the program as it reads
    for (int i = 0; i < 50; ++i) ASSERT_FALSE(viewer.window_exists(TITLE)) << "C is still missing";
    run.terminal().text("1.5\n");
    EXPECT_NE(viewer.find_window(TITLE, LONG), 0u);
    run.stop_and_end();
}

TEST(Program, ErrorsReportWithTheWindowGoneFirst) {
    struct Case {
        const char* name;
        std::string params;
        int code;
    } const cases[] = {{"no-such-file.txt", "", 2}, {"flying", "1\n1 500 31000 0 300\n150 0 1\n", 201}};
    XViewer viewer;
    for (const Case& c : cases) {
        ProgramRun run(c.name, c.params);
        if (!c.params.empty()) {
            EXPECT_NE(viewer.find_window(TITLE, LONG), 0u) << c.name;
        }
        ASSERT_TRUE(run.see("Runtime error " + std::to_string(c.code) + " at 0x")) << c.name;
        EXPECT_FALSE(viewer.window_exists(TITLE)) << c.name;
        EXPECT_EQ(run.finish(), c.code) << c.name;
    }
}

TEST(Program, LosingTheXServerIsLikeClosingTheWindow) {
    XServer lost("1024x768x24");
    ProgramRun run("lost", TWO_BODY, lost.display());
    {
        XViewer viewer;  // closed again before the server goes
        ASSERT_NE(viewer.find_window(TITLE, LONG), 0u);
    }
    lost.kill_server();
    run.stop_and_end();  // the frames went on: the key still stops them
    EXPECT_FALSE(run.terminal().wait_for("Runtime error", 0));
    setenv("DISPLAY", display->display().c_str(), 1);
}

TEST(Program, AWholeRunIsCleanUnderMemcheck) {
    std::string log = temp_dir() + "/memcheck.log";
    ProgramRun run("memcheck", TWO_BODY, display->display(),
                   "valgrind --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite --log-file=" + log);
    XViewer viewer;
    ASSERT_NE(viewer.find_window(TITLE, LONG), 0u);
    run.stop_and_end();
    std::string report = read_text_file(log);
    EXPECT_NE(report.find("ERROR SUMMARY: 0 errors"), std::string::npos) << report;
    EXPECT_NE(report.find("definitely lost: 0 bytes"), std::string::npos) << report;
}
