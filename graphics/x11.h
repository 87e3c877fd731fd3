// The canvas window on X11, behind plain functions: the only place that knows Xlib.
#pragma once

#include "graphics/modes.h"

namespace graphics::x11 {

// Screen size, frame extents and the maximised client area. With no display
// reachable everything is 0 and the result is false.
bool read_screen_metrics(ScreenMetrics& m);

// Starts the window thread, which owns its own connection, the window and its event
// loop. It creates the canvas image (in the display's format, black), marks the
// canvas running and shows the window. False, after the "Window creation failed"
// message, when that fails; the canvas is then not running.
bool open_window(int width, int height, bool maximized);

// Asks the window to close and returns once the X server has destroyed it and the
// window thread has ended. Does nothing when there is no window thread.
void close_window();

// Returns once everything drawn so far has been sent to the X server and processed.
void show_on_screen();

}  // namespace graphics::x11
