// The canvas without a display: the mode table as a function of the metrics, and the
// pixels that LINE and PUTPIXEL set in an in-memory canvas.
#include <gtest/gtest.h>

#include <random>

#include "graphics/canvas.h"
#include "graphics/graph.h"
#include "graphics/line.h"
#include "graphics/modes.h"

using namespace graphics;

namespace {

using Pixel = std::pair<int, int>;
using Pixels = std::vector<Pixel>;

struct ModeCase {
    ScreenMetrics metrics;
    std::vector<Pixel> list15;  // sizes, in list order
    bool maximized;  // the chosen mode, the last of list 15
    size_t list13_size;
};

struct Canvas640 : ::testing::Test {
    std::vector<uint32_t> pixels = std::vector<uint32_t>(640 * 480);
    MemoryCanvas canvas{pixels.data(), 640, 480};
    bool black() const { return std::all_of(pixels.begin(), pixels.end(), [](uint32_t p) { return p == 0; }); }
    uint32_t at(int x, int y) const { return pixels[size_t(y * 640 + x)]; }
    // The pixels of a line clipped to the canvas, in the order they are set.
    static Pixels traced(int x1, int y1, int x2, int y2) {
        static Pixels* sink;
        Pixels order;
        sink = &order;
        if (!LINECLIPPED(x1, y1, x2, y2, 0, 0, 639, 479)) step_line(x1, y1, x2, y2, [](int x, int y) { sink->push_back({x, y}); });
        return order;
    }
};

}  // namespace

TEST(ModeTable, TheLargestModeOfTheMetricsIsChosen) {
    const ModeCase cases[] = {
        {{1024, 768, 4, 4, 19, 1024, 719}, {{640, 400}, {640, 480}, {800, 600}, {1016, 741}, {1024, 719}},
         true, 6},
        {{1024, 768, 4, 4, 19, 924, 749}, {{640, 400}, {640, 480}, {800, 600}, {924, 749}, {1016, 741}},
         false, 6},
        {{1024, 768, 4, 4, 19, 1016, 741}, {{640, 400}, {640, 480}, {800, 600}, {1016, 741}},
         true, 5},
        {{1920, 1080, 4, 4, 23, 1920, 1017},
         {{640, 400}, {640, 480}, {800, 600}, {1024, 768}, {1280, 1024}, {1912, 1049}, {1920, 1017}},
         true, 8},
        {{600, 300, 0, 0, 0, 600, 300}, {{600, 300}}, true, 1},
    };
    for (const ModeCase& c : cases) {
        ModeTable t = QUERYADAPTERINFO(c.metrics);
        Pixels sizes;
        for (const Mode& m : t.list(15).entries) sizes.push_back({m.maxx + 1, m.maxy + 1});
        EXPECT_EQ(sizes, c.list15);
        EXPECT_EQ(t.list(13).entries.size(), c.list13_size);
        int16_t driver = 0, mode = 0;
        EXPECT_EQ(best_mode(t, driver, mode), 0);
        EXPECT_EQ(driver, 15);
        const Mode* m = lookup_mode(t, driver, mode);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(Pixel(m->maxx + 1, m->maxy + 1), c.list15.back());
        EXPECT_EQ(m->maximized, c.maximized);
    }
}

TEST_F(Canvas640, LinesStepFromTheirFirstEndAfterClipping) {
    const struct {
        Coord x1, y1, x2, y2;
        Pixels first;  // the first pixels set, or all of them
        size_t count;
    } cases[] = {
        {0, 0, 3, 3, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}, 4},
        {0, 0, 4, 2, {{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}}, 5},
        {4, 2, 0, 0, {{4, 2}, {3, 1}, {2, 1}, {1, 0}, {0, 0}}, 5},
        {-2, 30, 16, 35, {{0, 30}, {1, 30}, {2, 31}, {3, 31}, {4, 31}, {5, 32}}, 17},
        {700, 100, 600, 300, {{639, 222}, {638, 223}, {638, 224}}, 79},
        {-32768, -32768, 32767, 32767, {{0, 0}, {1, 1}, {2, 2}}, 480},
        {-5, -5, -1, 20, {}, 0},
    };
    for (const auto& c : cases) {
        Pixels got = traced(c.x1, c.y1, c.x2, c.y2);
        EXPECT_EQ(got.size(), c.count) << c.x1 << "," << c.y1;
        got.resize(std::min(got.size(), c.first.size()));
        EXPECT_EQ(got, c.first) << c.x1 << "," << c.y1;
    }
    SETCOLOR(4);
    LINE(-32768, 100, 32767, 100);
    EXPECT_EQ(at(0, 100), 0xA80000u);
    EXPECT_EQ(at(639, 100), 0xA80000u);
    EXPECT_EQ(at(0, 99) + at(0, 101), 0u);
}

TEST_F(Canvas640, PutPixelClipsAndUsesThePalette) {
    for (auto [x, y] : Pixels{{640, 0}, {-1, 5}, {0, 480}, {0, -1}}) PUTPIXEL(Coord(x), Coord(y), 15);
    EXPECT_TRUE(black());
    PUTPIXEL(639, 479, 15);
    SETCOLOR(4);
    PUTPIXEL(1, 1, 2);
    EXPECT_EQ(at(639, 479), 0xFCFCFCu);
    EXPECT_EQ(at(1, 1), 0x00A800u);
}

// Each body's picture, drawn and erased as a frame does, leaves the canvas black.
TEST_F(Canvas640, DrawThenEraseLeavesTheCanvasBlack) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> any(-32768, 32767), near(-50, 700);
    for (int round = 0; round < 2000; ++round) {
        auto pick = [&] { return Coord(rng() % 3 == 0 ? any(rng) : near(rng)); };
        Coord a = pick(), b = pick(), c = pick(), d = pick();
        SETCOLOR(4);
        LINE(a, b, c, d);
        PUTPIXEL(a, b, 15);
        SETCOLOR(0);
        LINE(a, b, c, d);
        ASSERT_TRUE(black()) << a << " " << b << " " << c << " " << d;
    }
}

TEST_F(Canvas640, NothingIsDrawnOnceTheCanvasIsNotRunning) {
    canvas.stop();
    LINE(0, 0, 100, 50);
    PUTPIXEL(3, 3, 15);
    EXPECT_TRUE(black());
}
