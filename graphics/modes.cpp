// Building the mode table and choosing the mode.
#include "graphics/modes.h"

namespace graphics {

namespace {

// The driver number of a colour count: 2 -> 11 ... 65536 -> 18.
int driver_of(int colors) {
    switch (colors) {
    case 2: return 11;
    case 4: return 12;
    case 16: return 13;
    case 64: return 14;
    case 256: return 15;
    case 4096: return 16;
    case 32768: return 17;
    default: return 18;
    }
}

bool smaller(const Mode& a, const Mode& b) { return a.maxx < b.maxx || (a.maxx == b.maxx && a.maxy < b.maxy); }

void ADDMODE(ModeTable& table, const Mode& mode) {
    table.MODELIST.push_back(mode);
    ColorList& list = table.list(driver_of(mode.colors));
    auto it = list.entries.begin();
    while (it != list.entries.end() && smaller(*it, mode)) ++it;
    if (it != list.entries.end() && it->maxx == mode.maxx && it->maxy == mode.maxy) *it = mode;
    else list.entries.insert(it, mode);
    list.lo = 1;
    list.hi = int(list.entries.size());
}

Mode make_mode(const char* name, int colors, int width, int height, bool maximized) {
    return {name, colors, uint16_t(width - 1), uint16_t(height - 1), maximized};
}

struct FixedMode {
    const char* name;
    int colors, width, height;
};

constexpr FixedMode FIXED_MODES[] = {
    {"640 x 480 x 16 Win32GUI", 16, 640, 480},     {"640 x 200 x 16 Win32GUI", 16, 640, 200},
    {"640 x 350 x 16 Win32GUI", 16, 640, 350},     {"640 x 400 x 256 Win32GUI", 256, 640, 400},
    {"640 x 480 x 256 Win32GUI", 256, 640, 480},   {"800 x 600 x 16 Win32GUI", 16, 800, 600},
    {"800 x 600 x 256 Win32GUI", 256, 800, 600},   {"1024 x 768 x 16 Win32GUI", 16, 1024, 768},
    {"1024 x 768 x 256 Win32GUI", 256, 1024, 768}, {"1280 x 1024 x 16 Win32GUI", 16, 1280, 1024},
    {"1280 x 1024 x 256 Win32GUI", 256, 1280, 1024},
};

}  // namespace

int usable_width(const ScreenMetrics& m) { return m.screen_width - 2 * m.frame_width; }
int usable_height(const ScreenMetrics& m) { return m.screen_height - 2 * m.frame_height - m.caption_height; }

ModeTable QUERYADAPTERINFO(const ScreenMetrics& m) {
    ModeTable table;
    const int W = usable_width(m), H = usable_height(m);
    for (const FixedMode& f : FIXED_MODES)
        if (W >= f.width && H >= f.height) ADDMODE(table, make_mode(f.name, f.colors, f.width, f.height, false));
    ADDMODE(table, make_mode("Largest Window x 16", 16, W, H, false));
    ADDMODE(table, make_mode("Largest Window x 256", 256, W, H, false));
    ADDMODE(table, make_mode("Maximized Window x 16", 16, m.full_width, m.full_height, true));
    ADDMODE(table, make_mode("Maximized Window x 256", 256, m.full_width, m.full_height, true));
    return table;
}

int16_t DETECTGRAPH(const ModeTable& table, int16_t& driver, int16_t& mode) {
    bool found = false;
    for (int d = FIRST_DRIVER; d <= LAST_DRIVER; ++d) {
        if (table.list(d).entries.empty()) continue;
        driver = int16_t(d);
        mode = int16_t(table.list(d).hi);
        found = true;
    }
    return found ? 0 : -2;
}

const Mode* lookup_mode(const ModeTable& table, int16_t driver, int16_t mode) {
    if (driver < FIRST_DRIVER || driver > LAST_DRIVER) return nullptr;
    const ColorList& list = table.list(driver);
    if (mode < 1 || mode > int(list.entries.size())) return nullptr;
    return &list.entries[size_t(mode - 1)];
}

}  // namespace graphics
