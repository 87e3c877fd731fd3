// The off-screen image that holds the canvas, the palette, the drawing lock, and the
// canvas writers that put pixels into the image under that lock.
#pragma once
#include <array>
#include <cstdint>
#include <mutex>

#include "graphics/palette.h"
#include "graphics/window.h"

namespace graphics {

uint32_t pixel_value(const PixelFormat& format, const RGB& c);

// The drawing lock: every pixel or span write, every repaint, and the creation and
// release of the image hold it; whether the canvas runs is read and changed only
// under it, so nothing is ever written into a released image.
extern std::mutex GRAPHDRAWING;

// The palette, made when the canvas opens: MAXCOLOR entries of DEFAULTCOLORS, and
// their pixel values in the image's format.
extern std::array<RGB, 256> PAL;
extern int32_t MAXCOLOR;
void make_palette(int32_t colors);

// The canvas size of the open mode: largest x and y.
extern int16_t MAXX, MAXY;

// Opens a canvas of the given size in memory only (no window): the drawing state is
// as after INITGRAPH, and every pixel goes into the image. For headless drawing.
void open_memory_canvas(uint32_t* pixels, int width, int height, PixelFormat format = {});
void close_memory_canvas();

// The canvas writers every mode installs, and the state a successful open leaves:
// viewport the whole canvas with clipping on, drawing colour 15, the writers installed.
void install_canvas_writers();
void set_canvas_state(int width, int height);

// For the exit sequence of a fault raised inside a pixel write: lets go of the drawing
// lock when this thread holds it, so that the window thread can still end.
void let_go_of_drawing_lock();

void canvas_directputpixel(int x, int y);
void canvas_putpixel(int x, int y, uint16_t color);
void canvas_hline(int x1, int x2, int y);
void canvas_vline(int x, int y1, int y2);

}  // namespace graphics
