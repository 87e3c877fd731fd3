// Lines: horizontal and vertical spans directly, every other line stepped pixel by
// pixel from its (clipped) first endpoint, so the same four arguments always set the
// same pixels: what a red line set, the same black line clears.
#include "graphics/line.h"

#include <algorithm>
#include <cstdlib>

namespace graphics {

uint16_t CURRENTCOLOR = 15;
int16_t STARTXVIEWPORT = 0, STARTYVIEWPORT = 0, VIEWWIDTH = 0, VIEWHEIGHT = 0;
bool CLIPPIXELS = false;

void (*DIRECTPUTPIXEL)(int x, int y) = nullptr;
void (*PUTPIXEL_ENTRY)(int x, int y, uint16_t color) = nullptr;
void (*HLINE)(int x1, int x2, int y) = generic_hline;
void (*VLINE)(int x, int y1, int y2) = generic_vline;

namespace {

enum : int { LEFT = 1, RIGHT = 2, BOTTOM = 4, TOP = 8 };

int OUTCODE(int x, int y, int xmin, int ymin, int xmax, int ymax) {
    int code = x < xmin ? LEFT : x > xmax ? RIGHT : 0;
    return code + (y > ymax ? BOTTOM : y < ymin ? TOP : 0);
}

// Stepping from (x1, y1) to (x2, y2): one pixel per step on the major axis; an exact
// half goes towards (x2, y2).
void step_line(int x1, int y1, int x2, int y2) {
    const int dx = std::abs(x2 - x1), dy = std::abs(y2 - y1);
    const int sx = x2 >= x1 ? 1 : -1, sy = y2 >= y1 ? 1 : -1;
    const bool x_major = dx >= dy;
    const int major = x_major ? dx : dy, minor = x_major ? dy : dx;
    int d = 2 * minor - major;
    int x = x1, y = y1;
    for (int count = major + 1; count > 0; --count) {
        DIRECTPUTPIXEL(x, y);
        if (d < 0) {
            d += 2 * minor;
            if (x_major) x += sx;
            else y += sy;
        } else {
            d += 2 * (minor - major);
            x += sx;
            y += sy;
        }
    }
}

}  // namespace

void generic_hline(int x1, int x2, int y) {
    for (int x = std::min(x1, x2); x <= std::max(x1, x2); ++x) DIRECTPUTPIXEL(x, y);
}

void generic_vline(int x, int y1, int y2) {
    for (int y = std::min(y1, y2); y <= std::max(y1, y2); ++y) DIRECTPUTPIXEL(x, y);
}

bool LINECLIPPED(int& x1, int& y1, int& x2, int& y2, int xmin, int ymin, int xmax, int ymax) {
    int c1 = OUTCODE(x1, y1, xmin, ymin, xmax, ymax);
    int c2 = OUTCODE(x2, y2, xmin, ymin, xmax, ymax);
    for (;;) {
        if (c1 == 0 && c2 == 0) return false;
        if (c1 & c2) return true;
        const int c = c1 != 0 ? c1 : c2;
        // Always anchored at endpoint 1; the products fit 32 bits for 16-bit input.
        int x, y;
        if (c & LEFT) {
            x = xmin;
            y = y1 + int(int64_t(xmin - x1) * (y2 - y1) / (x2 - x1));
        } else if (c & RIGHT) {
            x = xmax;
            y = y1 + int(int64_t(xmax - x1) * (y2 - y1) / (x2 - x1));
        } else if (c & BOTTOM) {
            y = ymax;
            x = x1 + int(int64_t(ymax - y1) * (x2 - x1) / (y2 - y1));
        } else {
            y = ymin;
            x = x1 + int(int64_t(ymin - y1) * (x2 - x1) / (y2 - y1));
        }
        if (c == c1) {
            x1 = x, y1 = y;
            c1 = OUTCODE(x1, y1, xmin, ymin, xmax, ymax);
        } else {
            x2 = x, y2 = y;
            c2 = OUTCODE(x2, y2, xmin, ymin, xmax, ymax);
        }
    }
}

void SETCOLOR(uint16_t color) { CURRENTCOLOR = color; }

void LINE(Coord x1, Coord y1, Coord x2, Coord y2) {
    if (y1 == y2) return HLINE(x1, x2, y1);
    if (x1 == x2) return VLINE(x1, y1, y2);
    int ax = x1 + STARTXVIEWPORT, ay = y1 + STARTYVIEWPORT, bx = x2 + STARTXVIEWPORT, by = y2 + STARTYVIEWPORT;
    if (CLIPPIXELS && LINECLIPPED(ax, ay, bx, by, STARTXVIEWPORT, STARTYVIEWPORT, STARTXVIEWPORT + VIEWWIDTH,
                                  STARTYVIEWPORT + VIEWHEIGHT))
        return;
    step_line(ax, ay, bx, by);
}

void PUTPIXEL(Coord x, Coord y, uint16_t color) { PUTPIXEL_ENTRY(x, y, color); }

}  // namespace graphics
