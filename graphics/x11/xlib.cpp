// Xlib set-up and the questions the canvas window asks the server and the manager.
#include "graphics/x11/xlib.h"

#include <chrono>
#include <mutex>
#include <thread>

namespace graphics::x11 {

namespace {

thread_local bool x_error_seen = false;

// Errors are noted, never fatal: a request about a window already gone is harmless.
int note_x_error(Display*, XErrorEvent*) {
    x_error_seen = true;
    return 0;
}
int quiet_io_error(Display*) { return 0; }

}  // namespace

void forget_x_errors() { x_error_seen = false; }
bool x_error_since() { return x_error_seen; }

void prepare_xlib() {
    static std::once_flag done;
    std::call_once(done, [] {
        XInitThreads();
        XSetErrorHandler(note_x_error);
        XSetIOErrorHandler(quiet_io_error);
    });
}

Atom atom(Display* d, const char* name) { return XInternAtom(d, name, False); }

std::vector<long> property(Display* d, Window w, const char* name, Atom type, long max) {
    Atom actual;
    int format;
    unsigned long count = 0, after;
    unsigned char* data = nullptr;
    std::vector<long> items;
    if (XGetWindowProperty(d, w, atom(d, name), 0, max, False, type, &actual, &format, &count, &after, &data) ==
            Success && format == 32)
        items.assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + count);
    if (data) XFree(data);
    return items;
}

bool window_manager_present(Display* d) {
    return property(d, DefaultRootWindow(d), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW, 1).size() == 1;
}

bool manager_supports(Display* d, const char* name) {
    Atom wanted = atom(d, name);
    for (long a : property(d, DefaultRootWindow(d), "_NET_SUPPORTED", XA_ATOM, 4096))
        if (Atom(a) == wanted) return true;
    return false;
}

bool frame_extents(Display* d, Window w, Extents& e) {
    std::vector<long> v = property(d, w, "_NET_FRAME_EXTENTS", XA_CARDINAL, 4);
    if (v.size() == 4) {
        e = {v[0], v[1], v[2], v[3]};
        return true;
    }
    // The manager's frame: the child of the root that holds w.
    Window root, parent = w, child = w, *children = nullptr;
    unsigned count;
    while (XQueryTree(d, child, &root, &parent, &children, &count) && parent != root && parent != 0) {
        if (children) XFree(children);
        children = nullptr;
        child = parent;
    }
    if (children) XFree(children);
    if (child == w) return false;
    XWindowAttributes frame{}, client{};
    int x, y;
    Window ignored;
    if (!XGetWindowAttributes(d, child, &frame) || !XGetWindowAttributes(d, w, &client) ||
        !XTranslateCoordinates(d, w, child, 0, 0, &x, &y, &ignored))
        return false;
    e = {x, frame.width - client.width - x, y, frame.height - client.height - y};
    return true;
}

std::vector<long> work_area(Display* d) {
    std::vector<long> area = property(d, DefaultRootWindow(d), "_NET_WORKAREA", XA_CARDINAL, 4);
    if (area.size() < 4) {
        int s = DefaultScreen(d);
        area = {0, 0, DisplayWidth(d, s), DisplayHeight(d, s)};
    }
    return area;
}

namespace {

// Along one axis: the client from start to start + size, its borders before and after.
bool fills(long start, long size, long before, long after, long area_start, long area_size) {
    const long end = start + size, area_end = area_start + area_size;
    return start >= area_start && end <= area_end && start - before <= area_start && end + after >= area_end;
}

}  // namespace

bool fills_work_area(const Box& client, const Extents& frame, const Box& area) {
    // Not an exact fit: icewm pushes a maximised window's borders past the edges,
    // leaving only its title bar inside. A client as large as the area itself under
    // a frame with borders is one the manager has yet to size (or to frame).
    const bool bordered = frame.left + frame.right + frame.top + frame.bottom > 0;
    return fills(client.x, client.width, frame.left, frame.right, area.x, area.width) &&
           fills(client.y, client.height, frame.top, frame.bottom, area.y, area.height) &&
           (!bordered || client.width < area.width || client.height < area.height);
}

bool fills_work_area(Display* d, Window w) {
    Extents e;
    int x = 0, y = 0, width = 0, height = 0;
    Window child;
    if (!frame_extents(d, w, e) || !XTranslateCoordinates(d, w, DefaultRootWindow(d), 0, 0, &x, &y, &child))
        return false;
    client_size(d, w, width, height);
    std::vector<long> area = work_area(d);
    return fills_work_area({x, y, width, height}, e, {area[0], area[1], area[2], area[3]});
}

void set_maximized_property(Display* d, Window w) {
    Atom states[2] = {atom(d, "_NET_WM_STATE_MAXIMIZED_VERT"), atom(d, "_NET_WM_STATE_MAXIMIZED_HORZ")};
    XChangeProperty(d, w, atom(d, "_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(states), 2);
}

void request_maximized(Display* d, Window w, bool on) {
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = w;
    ev.xclient.message_type = atom(d, "_NET_WM_STATE");
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = on ? 1 : 0;  // _NET_WM_STATE_ADD or _REMOVE
    ev.xclient.data.l[1] = long(atom(d, "_NET_WM_STATE_MAXIMIZED_VERT"));
    ev.xclient.data.l[2] = long(atom(d, "_NET_WM_STATE_MAXIMIZED_HORZ"));
    ev.xclient.data.l[3] = 1;  // a normal application
    XSendEvent(d, DefaultRootWindow(d), False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
    XFlush(d);
}

bool is_maximized(Display* d, Window w) {
    Atom vert = atom(d, "_NET_WM_STATE_MAXIMIZED_VERT"), horz = atom(d, "_NET_WM_STATE_MAXIMIZED_HORZ");
    int found = 0;
    for (long a : property(d, w, "_NET_WM_STATE", XA_ATOM, 64)) found |= (Atom(a) == vert) | (Atom(a) == horz) << 1;
    return found == 3;
}

void client_size(Display* d, Window w, int& width, int& height) {
    XWindowAttributes a{};
    XGetWindowAttributes(d, w, &a);
    width = a.width;
    height = a.height;
}

bool wait_until(int limit_ms, const std::function<bool()>& done) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

void destroy_from_outside(Window w) {
    if (w == 0) return;
    Display* d = XOpenDisplay(nullptr);
    if (d == nullptr) return;
    XDestroyWindow(d, w);
    XSync(d, False);
    XCloseDisplay(d);
}

}  // namespace graphics::x11
