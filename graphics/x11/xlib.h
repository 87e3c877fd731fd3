// The X11 side of the canvas window: the one part of the graphics module that
// includes Xlib. Shared helpers of its files.
#pragma once
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <functional>
#include <vector>

namespace graphics::x11 {

constexpr const char* TITLE = "Graph window application";

// How long a window manager may take to answer or to configure a window: generous,
// for a manager that starts slowly (building its font cache) on a loaded machine.
constexpr int MANAGER_LIMIT_MS = 30000;

// Once per process: Xlib made thread-safe, its errors noted instead of fatal.
void prepare_xlib();
// Whether the server has answered one of this thread's requests with an error since
// the thread last forgot them.
void forget_x_errors();
bool x_error_since();

Atom atom(Display* d, const char* name);

// Up to max items of a property of 32-bit items (longs in Xlib); empty when absent.
std::vector<long> property(Display* d, Window w, const char* name, Atom type, long max);

bool window_manager_present(Display* d);
bool manager_supports(Display* d, const char* name);  // listed in _NET_SUPPORTED

struct Extents {
    long left = 0, right = 0, top = 0, bottom = 0;
};
// The frame the manager gives w: its _NET_FRAME_EXTENTS, or else the manager's own
// frame window around a mapped w. False when neither tells.
bool frame_extents(Display* d, Window w, Extents& e);

// The work area of the first desktop (x, y, width, height); the screen without one.
std::vector<long> work_area(Display* d);

// A client area in root coordinates, or a work area.
struct Box {
    long x = 0, y = 0, width = 0, height = 0;
};
// Whether a client area in this frame fills the work area as a maximised window's
// does: the client within the area, the frame reaching its edges or past them, and
// something of a frame with borders inside it.
bool fills_work_area(const Box& client, const Extents& frame, const Box& area);
// The same for a mapped w as the server has it now.
bool fills_work_area(Display* d, Window w);

// The maximised state: as a property before mapping, and as the request the
// standard has a client send about its mapped window.
void set_maximized_property(Display* d, Window w);
void request_maximized(Display* d, Window w, bool on);
bool is_maximized(Display* d, Window w);

// The client area of w: its width and height as the server has them.
void client_size(Display* d, Window w, int& width, int& height);

// Polls done() every 10 ms until it holds or limit_ms have passed.
bool wait_until(int limit_ms, const std::function<bool()>& done);

// A small window with the text and one OK button; returns when it is dismissed.
void message_box(Display* d, const char* text);

// Destroys the window through a connection of its own: for a window thread that is
// stuck or is itself the thread that faulted.
void destroy_from_outside(Window w);

}  // namespace graphics::x11
