// The window thread's two sides: what the program's thread asks of it (window.h and
// the measuring below) and the window itself, which only the window thread touches.
#pragma once
#include "graphics/x11/image.h"
#include "graphics/x11/xlib.h"

namespace graphics::x11 {

// Maps the canvas window maximised and reports the frame and client area the manager
// gives it; the window stays for open_window. False when it could not be made.
bool measure_maximized_window(Extents& frame, int& width, int& height);

// The canvas window as the window thread holds it.
struct CanvasWindow {
    Display* d = nullptr;
    Window w = 0;
    GC gc = nullptr;
    ImageBuffer image;
};

// On the window thread: creates the window (client area width x height) and maps it,
// maximised and waited for when asked. False when it cannot be made.
bool create_and_map(CanvasWindow& c, int width, int height, bool maximized);

// Gives a mapped window the state and client area open_window settles on.
void settle(CanvasWindow& c, int width, int height, bool maximized);

// Repaints exposed parts and shows what the program draws until the window is closed
// (by the user, or when stop() holds after a wake-up); then the caller destroys it.
void event_loop(CanvasWindow& c, int wake_fd, bool (*stop)(), bool (*barrier_waiting)(), void (*presented)());

}  // namespace graphics::x11
