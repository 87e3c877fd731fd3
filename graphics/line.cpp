// Lines as pixels: region-code clipping, always anchored at the first endpoint, and
// stepping.
#include "graphics/line.h"

#include <cstdint>
#include <cstdlib>

namespace graphics {

namespace {

enum : int { LEFT = 1, RIGHT = 2, BOTTOM = 4, TOP = 8 };

int OUTCODE(int x, int y, int xmin, int ymin, int xmax, int ymax) {
    int code = x < xmin ? LEFT : x > xmax ? RIGHT : 0;
    return code + (y > ymax ? BOTTOM : y < ymin ? TOP : 0);
}

}  // namespace

void step_line(int x1, int y1, int x2, int y2, void (*plot)(int x, int y)) {
    const int dx = std::abs(x2 - x1), dy = std::abs(y2 - y1);
    const int sx = x2 >= x1 ? 1 : -1, sy = y2 >= y1 ? 1 : -1;
    const bool x_major = dx >= dy;
    const int major = x_major ? dx : dy, minor = x_major ? dy : dx;
    int d = 2 * minor - major;
    int x = x1, y = y1;
    for (int count = major + 1; count > 0; --count) {
        plot(x, y);
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

}  // namespace graphics
