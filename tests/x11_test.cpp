// The canvas window under the tests' own Xvfb (no window manager): what a user sees
// of it, read back through a second connection.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "graphics/canvas.h"
#include "graphics/graph.h"
#include "graphics/line.h"
#include "runtime/wait.h"
#include "tests/support/child.h"
#include "tests/support/xserver.h"

using namespace graphics;
using namespace testsupport;

namespace {

const std::string TITLE = "Graph window application";

XServer* server = nullptr;

class Display : public ::testing::Environment {
public:
    void SetUp() override {
        server = new XServer("1024x768x24");
        graphics::initialize();
    }
    void TearDown() override { delete server; }
};

[[maybe_unused]] auto* const environment = ::testing::AddGlobalTestEnvironment(new Display);

void wait_until(const std::function<bool()>& done) {
    for (int i = 0; i < 300 && !done(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

bool running() {
    std::lock_guard<std::mutex> hold(GRAPHDRAWING);
    return GRAPHRUNNING;
}

class CanvasWindow : public ::testing::Test {
protected:
    void open(int16_t mode = 0) {
        int16_t driver = 0, detected = 0;
        graphics::DETECTGRAPH(driver, detected);
        if (mode == 0) mode = detected;
        INITGRAPH(driver, mode, "");
        ASSERT_EQ(GRAPHRESULT, 0);
        window = viewer.find_window(TITLE);
        ASSERT_NE(window, 0u);
    }
    void TearDown() override {
        CLOSEGRAPH();
        EXPECT_FALSE(viewer.window_exists(TITLE));
    }
    XViewer viewer;
    unsigned long window = 0;
};

}  // namespace

TEST(ScreenMetrics, WithoutAWindowManagerTheWholeScreen) {
    EXPECT_EQ(screen_metrics.screen_width, 1024);
    EXPECT_EQ(screen_metrics.screen_height, 768);
    EXPECT_EQ(screen_metrics.frame_width, 0);
    EXPECT_EQ(screen_metrics.caption_height, 0);
    EXPECT_EQ(screen_metrics.full_width, 1024);
    EXPECT_EQ(screen_metrics.full_height, 768);
}

TEST_F(CanvasWindow, OpensBlackWithTheTitleAndTheCanvasSize) {
    open();
    EXPECT_EQ(GETMAXX(), 1023);
    EXPECT_EQ(GETMAXY(), 767);
    auto g = viewer.geometry(window);
    EXPECT_EQ(g.width, 1024);
    EXPECT_EQ(g.height, 768);
    EXPECT_TRUE(viewer.all_black(window, 1024, 768));
}

TEST_F(CanvasWindow, NormalModeHasAClientAreaOfExactlyTheCanvas) {
    open(3);  // 800 x 600 x 256
    EXPECT_EQ(GETMAXX(), 799);
    auto g = viewer.geometry(window);
    EXPECT_EQ(g.width, 800);
    EXPECT_EQ(g.height, 600);
}

TEST_F(CanvasWindow, DrawnPixelsAreOnTheScreenBeforeAWait) {
    open();
    SETCOLOR(4);
    LINE(10, 10, 60, 30);
    PUTPIXEL(10, 10, 15);
    LINE(0, 100, 1023, 100);
    runtime::before_wait();  // what DELAY does first
    EXPECT_EQ(viewer.pixel(window, 10, 10), 0xFCFCFCu);
    EXPECT_EQ(viewer.pixel(window, 60, 30), 0xA80000u);
    EXPECT_EQ(viewer.pixel(window, 1023, 100), 0xA80000u);
    EXPECT_EQ(viewer.pixel(window, 11, 12), 0u);
    SETCOLOR(0);
    LINE(10, 10, 60, 30);
    LINE(0, 100, 1023, 100);
    runtime::before_wait();
    EXPECT_TRUE(viewer.all_black(window, 1024, 768));
}

TEST_F(CanvasWindow, HiddenWindowGetsItsPictureBack) {
    open();
    SETCOLOR(4);
    LINE(5, 5, 5, 50);
    runtime::before_wait();
    viewer.unmap(window);
    LINE(200, 300, 400, 300);  // drawn while hidden
    PUTPIXEL(700, 700, 15);
    runtime::before_wait();
    viewer.map(window);
    wait_until([&] { return viewer.pixel(window, 700, 700) == 0xFCFCFCu; });
    EXPECT_EQ(viewer.pixel(window, 5, 20), 0xA80000u);
    EXPECT_EQ(viewer.pixel(window, 300, 300), 0xA80000u);
    EXPECT_EQ(viewer.pixel(window, 700, 700), 0xFCFCFCu);
}

TEST_F(CanvasWindow, KeysAndClicksHaveNoEffect) {
    open();
    viewer.send_key(window);
    viewer.send_click(window);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(running());
    EXPECT_TRUE(viewer.window_exists(TITLE));
    PUTPIXEL(1, 1, 15);
    runtime::before_wait();
    EXPECT_EQ(viewer.pixel(window, 1, 1), 0xFCFCFCu);
}

TEST_F(CanvasWindow, CloseRequestStopsDrawingWithoutAnError) {
    open();
    viewer.send_close(window);
    wait_until([] { return !running(); });
    EXPECT_FALSE(running());
    EXPECT_FALSE(viewer.window_exists(TITLE));
    SETCOLOR(4);
    LINE(0, 0, 500, 300);  // into nothing
    PUTPIXEL(3, 3, 15);
    runtime::before_wait();
    EXPECT_TRUE(ISGRAPHMODE);
}

TEST_F(CanvasWindow, CloseGraphReturnsOnceTheWindowIsGone) {
    open();
    CLOSEGRAPH();
    EXPECT_FALSE(ISGRAPHMODE);
    EXPECT_FALSE(running());
    EXPECT_FALSE(viewer.window_exists(TITLE));  // no waiting: the server has destroyed it
    CLOSEGRAPH();
    EXPECT_EQ(GRAPHRESULT, -1);
}

TEST(CanvasProcess, RunTimeErrorClosesTheWindowBeforeTheReport) {
    XViewer viewer;
    auto r = run_child({CANVAS_CASES, "error_with_window"});
    EXPECT_EQ(r.exit_code, 201);
    EXPECT_EQ(r.out.rfind("window was open\r\nRuntime error 201 at 0x", 0), 0u) << r.out;
    EXPECT_FALSE(viewer.window_exists(TITLE));
}

TEST(CanvasProcess, NoDisplayGivesTheMessageThenTheNotInGraphicsModeStop) {
    auto r = run_child({"/usr/bin/env", "-u", "DISPLAY", CANVAS_CASES, "draw"});
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err,
              "Window creation failed\n"
              "Error: Not in graphics mode (use InitGraph and test GraphResult afterwards)\r\n");
    EXPECT_EQ(r.out, "result -11\r\n");
}
