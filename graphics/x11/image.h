// The canvas's off-screen image on the X side: in memory the server shares when it
// offers that (a local display), else in the process's own memory.
#pragma once
#include "graphics/x11/xlib.h"

namespace graphics::x11 {

struct ImageBuffer {
    XImage* image = nullptr;
    XShmSegmentInfo shm{};
    bool shared = false;
};

// A black width x height image of 32-bit pixels, rows without padding; false if
// none can be made.
bool create_image(Display* d, int width, int height, ImageBuffer& b);
void destroy_image(Display* d, ImageBuffer& b);

// Copies the part (x, y, w, h), cut to the image, to the same place in the window.
void put_image(Display* d, Window w, GC gc, const ImageBuffer& b, int x, int y, int width, int height);

}  // namespace graphics::x11
