// The canvas window on the tests' own Xvfb without a window manager: what a user sees
// of it, read back through a second connection; and the ways a process with a canvas ends.
#include <gtest/gtest.h>

#include "graphics/canvas.h"
#include "graphics/graph.h"
#include "runtime/wait.h"
#include "tests/support/child.h"
#include "tests/support/xserver.h"

using namespace graphics;
using namespace testsupport;

namespace {

const std::string TITLE = "Graph window application";
constexpr uint32_t RED_PIXEL = 0xA80000, WHITE_PIXEL = 0xFCFCFC;

struct Bare : ::testing::Environment {
    XServer* server = nullptr;
    void SetUp() override { server = new XServer("1024x768x24"); }
    void TearDown() override { delete server; }
};
[[maybe_unused]] auto* const bare = ::testing::AddGlobalTestEnvironment(new Bare);

struct CanvasWindow : ::testing::Test {
    XViewer viewer;
    unsigned long window = 0;
    void open() { ASSERT_NE(window = open_canvas_as_the_program_does(viewer), 0u); }
    void TearDown() override {
        CLOSEGRAPH();
        EXPECT_FALSE(viewer.window_exists(TITLE));  // no waiting: the server has destroyed it
        EXPECT_FALSE(canvas_running());
    }
};

}  // namespace

TEST_F(CanvasWindow, WithoutAManagerTheWholeScreenOpensBlackAndShowsEachPixelBeforeAWait) {
    open();
    EXPECT_EQ(GETMAXX(), 1023);
    EXPECT_EQ(GETMAXY(), 767);
    EXPECT_EQ(viewer.geometry(window).height, 768);
    EXPECT_TRUE(viewer.all_black(window, 1024, 768));
    SETCOLOR(4);
    LINE(10, 10, 60, 30);
    PUTPIXEL(10, 10, 15);
    runtime::before_wait();  // what DELAY does first
    EXPECT_EQ(viewer.pixel(window, 10, 10), WHITE_PIXEL);
    EXPECT_EQ(viewer.pixel(window, 60, 30), RED_PIXEL);
    SETCOLOR(0);
    LINE(10, 10, 60, 30);
    runtime::before_wait();
    EXPECT_TRUE(viewer.all_black(window, 1024, 768));
}

TEST_F(CanvasWindow, HiddenWindowGetsItsPictureBack) {
    open();
    SETCOLOR(4);
    LINE(5, 5, 5, 50);
    runtime::before_wait();
    viewer.show(window, false);
    PUTPIXEL(700, 700, 15);  // drawn while hidden
    runtime::before_wait();
    viewer.show(window, true);
    EXPECT_TRUE(wait_for([&] { return viewer.pixel(window, 700, 700) == WHITE_PIXEL; }));
    EXPECT_EQ(viewer.pixel(window, 5, 20), RED_PIXEL);
}

TEST_F(CanvasWindow, KeysAndClicksHaveNoEffectAndACloseRequestStopsDrawing) {
    open();
    viewer.send_key(window);
    viewer.send_click(window);
    viewer.sync();
    PUTPIXEL(1, 1, 15);
    runtime::before_wait();  // the window thread has read everything the server had for it
    EXPECT_EQ(viewer.pixel(window, 1, 1), WHITE_PIXEL);
    viewer.send_close(window);
    EXPECT_TRUE(wait_for([] { return !canvas_running(); }));
    EXPECT_FALSE(viewer.window_exists(TITLE));
    LINE(0, 0, 500, 300);  // into nothing
    EXPECT_TRUE(ISGRAPHMODE());
}

TEST(CanvasProcess, RunTimeErrorClosesTheWindowBeforeTheReport) {
    XViewer viewer;
    auto r = run_child({CANVAS_CASES, "error_with_window"});
    EXPECT_EQ(r.exit_code, 201);
    EXPECT_EQ(r.out.rfind("open\r\nRuntime error 201 at 0x", 0), 0u) << r.out;
    EXPECT_FALSE(viewer.window_exists(TITLE));
}

// DISPLAY unset, no server there, or (planted) a window thread that cannot start, as with no room for its stack.
TEST(CanvasProcess, NoDisplayOrAPlantedWindowThreadStartFailureGivesTheMessageThenTheNotInGraphicsModeStop) {
    std::vector<std::pair<std::string, std::string>> ways = {{"--unset=DISPLAY", "DISPLAY is not set"}, {"DISPLAY=:987", "there is none at DISPLAY=:987"}};
#ifdef GRAVITY_PLANTED_FAULTS
    ways.push_back({"GRAVITY_PLANT=thread-start/throw", ""});  // the display was there: nothing more to say
#endif
    for (const auto& [env, lack] : ways) {
        auto r = run_child({"/usr/bin/env", env, CANVAS_CASES, "draw"});
        EXPECT_EQ(r.exit_code, 1) << env;
        EXPECT_EQ(r.err, "Window creation failed\nError: Not in graphics mode (use InitGraph and test GraphResult afterwards)\r\n" +
                             (lack.empty() ? "" : "canvas_cases: the window needs an X display, and " + lack + ": see \"A display and a terminal\" in the README\r\n"));
        EXPECT_EQ(r.out, "result -11\r\n");
    }
}

#ifdef GRAVITY_PLANTED_FAULTS
// A fault on the window thread, or inside a pixel write that holds the drawing lock:
// one report, its number as the exit code, the window gone, no hang.
TEST(CanvasProcess, PlantedFaultsOnEitherThreadEndWithOneReportAndNoWindow) {
    for (auto [place, number] : {std::pair{"window", 216}, {"window/div", 200}, {"pixel", 216}, {"pixel/div", 200}}) {
        XViewer viewer;
        auto r = run_child({"/usr/bin/env", std::string("GRAVITY_PLANT=") + place, CANVAS_CASES, "draw_forever"});
        EXPECT_EQ(r.exit_code, number) << place;
        auto first = r.out.find("Runtime error " + std::to_string(number) + " at 0x");
        EXPECT_NE(first, std::string::npos) << place << r.out;
        EXPECT_EQ(r.out.find("Runtime error", first + 1), std::string::npos) << place << r.out;
        EXPECT_FALSE(viewer.window_exists(TITLE)) << place;
    }
}
#endif
