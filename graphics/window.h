// The seam between the canvas and its window: plain functions, no window-system
// types. The window side (graphics/x11/) calls only the canvas functions below and
// never touches the canvas's state; the canvas calls only the window functions.
#pragma once
#include <cstdint>
#include <functional>

#include "graphics/modes.h"

namespace graphics {

// Where each 8-bit component sits in a 32-bit pixel of the display's format.
struct PixelFormat {
    int red_shift = 16, green_shift = 8, blue_shift = 0;
};

struct Rect {
    int x0 = 0, y0 = 0, x1 = -1, y1 = -1;  // inclusive corners
    bool empty() const { return x1 < x0; }
};

// ---- The canvas, for the window thread.

// Under the drawing lock: the window's image becomes the canvas (already black),
// running; wake() is called, under the lock, when the canvas turns from clean to drawn.
void attach_image(uint32_t* pixels, int width, int height, PixelFormat format, void (*wake)());

// Under the drawing lock: the canvas stops running and forgets the image; from here on
// every pixel write does nothing. False when the lock could not be had within
// timeout_ms (its holder is stuck): the canvas is then left as it is.
bool detach_image(int timeout_ms = -1);

// Runs paint under the drawing lock while the canvas runs, with the part drawn since
// the last call that took it (empty when take_drawn is false or nothing was drawn).
void with_canvas(bool take_drawn, const std::function<void(const Rect& drawn)>& paint);

bool canvas_running();

// ---- The window, for the canvas.
namespace window {

// Screen size and, when no window manager needs asking, everything; with a manager,
// the frame-extents questions are asked and finish_metrics collects the answers.
// False with no display reachable (the metrics are then all 0).
bool start_metrics(ScreenMetrics& m);

// Completes the metrics with what the window manager confirms: its answers to the
// questions, or else the frame and client area of the canvas window itself, mapped
// maximised (that window then stays for open_window). At most once per run.
void finish_metrics(ScreenMetrics& m);

// Starts the window thread (or goes on with the window finish_metrics mapped): the
// window gets a client area of width x height, or stays maximised; the thread makes
// the image, attaches it, shows the window. False, after the "Window creation failed"
// message, when that fails.
bool open_window(int width, int height, bool maximized);

// Ends the window: from any thread, also from a fault's exit sequence on the window
// thread itself or while this thread holds the drawing lock; never waits without limit.
void close_window();

// Returns once everything drawn so far has been sent to the X server and processed.
void show_on_screen();

}  // namespace window
}  // namespace graphics
