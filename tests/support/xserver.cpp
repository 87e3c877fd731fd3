// The tests' own X server, window manager and viewer.
#include "tests/support/xserver.h"

#include "graphics/graph.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

namespace {

Display* dpy(void* d) { return static_cast<Display*>(d); }
int ignore_errors(Display*, XErrorEvent*) { return 0; }

// A child that dies with the test, its output gone, stdout to fd out when given, in a
// process group of its own (what it starts goes with it).
int spawn(const std::vector<std::string>& argv, int keep_fd = -1) {
    int pid = fork();
    if (pid != 0) return pid;
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    setpgid(0, 0);
    int devnull = open("/dev/null", O_RDWR);
    for (int fd = 0; fd < 3; ++fd) dup2(devnull, fd);
    for (int fd = 3; fd < 64; ++fd)
        if (fd != keep_fd) close(fd);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

// A property of 32-bit items.
std::vector<long> property(Display* d, Window w, const char* name) {
    Atom type;
    int format;
    unsigned long count = 0, after;
    unsigned char* data = nullptr;
    XGetWindowProperty(d, w, XInternAtom(d, name, False), 0, 64, False, AnyPropertyType, &type, &format, &count,
                       &after, &data);
    std::vector<long> items(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + (data ? count : 0));
    if (data) XFree(data);
    return items;
}

}  // namespace

XServer::XServer(const std::string& geometry, const std::vector<std::string>& manager) {
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe");
    xvfb_pid_ = spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", geometry, "-nolisten", "tcp"},
                      fds[1]);
    close(fds[1]);
    // The number comes in two writes, the digits and then a line end; closing the pipe
    // before the second makes the server give up.
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) throw std::runtime_error("Xvfb did not start");
    display_ = ":" + number;
    if (const char* old = std::getenv("DISPLAY")) saved_display_ = old;
    setenv("DISPLAY", display_.c_str(), 1);
    if (manager.empty()) return;
    // No wallpaper: fluxbox's setter, finding no program to set one with, would put a
    // message box over the canvas.
    static const std::string quiet = [] {
        char dir[] = "/tmp/gravity-wm-XXXXXX";
        if (mkdtemp(dir) == nullptr) throw std::runtime_error("mkdtemp");
        const std::string setter = std::string(dir) + "/fbsetbg";
        FILE* f = std::fopen(setter.c_str(), "w");
        std::fputs("#!/bin/sh\n", f), std::fclose(f), chmod(setter.c_str(), 0755);
        return std::string(dir) + ":" + std::getenv("PATH");
    }();
    const std::string path = std::getenv("PATH");
    setenv("PATH", quiet.c_str(), 1);
    wm_pid_ = spawn(manager);
    setenv("PATH", path.c_str(), 1);
    Display* d = XOpenDisplay(display_.c_str());
    if (!wait_for([&] { Window r = DefaultRootWindow(d);
        return !property(d, r, "_NET_SUPPORTING_WM_CHECK").empty() && !property(d, r, "_NET_WORKAREA").empty(); },
                  60000))
        throw std::runtime_error("the window manager did not start");
    XCloseDisplay(d);
}

void XServer::kill_server() {
    if (wm_pid_ > 0) kill(-wm_pid_, SIGKILL), waitpid(wm_pid_, nullptr, 0), wm_pid_ = -1;
    if (xvfb_pid_ > 0) kill(xvfb_pid_, SIGKILL), waitpid(xvfb_pid_, nullptr, 0), xvfb_pid_ = -1;
}

XServer::~XServer() {
    kill_server();
    if (!saved_display_.empty()) setenv("DISPLAY", saved_display_.c_str(), 1);
}

XViewer::XViewer() : display_(nullptr) {
    // A server busy with another client can refuse a connection for a moment.
    wait_for([&] { return (display_ = display_ ? display_ : XOpenDisplay(nullptr)) != nullptr; }, 5000);
    if (display_ == nullptr) throw std::runtime_error("no display");
    XSetErrorHandler(ignore_errors);
    XSelectInput(dpy(display_), DefaultRootWindow(dpy(display_)), SubstructureNotifyMask);
}

int XViewer::windows_created() {
    int count = 0;
    for (XEvent ev; XSync(dpy(display_), False), XCheckTypedEvent(dpy(display_), CreateNotify, &ev);) ++count;
    return count;
}

XViewer::~XViewer() { XCloseDisplay(dpy(display_)); }

unsigned long XViewer::find_window(const std::string& title, int timeout_ms) {
    Display* d = dpy(display_);
    Window found = 0;
    auto search = [&] {
        std::vector<Window> pending{DefaultRootWindow(d)};
        while (!pending.empty() && found == 0) {
            Window w = pending.back(), root, parent, *children = nullptr;
            pending.pop_back();
            char* name = nullptr;
            if (XFetchName(d, w, &name) && name) found = title == name ? w : 0, XFree(name);
            unsigned count = 0;
            if (XQueryTree(d, w, &root, &parent, &children, &count) && children) {
                pending.insert(pending.end(), children, children + count);
                XFree(children);
            }
        }
        return found != 0;
    };
    wait_for(search, timeout_ms);
    return found;
}

XViewer::Geometry XViewer::geometry(unsigned long window) {
    XWindowAttributes a{};
    XGetWindowAttributes(dpy(display_), window, &a);
    return {a.width, a.height};
}

bool XViewer::maximized(unsigned long window) {
    Display* d = dpy(display_);
    int found = 0;
    for (long a : property(d, window, "_NET_WM_STATE"))
        found |= (Atom(a) == XInternAtom(d, "_NET_WM_STATE_MAXIMIZED_VERT", False)) |
                 (Atom(a) == XInternAtom(d, "_NET_WM_STATE_MAXIMIZED_HORZ", False)) << 1;
    return found == 3;
}

uint32_t XViewer::pixel(unsigned long window, int x, int y) {
    auto p = image(window, x + 1, y + 1);
    return p.empty() ? 0xDEADBEEF : p.back();
}

std::vector<uint32_t> XViewer::image(unsigned long window, int width, int height) {
    // As the user sees it: from the screen, where the window is, as far as the screen
    // and the manager's frame (which may clip its client) let it be seen.
    Display* d = dpy(display_);
    int x0 = 0, y0 = 0;
    Window child, root, parent, frame = window, *children = nullptr;
    unsigned count;
    XTranslateCoordinates(d, window, DefaultRootWindow(d), 0, 0, &x0, &y0, &child);
    while (XQueryTree(d, frame, &root, &parent, &children, &count) && parent != root && parent != 0) {
        if (children) XFree(children);
        children = nullptr;
        frame = parent;
    }
    if (children) XFree(children);
    XWindowAttributes f{};
    XGetWindowAttributes(d, frame, &f);
    if (frame == window) f.x = f.y = 0, f.width = 1 << 20, f.height = 1 << 20;
    int left = std::max({x0, 0, f.x}), top = std::max({y0, 0, f.y});
    int right = std::min({x0 + width, DisplayWidth(d, DefaultScreen(d)), f.x + f.width});
    int bottom = std::min({y0 + height, DisplayHeight(d, DefaultScreen(d)), f.y + f.height});
    std::vector<uint32_t> pixels(size_t(width) * size_t(height), NOT_SEEN);
    XImage* image = right > left && bottom > top ? XGetImage(d, DefaultRootWindow(d), left, top, unsigned(right - left),
                                                             unsigned(bottom - top), AllPlanes, ZPixmap)
                                                 : nullptr;
    if (image == nullptr) return {};
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            pixels[size_t((y - y0) * width + x - x0)] = uint32_t(XGetPixel(image, x - left, y - top)) & 0xFFFFFF;
    XDestroyImage(image);
    return pixels;
}

bool XViewer::all_black(unsigned long window, int width, int height) {
    auto p = image(window, width, height);
    return !p.empty() && std::all_of(p.begin(), p.end(), [](uint32_t v) { return v == 0; });
}

void send(Display* d, unsigned long window, long mask, const std::function<void(XEvent&, Display*)>& fill) {
    XEvent ev{};
    fill(ev, d);
    XSendEvent(d, window, mask != 0, mask, &ev);
    XFlush(d);
}

void XViewer::send_key(unsigned long window) {
    for (const char* key : {"q", "F4"})  // q, and Alt+F4
        send(dpy(display_), window, KeyPressMask, [&](XEvent& ev, Display* d) {
            ev.xkey = {KeyPress, 0, True, d, window, DefaultRootWindow(d), 0, 0, 0, 0, 0, 0, Mod1Mask, 0, True};
            ev.xkey.keycode = XKeysymToKeycode(d, XStringToKeysym(key));
        });
}

void XViewer::send_click(unsigned long window) {
    send(dpy(display_), window, ButtonPressMask, [&](XEvent& ev, Display*) {
        ev.xbutton.type = ButtonPress, ev.xbutton.window = window, ev.xbutton.button = Button1;
    });
}

void XViewer::send_close(unsigned long window) {
    send(dpy(display_), window, NoEventMask, [&](XEvent& ev, Display* d) {
        ev.xclient.type = ClientMessage, ev.xclient.window = window, ev.xclient.format = 32;
        ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
        ev.xclient.data.l[0] = long(XInternAtom(d, "WM_DELETE_WINDOW", False));
    });
}

void XViewer::show(unsigned long window, bool mapped) {
    mapped ? XMapWindow(dpy(display_), window) : XUnmapWindow(dpy(display_), window);
    sync();
}

void XViewer::sync() { XSync(dpy(display_), False); }

void XViewer::add_side_panel(int width) {
    Display* d = dpy(display_);
    int height = DisplayHeight(d, DefaultScreen(d));
    Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, unsigned(width), unsigned(height), 0, 0, 0);
    Atom dock = XInternAtom(d, "_NET_WM_WINDOW_TYPE_DOCK", False);
    XChangeProperty(d, w, XInternAtom(d, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&dock), 1);
    long strut[12] = {width, 0, 0, 0, 0, height - 1, 0, 0, 0, 0, 0, 0};
    XChangeProperty(d, w, XInternAtom(d, "_NET_WM_STRUT_PARTIAL", False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(strut), 12);
    XChangeProperty(d, w, XInternAtom(d, "_NET_WM_STRUT", False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(strut), 4);
    XSizeHints at_the_edge{};
    at_the_edge.flags = USPosition | PPosition;  // or the manager places it over the canvas
    XSetWMNormalHints(d, w, &at_the_edge);
    XMapWindow(d, w);
    sync();
}

unsigned long open_canvas_as_the_program_does(XViewer& viewer) {
    graphics::initialize();
    int16_t driver = 0, mode = 0;
    graphics::DETECTGRAPH(driver, mode);
    graphics::INITGRAPH(driver, mode, "");
    return graphics::GRAPHRESULT() == 0 ? viewer.find_window("Graph window application") : 0;
}

}  // namespace testsupport
