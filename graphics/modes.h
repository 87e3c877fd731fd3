// The mode table built from the screen metrics, and DETECTGRAPH's choice.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace graphics {

// What the window system tells of the screen, read once at start-up.
struct ScreenMetrics {
    int screen_width = 0, screen_height = 0;
    int frame_width = 0, frame_height = 0;  // a resizable window's border thickness
    int caption_height = 0;
    int full_width = 0, full_height = 0;    // client area of a maximised window
};

struct Mode {
    int colors = 0;          // 16 or 256
    uint16_t maxx = 0, maxy = 0;  // width - 1, height - 1
    bool maximized = false;  // its window opens maximised
};

// One colour list: entries numbered from 1, smallest first.
struct ColorList {
    std::vector<Mode> entries;
};

inline constexpr int FIRST_DRIVER = 11, LAST_DRIVER = 21;

struct ModeTable {
    std::array<ColorList, LAST_DRIVER - FIRST_DRIVER + 1> NEWMODELIST;  // drivers 11..21

    ColorList& list(int driver) { return NEWMODELIST[size_t(driver - FIRST_DRIVER)]; }
    const ColorList& list(int driver) const { return NEWMODELIST[size_t(driver - FIRST_DRIVER)]; }
};

// Usable width and height: the largest normal window whose frame fits the screen.
int usable_width(const ScreenMetrics& m);
int usable_height(const ScreenMetrics& m);

// Registers the modes the screen allows, in the fixed order.
ModeTable QUERYADAPTERINFO(const ScreenMetrics& m);

// The last non-empty colour list and its highest number: always the largest
// 256-colour mode here. Result code 0, or -2 with no modes at all.
int16_t best_mode(const ModeTable& table, int16_t& driver, int16_t& mode);

// The entry of that colour list with that number, or null.
const Mode* lookup_mode(const ModeTable& table, int16_t driver, int16_t mode);

}  // namespace graphics
