// The canvas window under real window managers, each on its own Xvfb: the metrics
// come from the manager, a maximised window's client area is exactly the canvas, and
// the window shows exactly the picture drawn.
#include <gtest/gtest.h>

#include "graphics/graph.h"
#include "graphics/canvas.h"
#include "graphics/x11/xlib.h"
#include "runtime/wait.h"
#include "tests/support/pictures.h"
#include "tests/support/xserver.h"

using namespace graphics;
using namespace testsupport;

namespace {

const std::string TITLE = "Graph window application";

struct Managed : ::testing::TestWithParam<const char*> {
    XServer server{"1024x768x24", std::vector<std::string>{GetParam()}};
    XViewer viewer;
    unsigned long window = 0;

    // Opens the canvas the way the program does and draws a frame that touches every edge.
    void open_and_draw() {
        ASSERT_NE(window = open_canvas_as_the_program_does(viewer), 0u);
        SETCOLOR(4);
        for (const auto& f : frame()) {
            LINE(Coord(f.x1), Coord(f.y1), Coord(f.x2), Coord(f.y2));
            PUTPIXEL(Coord(f.x1), Coord(f.y1), 15);
        }
        runtime::before_wait();
    }
    std::vector<FrameRecord> frame() const {
        return {{0, 0, GETMAXX(), GETMAXY()}, {GETMAXX(), 0, 0, GETMAXY()}, {0, GETMAXY(), GETMAXX(), GETMAXY()},
                {GETMAXX(), 0, GETMAXX(), GETMAXY()}, {5, 3, 400, 101}};
    }
    // The client area shows the canvas at its top-left, black beyond it.
    void expect_picture() {
        const int w = GETMAXX() + 1, h = GETMAXY() + 1;
        XViewer::Geometry g;
        int wrong = -1, hidden = 0;
        wait_for([&] {  // the manager may still be placing and sizing it
            g = viewer.geometry(window);
            auto shown = viewer.image(window, g.width, g.height);
            auto want = expected_frame(frame(), w, h);
            wrong = shown.empty() ? -1 : 0, hidden = 0;
            for (int y = 0; y < g.height && wrong >= 0; ++y)
                for (int x = 0; x < g.width; ++x) {
                    uint32_t p = shown[size_t(y * g.width + x)];
                    wrong += p != XViewer::NOT_SEEN && p != (x < w && y < h ? want[size_t(y * w + x)] : 0u);
                    hidden += p == XViewer::NOT_SEEN;
                }
            return wrong == 0;
        });
        std::printf("%s: metrics frame %d x %d caption %d, maximised %d x %d; client %d x %d (%d pixels off the "
                    "screen), canvas %d x %d%s\n",
                    GetParam(), screen_metrics().frame_width, screen_metrics().frame_height, screen_metrics().caption_height,
                    screen_metrics().full_width, screen_metrics().full_height, g.width, g.height, hidden, w, h,
                    viewer.maximized(window) ? ", maximised" : "");
        EXPECT_EQ(wrong, 0);
    }
    void TearDown() override {
        CLOSEGRAPH();
        EXPECT_FALSE(viewer.window_exists(TITLE));
    }
};

}  // namespace

TEST_P(Managed, WindowManagerMaximisesTheWindowAndItsClientAreaIsTheCanvas) {
    open_and_draw();
    EXPECT_GT(screen_metrics().caption_height, 0);
    EXPECT_TRUE(wait_for([&] { return viewer.maximized(window); }));
    std::unique_ptr<Display, int (*)(Display*)> d(XOpenDisplay(nullptr), XCloseDisplay);
    EXPECT_TRUE(x11::fills_work_area(d.get(), Window(window)));  // what the canvas waited for, as the manager gave it
    auto g = viewer.geometry(window);
    EXPECT_EQ(g.width, GETMAXX() + 1);
    EXPECT_EQ(g.height, GETMAXY() + 1);
    expect_picture();
}

// A panel at the side narrows the maximised window below the usable width: the
// largest normal window wins and gets a client area of exactly W x H (or what the
// manager clamps it to, the canvas then cut at the right and bottom).
TEST_P(Managed, WindowManagerWithASidePanelGivesTheLargestNormalWindow) {
    viewer.add_side_panel(100);
    open_and_draw();
    EXPECT_EQ(GETMAXX() + 1, usable_width(screen_metrics()));
    EXPECT_EQ(GETMAXY() + 1, usable_height(screen_metrics()));
    EXPECT_FALSE(viewer.maximized(window));
    auto g = viewer.geometry(window);
    EXPECT_LE(g.width, GETMAXX() + 1);
    EXPECT_LE(g.height, GETMAXY() + 1);
    expect_picture();
}

// A maximised window's frame fills a work area of 1024 x 742 once the manager has
// sized it, also with borders past the edges (icewm); not before it is sized or framed.
TEST(MaximisedFrame, FillsTheWorkAreaOnlyOnceSized) {
    const struct { x11::Box client; x11::Extents frame; bool fills; } cases[] = {
        {{0, 19, 1024, 723}, {5, 5, 24, 5}, true},  {{0, 19, 1024, 742}, {5, 5, 24, 5}, false},
        {{4, 27, 1016, 711}, {4, 4, 27, 4}, true},  {{0, 0, 1024, 742}, {4, 4, 27, 4}, false},
        {{0, 0, 1024, 742}, {0, 0, 0, 0}, true},    {{0, 19, 1024, 600}, {0, 0, 19, 3}, false},
        {{0, 19, 1000, 720}, {0, 0, 19, 3}, false}, {{24, 19, 1000, 720}, {0, 0, 19, 3}, false},
        {{-5, 19, 1024, 720}, {0, 0, 19, 3}, false}};
    for (const auto& c : cases)
        EXPECT_EQ(x11::fills_work_area(c.client, c.frame, {0, 0, 1024, 742}), c.fills)
            << c.client.x << "," << c.client.y << " " << c.client.width << "x" << c.client.height << " " << c.frame.left;
}

INSTANTIATE_TEST_SUITE_P(Managers, Managed, ::testing::Values("openbox", "fluxbox", "icewm"),
                         [](const auto& info) { return std::string(info.param); });
