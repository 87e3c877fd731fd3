// The canvas window under a real window manager (openbox on the tests' own Xvfb):
// the metrics come from it, and a maximised canvas window's client area is the canvas.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "graphics/graph.h"
#include "graphics/line.h"
#include "graphics/modes.h"
#include "runtime/wait.h"
#include "tests/support/xserver.h"

using namespace graphics;
using namespace testsupport;

TEST(WindowManager, MetricsComeFromTheManagerAndTheMaximisedWindowFitsTheCanvas) {
    XServer server("1024x768x24", true);
    graphics::initialize();
    const ScreenMetrics& m = screen_metrics;
    EXPECT_EQ(m.screen_width, 1024);
    EXPECT_GT(m.caption_height, 0);  // openbox has a title bar
    EXPECT_LE(m.full_width, 1024);
    EXPECT_LT(m.full_height, 768);
    int16_t driver = 0, mode = 0;
    graphics::DETECTGRAPH(driver, mode);
    const Mode* chosen = lookup_mode(mode_table, driver, mode);
    ASSERT_NE(chosen, nullptr);
    std::printf("metrics: screen %dx%d frame %dx%d caption %d full %dx%d; mode %s\n", m.screen_width,
                m.screen_height, m.frame_width, m.frame_height, m.caption_height, m.full_width, m.full_height,
                std::string(chosen->name.view()).c_str());
    INITGRAPH(driver, mode, "");
    ASSERT_EQ(GRAPHRESULT, 0);
    XViewer viewer;
    unsigned long window = viewer.find_window("Graph window application");
    ASSERT_NE(window, 0u);
    XViewer::Geometry g;
    for (int i = 0; i < 100; ++i) {  // the manager maximises it after mapping
        g = viewer.geometry(window);
        if (g.width == GETMAXX() + 1 && g.height == GETMAXY() + 1) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(g.width, GETMAXX() + 1);
    EXPECT_EQ(g.height, GETMAXY() + 1);
    SETCOLOR(4);
    LINE(0, 0, GETMAXX(), GETMAXY());
    runtime::before_wait();
    EXPECT_EQ(viewer.pixel(window, GETMAXX(), GETMAXY()), 0xA80000u);
    CLOSEGRAPH();
    EXPECT_FALSE(viewer.window_exists("Graph window application"));
}
