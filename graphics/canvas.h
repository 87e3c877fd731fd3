// The canvas: its image, palette and drawing state, private to this module, and the
// drawing routines, which act on the current canvas: the window's, or one in memory.
#pragma once
#include <cstdint>
#include <memory>

#include "graphics/palette.h"
#include "graphics/window.h"
#include "runtime/shortstring.h"

namespace graphics {

using Coord = int16_t;

uint32_t pixel_value(const PixelFormat& format, const RGB& c);

void SETCOLOR(uint16_t color);
void LINE(Coord x1, Coord y1, Coord x2, Coord y2);
void PUTPIXEL(Coord x, Coord y, uint16_t color);

int16_t GETMAXX();
int16_t GETMAXY();

// ---- For opening and closing the window's canvas (graph.cpp).

// The state before a mode is opened, and after one failed to open: no drawing
// reaches any image; LINE and PUTPIXEL end the program as not in graphics mode, with
// advice on what to do after the message when there is any.
void reset_canvas_state(const runtime::ShortString& advice);

// The state a successful open leaves: viewport the whole canvas with clipping on,
// drawing colour 15, colors entries of the default palette (entry 0, the background,
// black), drawing into the image.
void set_canvas_state(int width, int height, int32_t colors);

// For the exit sequence of a fault raised inside a pixel write: lets go of the drawing
// lock when this thread holds it, so that the window thread can still end.
void let_go_of_drawing_lock();

// ---- A canvas in memory, for headless drawing.

struct Canvas;

// While it lives it is the current canvas, as after a successful open: every pixel goes
// into pixels (width x height, made black). The canvas that was current before comes
// back when it ends.
class MemoryCanvas {
public:
    MemoryCanvas(uint32_t* pixels, int width, int height, PixelFormat format = {});
    ~MemoryCanvas();
    MemoryCanvas(const MemoryCanvas&) = delete;
    MemoryCanvas& operator=(const MemoryCanvas&) = delete;

    void stop();  // from here on nothing more is drawn into it

private:
    std::unique_ptr<Canvas> canvas_;
    Canvas* previous_;
};

}  // namespace graphics
