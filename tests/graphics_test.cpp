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
    static constexpr int MAXX = 639, MAXY = 479;
    std::vector<uint32_t> pixels = std::vector<uint32_t>(640 * 480);
    MemoryCanvas canvas{pixels.data(), 640, 480};
    bool black() const { return std::all_of(pixels.begin(), pixels.end(), [](uint32_t p) { return p == 0; }); }
    uint32_t at(int x, int y) const { return pixels[size_t(y * 640 + x)]; }
    Pixels lit() const {
        Pixels set;
        for (size_t i = 0; i < pixels.size(); ++i) if (pixels[i] != 0) set.push_back({int(i % 640), int(i / 640)});
        return set;
    }
};

int region(int x, int y) { return (x < 0) | (x > Canvas640::MAXX) << 1 | (y > Canvas640::MAXY) << 2 | (y < 0) << 3; }

// A line's pixels drawn from the rules alone: a span clipped to the canvas; any other
// line clipped by region codes (endpoint 1 moved first, each crossing anchored at
// endpoint 1, quotients truncated), then its pixels in closed form from endpoint 1.
Pixels drawn_by_the_rules(int x1, int y1, int x2, int y2) {
    Pixels drawn;
    if (x1 == x2 || y1 == y2) {
        for (int x = std::max(std::min(x1, x2), 0); x <= std::min(std::max(x1, x2), Canvas640::MAXX); ++x)
            for (int y = std::max(std::min(y1, y2), 0); y <= std::min(std::max(y1, y2), Canvas640::MAXY); ++y) drawn.push_back({x, y});
        return drawn;
    }
    for (int c1 = region(x1, y1), c2 = region(x2, y2); c1 | c2; c1 = region(x1, y1), c2 = region(x2, y2)) {
        if (c1 & c2) return drawn;
        const int c = c1 ? c1 : c2, edge = c & -c;  // its first bit in the order 1, 2, 4, 8
        const int64_t ex = edge == 1 ? 0 : Canvas640::MAXX, ey = edge == 4 ? Canvas640::MAXY : 0;
        const int x = edge <= 2 ? int(ex) : x1 + int((ey - y1) * (x2 - x1) / (y2 - y1));
        const int y = edge <= 2 ? y1 + int((ex - x1) * (y2 - y1) / (x2 - x1)) : int(ey);
        (c1 ? x1 : x2) = x, (c1 ? y1 : y2) = y;
    }
    const int dx = std::abs(x2 - x1), dy = std::abs(y2 - y1), sx = x2 >= x1 ? 1 : -1, sy = y2 >= y1 ? 1 : -1;
    for (int j = 0, n = std::max(dx, dy); j <= n; ++j)  // the minor step rounded, an exact half away from endpoint 1
        drawn.push_back(dx >= dy ? Pixel{x1 + sx * j, y1 + sy * (n ? (2 * j * dy + dx) / (2 * dx) : 0)}
                                 : Pixel{x1 + sx * ((2 * j * dx + dy) / (2 * dy)), y1 + sy * j});
    return drawn;
}

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

TEST_F(Canvas640, PutPixelClipsAndUsesThePalette) {
    for (auto [x, y] : Pixels{{640, 0}, {-1, 5}, {0, 480}, {0, -1}}) PUTPIXEL(Coord(x), Coord(y), 15);
    EXPECT_TRUE(black());
    PUTPIXEL(639, 479, 15);
    SETCOLOR(4);
    PUTPIXEL(1, 1, 2);
    EXPECT_EQ(at(639, 479), 0xFCFCFCu);
    EXPECT_EQ(at(1, 1), 0x00A800u);
}

// Random lines with their ends inside, on and beside the edges, and far outside: each
// sets in red exactly the rules' pixels; each body's picture, drawn and erased as a
// frame does, leaves the canvas black.
TEST_F(Canvas640, LinesSetTheRulesPixelsAndTheSameBlackLineErasesThem) {
    std::mt19937 rng(7);
    std::vector<uint32_t> expected(pixels.size());
    auto pick = [&](int max) {
        const int edges[] = {-1, 0, 1, max - 1, max, max + 1}, kind = int(rng() % 4);
        return Coord(kind == 0 ? int(rng() % 65536) - 32768 : kind == 1 ? edges[rng() % 6] : int(rng() % unsigned(max + 121)) - 60);
    };
    for (int round = 0; round < 5000; ++round) {
        Coord a = pick(MAXX), b = pick(MAXY), c = rng() % 8 ? pick(MAXX) : a, d = rng() % 7 ? pick(MAXY) : b;
        const Pixels rules = drawn_by_the_rules(a, b, c, d);
        for (auto [x, y] : rules) expected[size_t(y * 640 + x)] = 0xA80000;
        SETCOLOR(4);
        LINE(a, b, c, d);
        ASSERT_TRUE(pixels == expected) << "LINE(" << a << ", " << b << ", " << c << ", " << d << ") set "
                                        << testing::PrintToString(lit()) << ", the rules " << testing::PrintToString(rules);
        for (auto [x, y] : rules) expected[size_t(y * 640 + x)] = 0;
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
