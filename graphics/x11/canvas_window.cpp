// The canvas window on the window thread: made, maximised or sized as decided, and
// its event loop, which repaints from the off-screen image and discards input.
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "graphics/window.h"
#include "graphics/x11/thread.h"
#include "runtime/plant.h"

namespace graphics::x11 {

namespace {

// Drawing is shown at the latest this long after it began, also while the program
// computes; a wait of the program (show_on_screen) shows it at once.
constexpr int PRESENT_AFTER_MS = 10;

// How long a maximised window may take to fill the work area after the manager has
// called it maximised and framed it: some managers keep a size of their own, and the
// window stays black on the screen until the canvas is decided.
constexpr int SETTLE_LIMIT_MS = 500;

void set_properties(Display* d, Window w, int width, int height) {
    XStoreName(d, w, TITLE);
    XChangeProperty(d, w, atom(d, "_NET_WM_NAME"), atom(d, "UTF8_STRING"), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(TITLE), int(std::strlen(TITLE)));
    XClassHint klass{const_cast<char*>("gravity"), const_cast<char*>("Gravity")};
    XSetClassHint(d, w, &klass);
    Atom del = atom(d, "WM_DELETE_WINDOW");
    XSetWMProtocols(d, w, &del, 1);
    XSizeHints hints{};
    hints.flags = PSize;
    hints.width = width;
    hints.height = height;
    XSetWMNormalHints(d, w, &hints);
}

bool has_size(CanvasWindow& c, int width, int height) {
    int w = 0, h = 0;
    client_size(c.d, c.w, w, h);
    return w == width && h == height;
}

bool mapped(CanvasWindow& c) {
    XWindowAttributes a{};
    return XGetWindowAttributes(c.d, c.w, &a) && a.map_state == IsViewable;
}

// With a manager, maximised means the manager says so and has framed the window.
void wait_maximized(CanvasWindow& c) {
    Extents e;
    wait_until(MANAGER_LIMIT_MS, [&] { return mapped(c) && is_maximized(c.d, c.w) && frame_extents(c.d, c.w, e); });
    // Then, as a rule, its frame fills the work area; a manager may set the state and
    // the frame a moment before the size.
    wait_until(SETTLE_LIMIT_MS, [&] { return fills_work_area(c.d, c.w); });
}

void present(CanvasWindow& c) {
    with_canvas(true, [&](const Rect& r) {
        // The lock is held throughout: the server reads shared memory that the program
        // would otherwise be drawing into, and a span must appear whole or not at all.
        if (!r.empty()) put_image(c.d, c.w, c.gc, c.image, r.x0, r.y0, r.x1 - r.x0 + 1, r.y1 - r.y0 + 1);
        XSync(c.d, False);
    });
}

void handle_event(CanvasWindow& c, const XEvent& ev, bool& open) {
    switch (ev.type) {
    case Expose:
        with_canvas(false, [&](const Rect&) {
            put_image(c.d, c.w, c.gc, c.image, ev.xexpose.x, ev.xexpose.y, ev.xexpose.width, ev.xexpose.height);
        });
        break;
    case ConfigureNotify:  // moved or resized by the manager: shown whole once more
        with_canvas(false, [&](const Rect&) {
            put_image(c.d, c.w, c.gc, c.image, 0, 0, c.image.image->width, c.image.image->height);
        });
        break;
    case ClientMessage:
        if (Atom(ev.xclient.data.l[0]) == atom(c.d, "WM_DELETE_WINDOW")) open = false;
        break;
    case DestroyNotify:
        open = false;
        break;
    default:  // keys and clicks are discarded: only the terminal's keyboard reaches the program
        break;
    }
}

}  // namespace

bool create_and_map(CanvasWindow& c, int width, int height, bool maximized) {
    Display* d = c.d;
    int screen = DefaultScreen(d);
    Visual* visual = DefaultVisual(d, screen);
    int depth = DefaultDepth(d, screen);
    if (visual->c_class != TrueColor || (depth != 24 && depth != 32)) return false;
    XSetWindowAttributes attrs{};
    attrs.background_pixel = BlackPixel(d, screen);
    attrs.event_mask = ExposureMask | KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                       StructureNotifyMask;
    c.w = XCreateWindow(d, DefaultRootWindow(d), 0, 0, unsigned(width), unsigned(height), 0, depth, InputOutput,
                        visual, CWBackPixel | CWEventMask, &attrs);
    if (c.w == 0) return false;
    set_properties(d, c.w, width, height);
    c.gc = XCreateGC(d, c.w, 0, nullptr);
    const bool manager = window_manager_present(d);
    if (maximized && manager) set_maximized_property(d, c.w);
    XMapRaised(d, c.w);
    wait_until(MANAGER_LIMIT_MS, [&] { return mapped(c); });
    if (maximized && manager) {
        // Asked again the way a mapped window is: some managers read the property only
        // when it is set before mapping, others only this request.
        request_maximized(d, c.w, true);
        wait_maximized(c);
    }
    return true;
}

void settle(CanvasWindow& c, int width, int height, bool maximized) {
    if (maximized || !is_maximized(c.d, c.w)) return;
    request_maximized(c.d, c.w, false);
    wait_until(MANAGER_LIMIT_MS, [&] { return !is_maximized(c.d, c.w); });
    XSizeHints hints{};
    hints.flags = PSize;
    hints.width = width;
    hints.height = height;
    XSetWMNormalHints(c.d, c.w, &hints);
    int restored_width = 0, restored_height = 0;
    client_size(c.d, c.w, restored_width, restored_height);
    XResizeWindow(c.d, c.w, unsigned(width), unsigned(height));
    // The size asked for, or what the manager makes of it (clamped to its work area).
    wait_until(MANAGER_LIMIT_MS, [&] {
        return has_size(c, width, height) || !has_size(c, restored_width, restored_height);
    });
}

void event_loop(CanvasWindow& c, int wake_fd, bool (*stop)(), bool (*barrier_waiting)(), void (*presented)()) {
    bool open = true;
    bool drawn = false;  // the image turned dirty and has not been shown yet
    std::chrono::steady_clock::time_point drawn_at;
    while (open && !stop()) {
        while (open && XPending(c.d)) {
            XEvent ev;
            XNextEvent(c.d, &ev);
            handle_event(c, ev, open);
        }
        if (!open || stop()) break;
        int timeout = -1;
        if (drawn) {
            auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                                drawn_at);
            timeout = std::max(0, PRESENT_AFTER_MS - int(waited.count()));
        }
        pollfd fds[2] = {{ConnectionNumber(c.d), POLLIN, 0}, {wake_fd, POLLIN, 0}};
        int ready = poll(fds, 2, timeout);
        if (fds[1].revents & POLLIN) {
            uint64_t count;
            if (read(wake_fd, &count, sizeof count) > 0 && !drawn) {
                drawn = true;
                drawn_at = std::chrono::steady_clock::now();
            }
        }
        if (barrier_waiting() || (drawn && ready == 0)) {
            runtime::planted_fault("window");
            present(c);
            presented();
            drawn = false;
        }
    }
}

}  // namespace graphics::x11
