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
    ColorList& list = table.list(driver_of(mode.colors));
    auto it = list.entries.begin();
    while (it != list.entries.end() && smaller(*it, mode)) ++it;
    if (it != list.entries.end() && it->maxx == mode.maxx && it->maxy == mode.maxy) *it = mode;
    else list.entries.insert(it, mode);
}

Mode make_mode(int colors, int width, int height, bool maximized) {
    return {colors, uint16_t(width - 1), uint16_t(height - 1), maximized};
}

struct FixedMode {
    int colors, width, height;
};

// In the order they are registered.
constexpr FixedMode FIXED_MODES[] = {
    {16, 640, 480},   {16, 640, 200},   {16, 640, 350},  {256, 640, 400},   {256, 640, 480},   {16, 800, 600},
    {256, 800, 600},  {16, 1024, 768},  {256, 1024, 768}, {16, 1280, 1024}, {256, 1280, 1024},
};

}  // namespace

int usable_width(const ScreenMetrics& m) { return m.screen_width - 2 * m.frame_width; }
int usable_height(const ScreenMetrics& m) { return m.screen_height - 2 * m.frame_height - m.caption_height; }

ModeTable QUERYADAPTERINFO(const ScreenMetrics& m) {
    ModeTable table;
    const int W = usable_width(m), H = usable_height(m);
    for (const FixedMode& f : FIXED_MODES)
        if (W >= f.width && H >= f.height) ADDMODE(table, make_mode(f.colors, f.width, f.height, false));
    ADDMODE(table, make_mode(16, W, H, false));  // the largest normal window
    ADDMODE(table, make_mode(256, W, H, false));
    ADDMODE(table, make_mode(16, m.full_width, m.full_height, true));  // a maximised window
    ADDMODE(table, make_mode(256, m.full_width, m.full_height, true));
    return table;
}

int16_t best_mode(const ModeTable& table, int16_t& driver, int16_t& mode) {
    bool found = false;
    for (int d = FIRST_DRIVER; d <= LAST_DRIVER; ++d) {
        if (table.list(d).entries.empty()) continue;
        driver = int16_t(d);
        mode = int16_t(table.list(d).entries.size());
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
