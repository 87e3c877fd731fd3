// The canvas window on X11. The window thread alone uses its connection: it creates
// the window, repaints exposed parts from the off-screen image, shows what the
// program draws (woken when the image turns dirty), discards keys and clicks, and
// destroys the window on a close request or on close_window.
#include "graphics/x11.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <thread>
#include <unistd.h>

#include "graphics/canvas.h"
#include "runtime/fpu.h"
#include "runtime/faults.h"

namespace graphics::x11 {

namespace {

constexpr const char* TITLE = "Graph window application";

// What the program's thread and the window thread tell each other.
struct Handshake {
    std::mutex lock;
    std::condition_variable changed;
    enum { starting, shown, failed } state = starting;
    bool ended = false;
    unsigned long requested = 0, presented = 0;  // show_on_screen barriers
};

Handshake handshake;
std::thread window_thread;
int wake_fd = -1;
std::atomic<bool> close_requested{false};
thread_local std::jmp_buf* connection_lost = nullptr;

// Errors are noted, never fatal: a request about a window already gone is harmless.
thread_local bool x_error_seen = false;
int ignore_x_error(Display*, XErrorEvent*) {
    x_error_seen = true;
    return 0;
}
int quiet_io_error(Display*) { return 0; }

// The server has gone: leave the window thread's loop as if the window was closed.
void on_connection_lost(Display*, void*) {
    if (connection_lost != nullptr) std::longjmp(*connection_lost, 1);
}

Atom atom(Display* d, const char* name) { return XInternAtom(d, name, False); }

int shift_of(unsigned long mask) {
    int shift = 0;
    while (mask != 0 && (mask & 1) == 0) mask >>= 1, ++shift;
    return shift;
}

void wake() {
    uint64_t one = 1;
    if (write(wake_fd, &one, sizeof one) < 0) {
        // A full counter still wakes the window thread.
    }
}

void set_state(int state) {
    std::lock_guard<std::mutex> hold(handshake.lock);
    handshake.state = decltype(handshake.state)(state);
    handshake.changed.notify_all();
}

// Waits up to timeout_ms for one of the events in mask on w.
bool wait_for_event(Display* d, Window w, long type, XEvent& ev, int timeout_ms) {
    for (int waited = 0; waited <= timeout_ms; waited += 10) {
        if (XCheckTypedWindowEvent(d, w, int(type), &ev)) return true;
        usleep(10000);
    }
    return false;
}

// Frame extents the window manager would give a window (left, right, top, bottom),
// asked for before mapping; false without an answer.
bool frame_extents(Display* d, bool maximized, long extents[4]) {
    Window root = DefaultRootWindow(d);
    Window w = XCreateSimpleWindow(d, root, 0, 0, 100, 100, 0, 0, 0);
    XSelectInput(d, w, PropertyChangeMask);
    if (maximized) {
        Atom states[2] = {atom(d, "_NET_WM_STATE_MAXIMIZED_VERT"), atom(d, "_NET_WM_STATE_MAXIMIZED_HORZ")};
        XChangeProperty(d, w, atom(d, "_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(states), 2);
    }
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = w;
    ev.xclient.message_type = atom(d, "_NET_REQUEST_FRAME_EXTENTS");
    ev.xclient.format = 32;
    XSendEvent(d, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
    bool found = false;
    Atom extents_atom = atom(d, "_NET_FRAME_EXTENTS");
    for (int waited = 0; waited < 1000 && !found; waited += 10) {
        XEvent pe;
        while (XCheckTypedWindowEvent(d, w, PropertyNotify, &pe))
            if (pe.xproperty.atom == extents_atom) found = true;
        if (!found) usleep(10000);
    }
    if (found) {
        Atom type;
        int format;
        unsigned long count, after;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(d, w, extents_atom, 0, 4, False, XA_CARDINAL, &type, &format, &count, &after, &data) ==
                Success && count == 4) {
            for (int i = 0; i < 4; ++i) extents[i] = reinterpret_cast<long*>(data)[i];
        } else {
            found = false;
        }
        if (data) XFree(data);
    }
    XDestroyWindow(d, w);
    return found;
}

bool window_manager_present(Display* d) {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    bool present = XGetWindowProperty(d, DefaultRootWindow(d), atom(d, "_NET_SUPPORTING_WM_CHECK"), 0, 1, False,
                                      XA_WINDOW, &type, &format, &count, &after, &data) == Success &&
                   count == 1;
    if (data) XFree(data);
    return present;
}

// The work area of the first desktop: x, y, width, height.
bool work_area(Display* d, long area[4]) {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    bool ok = XGetWindowProperty(d, DefaultRootWindow(d), atom(d, "_NET_WORKAREA"), 0, 4, False, XA_CARDINAL, &type,
                                 &format, &count, &after, &data) == Success &&
              count >= 4;
    if (ok)
        for (int i = 0; i < 4; ++i) area[i] = reinterpret_cast<long*>(data)[i];
    if (data) XFree(data);
    return ok;
}

// A small window with the text and one OK button; returns when it is dismissed.
void message_box(Display* d, const char* text) {
    Window root = DefaultRootWindow(d);
    Window w = XCreateSimpleWindow(d, root, 100, 100, 260, 90, 1, BlackPixel(d, DefaultScreen(d)),
                                   WhitePixel(d, DefaultScreen(d)));
    Atom del = atom(d, "WM_DELETE_WINDOW");
    XSetWMProtocols(d, w, &del, 1);
    XStoreName(d, w, "Error");
    XSelectInput(d, w, ExposureMask | ButtonPressMask | KeyPressMask);
    XMapWindow(d, w);
    GC gc = DefaultGC(d, DefaultScreen(d));
    for (;;) {
        XEvent ev;
        XNextEvent(d, &ev);
        if (ev.type == Expose) {
            XDrawString(d, w, gc, 20, 30, text, int(std::strlen(text)));
            XDrawRectangle(d, w, gc, 105, 50, 50, 25);
            XDrawString(d, w, gc, 122, 67, "OK", 2);
        } else if (ev.type == KeyPress || (ev.type == ClientMessage && Atom(ev.xclient.data.l[0]) == del) ||
                   (ev.type == ButtonPress && ev.xbutton.x >= 105 && ev.xbutton.x <= 155 && ev.xbutton.y >= 50 &&
                    ev.xbutton.y <= 75)) {
            break;
        }
    }
    XDestroyWindow(d, w);
    XSync(d, False);
}

void report_failure(Display* d, const char* text) {
    if (d != nullptr) message_box(d, text);
    else std::fprintf(stderr, "%s\n", text);
}

struct Canvas {
    Display* d = nullptr;
    Window w = 0;
    XImage* image = nullptr;
    XShmSegmentInfo shm{};
    bool shared = false;  // the image lives in memory the server reads directly
    GC gc = nullptr;
    int width = 0, height = 0;
};

// Under the drawing lock: the part (x, y, w, h) of the canvas, from the image.
void put_rect(Canvas& c, int x, int y, int w, int h) {
    if (x < 0) w += x, x = 0;
    if (y < 0) h += y, y = 0;
    if (x + w > c.width) w = c.width - x;
    if (y + h > c.height) h = c.height - y;
    if (w <= 0 || h <= 0 || !GRAPHRUNNING) return;
    if (c.shared) XShmPutImage(c.d, c.w, c.gc, c.image, x, y, x, y, unsigned(w), unsigned(h), False);
    else XPutImage(c.d, c.w, c.gc, c.image, x, y, x, y, unsigned(w), unsigned(h));
}

// Sends what was drawn since the last time and waits until the server has taken it.
// The lock is held throughout: the server reads shared memory that the program would
// otherwise be drawing into, and a span must appear whole or not at all.
void present_dirty(Canvas& c) {
    unsigned long target;
    {
        std::lock_guard<std::mutex> hold(handshake.lock);
        target = handshake.requested;
    }
    {
        std::lock_guard<std::mutex> hold(GRAPHDRAWING);
        if (!dirty.empty()) put_rect(c, dirty.x0, dirty.y0, dirty.x1 - dirty.x0 + 1, dirty.y1 - dirty.y0 + 1);
        dirty = {};
        XSync(c.d, False);
    }
    std::lock_guard<std::mutex> hold(handshake.lock);
    handshake.presented = target;
    handshake.changed.notify_all();
}

bool barrier_waiting() {
    std::lock_guard<std::mutex> hold(handshake.lock);
    return handshake.requested != handshake.presented;
}

void destroy_image(Canvas& c) {
    if (c.image == nullptr) return;
    if (c.shared) {
        XShmDetach(c.d, &c.shm);
        c.image->data = nullptr;  // not the C library's memory
        XDestroyImage(c.image);
        shmdt(c.shm.shmaddr);
    } else {
        XDestroyImage(c.image);  // frees the pixels too
    }
    c.image = nullptr;
}

// Marks the canvas gone and releases the image, under the lock: from here on every
// pixel write of the program does nothing.
void release_canvas(Canvas& c, bool connection_alive) {
    std::lock_guard<std::mutex> hold(GRAPHDRAWING);
    GRAPHRUNNING = false;
    wake_presenter = nullptr;
    if (connection_alive) destroy_image(c);
    c.image = nullptr;  // with the server gone, the memory is left as it is
    canvas_image = {};
    dirty = {};
}

// The image in shared memory when the server offers it (a local display), else in
// the process's own memory; black either way.
bool create_image(Canvas& c, Visual* visual, int depth) {
    if (XShmQueryExtension(c.d)) {
        c.image = XShmCreateImage(c.d, visual, unsigned(depth), ZPixmap, nullptr, &c.shm, unsigned(c.width),
                                  unsigned(c.height));
        if (c.image != nullptr) {
            c.shm.shmid = shmget(IPC_PRIVATE, size_t(c.image->bytes_per_line) * size_t(c.height), IPC_CREAT | 0600);
            c.shm.shmaddr = c.shm.shmid >= 0 ? static_cast<char*>(shmat(c.shm.shmid, nullptr, 0)) : nullptr;
            if (c.shm.shmaddr != reinterpret_cast<char*>(-1) && c.shm.shmaddr != nullptr) {
                c.image->data = c.shm.shmaddr;
                c.shm.readOnly = False;
                x_error_seen = false;
                XShmAttach(c.d, &c.shm);
                XSync(c.d, False);
                shmctl(c.shm.shmid, IPC_RMID, nullptr);  // gone with the last detach
                if (!x_error_seen) {
                    c.shared = true;
                    std::memset(c.image->data, 0, size_t(c.image->bytes_per_line) * size_t(c.height));
                    return c.image->bits_per_pixel == 32;
                }
                shmdt(c.shm.shmaddr);
            } else if (c.shm.shmid >= 0) {
                shmctl(c.shm.shmid, IPC_RMID, nullptr);
            }
            c.image->data = nullptr;
            XDestroyImage(c.image);
            c.image = nullptr;
        }
    }
    char* pixels = static_cast<char*>(std::calloc(size_t(c.width) * size_t(c.height), 4));
    c.image = pixels ? XCreateImage(c.d, visual, unsigned(depth), ZPixmap, 0, pixels, unsigned(c.width),
                                    unsigned(c.height), 32, 0)
                     : nullptr;
    if (c.image == nullptr) std::free(pixels);
    return c.image != nullptr && c.image->bits_per_pixel == 32;
}

bool create_window(Canvas& c, bool maximized) {
    Display* d = c.d;
    int screen = DefaultScreen(d);
    Visual* visual = DefaultVisual(d, screen);
    int depth = DefaultDepth(d, screen);
    if (visual->c_class != TrueColor || (depth != 24 && depth != 32)) return false;
    XSetWindowAttributes attrs{};
    attrs.background_pixel = BlackPixel(d, screen);
    attrs.event_mask = ExposureMask | KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                       StructureNotifyMask;
    int x = 0, y = 0;
    c.w = XCreateWindow(d, DefaultRootWindow(d), x, y, unsigned(c.width), unsigned(c.height), 0, depth, InputOutput,
                        visual, CWBackPixel | CWEventMask, &attrs);
    if (c.w == 0) return false;
    XStoreName(d, c.w, TITLE);
    XChangeProperty(d, c.w, atom(d, "_NET_WM_NAME"), atom(d, "UTF8_STRING"), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(TITLE), int(std::strlen(TITLE)));
    XClassHint klass{const_cast<char*>("gravity"), const_cast<char*>("Gravity")};
    XSetClassHint(d, c.w, &klass);
    Atom del = atom(d, "WM_DELETE_WINDOW");
    XSetWMProtocols(d, c.w, &del, 1);
    if (maximized) {
        Atom states[2] = {atom(d, "_NET_WM_STATE_MAXIMIZED_VERT"), atom(d, "_NET_WM_STATE_MAXIMIZED_HORZ")};
        XChangeProperty(d, c.w, atom(d, "_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(states), 2);
    }
    c.gc = XCreateGC(d, c.w, 0, nullptr);
    if (!create_image(c, visual, depth) || c.image->bytes_per_line != c.width * 4) {
        destroy_image(c);
        return false;
    }
    std::lock_guard<std::mutex> hold(GRAPHDRAWING);
    canvas_image = {reinterpret_cast<uint32_t*>(c.image->data), c.width, c.height,
                    PixelFormat{shift_of(visual->red_mask), shift_of(visual->green_mask), shift_of(visual->blue_mask)}};
    dirty = {};
    wake_presenter = wake;
    GRAPHRUNNING = true;
    return true;
}

void handle_event(Canvas& c, const XEvent& ev, bool& open) {
    switch (ev.type) {
    case Expose: {
        std::lock_guard<std::mutex> hold(GRAPHDRAWING);
        put_rect(c, ev.xexpose.x, ev.xexpose.y, ev.xexpose.width, ev.xexpose.height);
        break;
    }
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

// Drawing is shown at the latest this long after it began, also while the program
// computes; a wait of the program (show_on_screen) shows it at once.
constexpr int PRESENT_AFTER_MS = 10;

void event_loop(Canvas& c) {
    bool open = true;
    bool drawn = false;  // the image turned dirty and has not been shown yet
    std::chrono::steady_clock::time_point drawn_at;
    while (open && !close_requested) {
        while (open && XPending(c.d)) {
            XEvent ev;
            XNextEvent(c.d, &ev);
            handle_event(c, ev, open);
        }
        if (!open || close_requested) break;
        int timeout = -1;
        if (drawn) {
            auto waited = std::chrono::steady_clock::now() - drawn_at;
            timeout = std::max(0, PRESENT_AFTER_MS - int(std::chrono::duration_cast<std::chrono::milliseconds>(waited).count()));
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
            present_dirty(c);
            drawn = false;
        }
    }
}

// The window thread's canvas: not a local, so that it keeps its values across the
// long jump out of Xlib when the server goes away.
Canvas window_canvas;

void window_main(int width, int height, bool maximized) {
    runtime::reset_fpu();
    runtime::install_thread_signal_stack();
    Canvas& c = window_canvas;
    c = Canvas{};
    c.width = width;
    c.height = height;
    std::jmp_buf lost;
    if (setjmp(lost) == 0) {
        connection_lost = &lost;
        c.d = XOpenDisplay(nullptr);
        if (c.d != nullptr) XSetIOErrorExitHandler(c.d, on_connection_lost, nullptr);
        if (c.d == nullptr || !create_window(c, maximized)) {
            report_failure(c.d, "Window creation failed");
            set_state(Handshake::failed);
        } else {
            XMapRaised(c.d, c.w);
            XEvent ev;
            wait_for_event(c.d, c.w, MapNotify, ev, 2000);
            {
                std::lock_guard<std::mutex> hold(GRAPHDRAWING);
                put_rect(c, 0, 0, c.width, c.height);
            }
            XSync(c.d, False);
            set_state(Handshake::shown);
            event_loop(c);
            release_canvas(c, true);
            XFreeGC(c.d, c.gc);
            XDestroyWindow(c.d, c.w);
            XSync(c.d, False);  // the server has destroyed it before close_window returns
        }
        if (c.d) XCloseDisplay(c.d);
    } else {
        // The server has gone, and the window with it: as if the user had closed it.
        release_canvas(c, false);
    }
    connection_lost = nullptr;
    std::lock_guard<std::mutex> hold(handshake.lock);
    if (handshake.state == Handshake::starting) handshake.state = c.w != 0 ? Handshake::shown : Handshake::failed;
    handshake.ended = true;
    handshake.changed.notify_all();
}

void prepare_xlib() {
    static bool done = false;
    if (done) return;
    XInitThreads();
    XSetErrorHandler(ignore_x_error);
    XSetIOErrorHandler(quiet_io_error);
    done = true;
}

}  // namespace

bool read_screen_metrics(ScreenMetrics& m) {
    prepare_xlib();
    m = {};
    Display* d = XOpenDisplay(nullptr);
    if (d == nullptr) return false;
    int screen = DefaultScreen(d);
    m.screen_width = DisplayWidth(d, screen);
    m.screen_height = DisplayHeight(d, screen);
    m.full_width = m.screen_width;
    m.full_height = m.screen_height;
    long normal[4], maximized[4], area[4];
    if (window_manager_present(d) && frame_extents(d, false, normal)) {
        m.frame_width = int(normal[0]);
        m.frame_height = int(normal[3]);
        m.caption_height = int(normal[2] - normal[3]);
        if (!frame_extents(d, true, maximized)) std::memcpy(maximized, normal, sizeof normal);
        if (work_area(d, area)) {
            m.full_width = int(area[2] - maximized[0] - maximized[1]);
            m.full_height = int(area[3] - maximized[2] - maximized[3]);
        }
    }
    XCloseDisplay(d);
    return true;
}

bool open_window(int width, int height, bool maximized) {
    prepare_xlib();
    if (window_thread.joinable()) return true;
    if (wake_fd < 0) wake_fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    close_requested = false;
    {
        std::lock_guard<std::mutex> hold(handshake.lock);
        handshake.state = Handshake::starting;
        handshake.ended = false;
    }
    window_thread = std::thread(window_main, width, height, maximized);
    std::unique_lock<std::mutex> hold(handshake.lock);
    handshake.changed.wait(hold, [] { return handshake.state != Handshake::starting; });
    if (handshake.state == Handshake::failed) {
        hold.unlock();
        window_thread.join();
        return false;
    }
    return true;
}

void close_window() {
    if (!window_thread.joinable()) return;
    close_requested = true;
    wake();
    window_thread.join();
}

void show_on_screen() {
    if (!window_thread.joinable()) return;
    std::unique_lock<std::mutex> hold(handshake.lock);
    if (handshake.ended) return;
    unsigned long target = ++handshake.requested;
    hold.unlock();
    wake();
    hold.lock();
    handshake.changed.wait_for(hold, std::chrono::seconds(2),
                               [target] { return handshake.presented >= target || handshake.ended; });
}

}  // namespace graphics::x11
