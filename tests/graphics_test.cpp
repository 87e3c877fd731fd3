// The canvas without a display: the mode table, the palette, and every pixel that
// LINE and PUTPIXEL set, drawn into an in-memory canvas.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

#include "graphics/canvas.h"
#include "graphics/graph.h"
#include "graphics/line.h"
#include "graphics/modes.h"
#include "graphics/palette.h"

using namespace graphics;

namespace {

struct Size {
    int w, h;
    bool operator==(const Size&) const = default;
};

std::vector<Size> sizes_of(const ColorList& list) {
    std::vector<Size> sizes;
    for (const Mode& m : list.entries) sizes.push_back({m.maxx + 1, m.maxy + 1});
    return sizes;
}

using Pixel = std::pair<int, int>;

class Canvas640 : public ::testing::Test {
protected:
    void SetUp() override {
        pixels.assign(640 * 480, 0);
        open_memory_canvas(pixels.data(), 640, 480);
    }
    void TearDown() override { close_memory_canvas(); }
    std::set<Pixel> lit() const {
        std::set<Pixel> set;
        for (int i = 0; i < 640 * 480; ++i)
            if (pixels[size_t(i)] != 0) set.insert({i % 640, i / 640});
        return set;
    }
    uint32_t at(int x, int y) const { return pixels[size_t(y * 640 + x)]; }
    // Pixels of a line, in the order it sets them.
    std::vector<Pixel> traced(Coord x1, Coord y1, Coord x2, Coord y2) {
        static std::vector<Pixel>* sink;
        std::vector<Pixel> order;
        sink = &order;
        auto saved = DIRECTPUTPIXEL;
        DIRECTPUTPIXEL = [](int x, int y) { sink->push_back({x, y}); };
        LINE(x1, y1, x2, y2);
        DIRECTPUTPIXEL = saved;
        return order;
    }
    std::vector<uint32_t> pixels;
};

}  // namespace

TEST(ModeTable, Screen1024With719HighMaximisedArea) {
    ModeTable t = QUERYADAPTERINFO({1024, 768, 4, 4, 19, 1024, 719});
    EXPECT_EQ(usable_width({1024, 768, 4, 4, 19, 1024, 719}), 1016);
    EXPECT_EQ(sizes_of(t.list(15)), (std::vector<Size>{{640, 400}, {640, 480}, {800, 600}, {1016, 741}, {1024, 719}}));
    EXPECT_EQ(t.list(15).entries[3].name.view(), "Largest Window x 256");
    EXPECT_EQ(sizes_of(t.list(13)),
              (std::vector<Size>{{640, 200}, {640, 350}, {640, 480}, {800, 600}, {1016, 741}, {1024, 719}}));
    EXPECT_EQ(t.list(13).lo, 1);
    EXPECT_EQ(t.list(13).hi, 6);
    int16_t driver = 0, mode = 0;
    EXPECT_EQ(DETECTGRAPH(t, driver, mode), 0);
    EXPECT_EQ(driver, 15);
    EXPECT_EQ(mode, 5);
    const Mode* m = lookup_mode(t, driver, mode);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->name.view(), "Maximized Window x 256");
    EXPECT_TRUE(m->maximized);
    EXPECT_EQ(m->maxx, 1023);
    EXPECT_EQ(m->maxy, 718);
    EXPECT_EQ(t.MODELIST.size(), 11u);  // seven fixed modes fit 1016 x 741
}

TEST(ModeTable, TaskBarAtTheSideMakesTheLargestNormalWindowWin) {
    ModeTable t = QUERYADAPTERINFO({1024, 768, 4, 4, 19, 924, 749});
    EXPECT_EQ(t.list(15).entries[3].name.view(), "Maximized Window x 256");
    int16_t driver = 0, mode = 0;
    DETECTGRAPH(t, driver, mode);
    EXPECT_EQ(mode, 5);
    const Mode* m = lookup_mode(t, driver, mode);
    EXPECT_EQ(m->name.view(), "Largest Window x 256");
    EXPECT_FALSE(m->maximized);
    EXPECT_EQ(m->maxx + 1, 1016);
    EXPECT_EQ(m->maxy + 1, 741);
}

TEST(ModeTable, MaximisedAreaEqualToTheUsableSizeReplacesIt) {
    ModeTable t = QUERYADAPTERINFO({1024, 768, 4, 4, 19, 1016, 741});
    const auto& list = t.list(15).entries;
    EXPECT_EQ(list.back().name.view(), "Maximized Window x 256");
    EXPECT_EQ(list.size(), 4u);
    EXPECT_TRUE(list.back().maximized);
}

TEST(ModeTable, FullHdScreenAndTinyScreen) {
    ModeTable t = QUERYADAPTERINFO({1920, 1080, 4, 4, 23, 1920, 1017});
    int16_t driver = 0, mode = 0;
    DETECTGRAPH(t, driver, mode);
    EXPECT_EQ(driver, 15);
    EXPECT_EQ(mode, 7);
    for (const Mode& m : t.MODELIST) {
        std::string name(m.name.view());
        if (name.find("Win32GUI") == std::string::npos) continue;
        EXPECT_EQ(name.substr(0, name.find(" x ", name.find(" x ") + 1)),
                  std::to_string(m.maxx + 1) + " x " + std::to_string(m.maxy + 1));
    }
    ModeTable tiny = QUERYADAPTERINFO({600, 300, 0, 0, 0, 600, 300});
    EXPECT_EQ(tiny.list(15).entries.size(), 1u);  // largest and maximised have one size
    EXPECT_EQ(tiny.list(13).entries.size(), 1u);
    EXPECT_EQ(DETECTGRAPH(tiny, driver, mode), 0);
    EXPECT_EQ(mode, 1);
}

TEST(Palette, DefaultColours) {
    EXPECT_EQ(DEFAULTCOLORS[0].red + DEFAULTCOLORS[0].green + DEFAULTCOLORS[0].blue, 0);
    EXPECT_EQ(DEFAULTCOLORS[4].red, 168);
    EXPECT_EQ(DEFAULTCOLORS[6].green, 84);
    EXPECT_EQ(DEFAULTCOLORS[9].blue, 252);
    EXPECT_EQ(DEFAULTCOLORS[15].green, 252);
    const uint16_t greys[16] = {0, 20, 32, 44, 56, 68, 80, 96, 112, 128, 144, 160, 180, 200, 224, 252};
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(DEFAULTCOLORS[size_t(16 + i)].red, greys[i]);
        EXPECT_EQ(DEFAULTCOLORS[size_t(16 + i)].blue, greys[i]);
    }
    auto is = [](int i, int r, int g, int b) {
        return DEFAULTCOLORS[size_t(i)].red == r && DEFAULTCOLORS[size_t(i)].green == g &&
               DEFAULTCOLORS[size_t(i)].blue == b;
    };
    EXPECT_TRUE(is(32, 0, 0, 252));
    EXPECT_TRUE(is(40, 252, 0, 0));
    EXPECT_TRUE(is(47, 64, 252, 0));
    EXPECT_TRUE(is(104, 0, 0, 112));
    EXPECT_TRUE(is(247, 44, 48, 64));
    for (int i = 248; i < 256; ++i) EXPECT_TRUE(is(i, 0, 0, 0)) << i;
    for (const RGB& c : DEFAULTCOLORS) EXPECT_TRUE(c.red % 4 == 0 && c.green % 4 == 0 && c.blue % 4 == 0 && c.red <= 252);
}

TEST_F(Canvas640, StateAfterOpening) {
    EXPECT_EQ(GETMAXX(), 639);
    EXPECT_EQ(GETMAXY(), 479);
    EXPECT_EQ(GETMAXCOLOR(), 255);
    EXPECT_EQ(CURRENTCOLOR, 15);
    EXPECT_TRUE(lit().empty());
}

TEST_F(Canvas640, PointsAndAxisLines) {
    LINE(5, 5, 5, 5);
    EXPECT_EQ(lit(), (std::set<Pixel>{{5, 5}}));
    LINE(10, 10, 10, 5);
    EXPECT_EQ(lit().size(), 7u);
    for (int y = 5; y <= 10; ++y) EXPECT_NE(at(10, y), 0u);
    SETCOLOR(0);
    LINE(10, 10, 10, 5);
    LINE(5, 5, 5, 5);
    SETCOLOR(4);
    LINE(-32768, 100, 32767, 100);
    EXPECT_EQ(lit().size(), 640u);
    EXPECT_EQ(at(0, 100), 0xA80000u);
    EXPECT_EQ(at(639, 100), 0xA80000u);
}

TEST_F(Canvas640, SteppedLinesInTheirOwnDirection) {
    EXPECT_EQ(traced(0, 0, 4, 2), (std::vector<Pixel>{{0, 0}, {1, 1}, {2, 1}, {3, 2}, {4, 2}}));
    EXPECT_EQ(traced(4, 2, 0, 0), (std::vector<Pixel>{{4, 2}, {3, 1}, {2, 1}, {1, 0}, {0, 0}}));
    EXPECT_EQ(traced(0, 0, 3, 3), (std::vector<Pixel>{{0, 0}, {1, 1}, {2, 2}, {3, 3}}));
    EXPECT_TRUE(traced(-5, -5, -1, 20).empty());
}

TEST_F(Canvas640, ClippingMovesTheEndpointsBeforeStepping) {
    EXPECT_EQ(traced(-2, 30, 16, 35),
              (std::vector<Pixel>{{0, 30}, {1, 30}, {2, 31}, {3, 31}, {4, 31}, {5, 32}, {6, 32}, {7, 32}, {8, 33},
                                  {9, 33}, {10, 33}, {11, 33}, {12, 34}, {13, 34}, {14, 34}, {15, 35}, {16, 35}}));
    auto right = traced(700, 100, 600, 300);
    ASSERT_GE(right.size(), 3u);
    EXPECT_EQ(right[0], Pixel(639, 222));
    EXPECT_EQ(right[1], Pixel(638, 223));
    EXPECT_EQ(right[2], Pixel(638, 224));
    auto far = traced(320, 240, 10320, -3093);
    ASSERT_GE(far.size(), 3u);
    EXPECT_EQ(far[far.size() - 3], Pixel(637, 135));
    EXPECT_EQ(far[far.size() - 2], Pixel(638, 134));
    EXPECT_EQ(far.back(), Pixel(639, 134));
    auto diagonal = traced(-32768, -32768, 32767, 32767);
    ASSERT_EQ(diagonal.size(), 480u);
    for (int i = 0; i < 480; ++i) EXPECT_EQ(diagonal[size_t(i)], Pixel(i, i));
}

TEST_F(Canvas640, PutPixelClipsAndUsesThePalette) {
    PUTPIXEL(640, 0, 15);
    PUTPIXEL(-1, 5, 15);
    PUTPIXEL(0, 480, 15);
    EXPECT_TRUE(lit().empty());
    PUTPIXEL(639, 479, 15);
    EXPECT_EQ(at(639, 479), 0xFCFCFCu);
    EXPECT_EQ(CURRENTCOLOR, 15);
    SETCOLOR(4);
    PUTPIXEL(1, 1, 2);
    EXPECT_EQ(at(1, 1), 0x00A800u);
    EXPECT_EQ(CURRENTCOLOR, 4);
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
        ASSERT_TRUE(lit().empty()) << a << " " << b << " " << c << " " << d;
    }
}

TEST_F(Canvas640, NothingIsDrawnOnceTheCanvasIsNotRunning) {
    close_memory_canvas();
    LINE(0, 0, 100, 50);
    PUTPIXEL(3, 3, 15);
    EXPECT_TRUE(lit().empty());
}
