// The off-screen image that holds the canvas, the palette, the drawing lock, and the
// canvas writers that put pixels into the image under that lock.
#pragma once
#include <array>
#include <cstdint>
#include <mutex>

#include "graphics/palette.h"

namespace graphics {

// Where each 8-bit component sits in a 32-bit pixel of the display's format.
struct PixelFormat {
    int red_shift = 16, green_shift = 8, blue_shift = 0;
};

uint32_t pixel_value(const PixelFormat& format, const RGB& c);

struct Image {
    uint32_t* pixels = nullptr;  // width * height, row by row
    int width = 0, height = 0;
    PixelFormat format;
};

// The drawing lock: every pixel or span write, every repaint, and the creation and
// release of the image hold it. GRAPHRUNNING and the image are read and changed only
// under it, so nothing is ever written into a released image.
extern std::mutex GRAPHDRAWING;
extern bool GRAPHRUNNING;
extern Image canvas_image;

// The palette, made when the canvas opens: MAXCOLOR entries of DEFAULTCOLORS, and
// their pixel values in the image's format.
extern std::array<RGB, 256> PAL;
extern int32_t MAXCOLOR;
void make_palette(int32_t colors);

// The rectangle drawn since the window last showed the image; the window's wake-up
// runs (under the lock) when it turns from clean to dirty. Both belong to the window.
struct DirtyRect {
    int x0 = 0, y0 = 0, x1 = -1, y1 = -1;
    bool empty() const { return x1 < x0; }
};
extern DirtyRect dirty;
extern void (*wake_presenter)();

// Opens a canvas of the given size in memory only (no window): the drawing state is
// as after INITGRAPH, and every pixel goes into the image. For headless drawing.
void open_memory_canvas(uint32_t* pixels, int width, int height, PixelFormat format = {});
void close_memory_canvas();

// The canvas writers every mode installs.
void canvas_directputpixel(int x, int y);
void canvas_putpixel(int x, int y, uint16_t color);
void canvas_hline(int x1, int x2, int y);
void canvas_vline(int x, int y1, int y2);

}  // namespace graphics
