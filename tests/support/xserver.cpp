// The tests' own X server and viewer.
#include "tests/support/xserver.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <vector>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace testsupport {

namespace {

Display* dpy(void* d) { return static_cast<Display*>(d); }

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

int ignore_errors(Display*, XErrorEvent*) { return 0; }

}  // namespace

XServer::XServer(const std::string& geometry, bool window_manager) {
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe");
    xvfb_pid_ = fork();
    if (xvfb_pid_ == 0) {
        // Nothing of the test's own: no pipe of ctest's stays open in an orphan, and
        // the server goes with the test that started it.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        close(fds[0]);
        int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, 0);
        dup2(devnull, 1);
        dup2(devnull, 2);
        std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", geometry.c_str(), "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    // The number comes in two writes, the digits and then a line end; closing the pipe
    // before the second makes the server give up.
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) throw std::runtime_error("Xvfb did not start");
    display_ = ":" + number;
    setenv("DISPLAY", display_.c_str(), 1);
    if (window_manager) {
        wm_pid_ = fork();
        if (wm_pid_ == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            int devnull = open("/dev/null", O_WRONLY);
            dup2(devnull, 1);
            dup2(devnull, 2);
            execlp("openbox", "openbox", static_cast<char*>(nullptr));
            _exit(127);
        }
        // Ready once it announces itself on the root window.
        Display* d = XOpenDisplay(display_.c_str());
        Atom check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False);
        for (int i = 0; i < 500; ++i) {
            Atom type;
            int format;
            unsigned long count = 0, after;
            unsigned char* data = nullptr;
            XGetWindowProperty(d, DefaultRootWindow(d), check, 0, 1, False, XA_WINDOW, &type, &format, &count, &after,
                               &data);
            if (data) XFree(data);
            if (count == 1) break;
            sleep_ms(10);
        }
        XCloseDisplay(d);
        sleep_ms(200);
    }
}

void XServer::kill_server() {
    if (wm_pid_ > 0) kill(wm_pid_, SIGKILL), waitpid(wm_pid_, nullptr, 0), wm_pid_ = -1;
    if (xvfb_pid_ > 0) kill(xvfb_pid_, SIGKILL), waitpid(xvfb_pid_, nullptr, 0), xvfb_pid_ = -1;
}

XServer::~XServer() { kill_server(); }

XViewer::XViewer() : display_(nullptr) {
    // A server busy with another client can refuse a connection for a moment.
    for (int i = 0; i < 100 && display_ == nullptr; ++i) {
        display_ = XOpenDisplay(nullptr);
        if (display_ == nullptr) sleep_ms(20);
    }
    if (display_ == nullptr) throw std::runtime_error("no display");
    XSetErrorHandler(ignore_errors);
}

XViewer::~XViewer() { XCloseDisplay(dpy(display_)); }

unsigned long XViewer::find_window(const std::string& title, int timeout_ms) {
    Display* d = dpy(display_);
    for (int waited = 0;; waited += 20) {
        std::vector<Window> pending{DefaultRootWindow(d)};
        while (!pending.empty()) {
            Window w = pending.back();
            pending.pop_back();
            char* name = nullptr;
            if (XFetchName(d, w, &name) && name) {
                bool match = title == name;
                XFree(name);
                if (match) return w;
            }
            Window root, parent, *children = nullptr;
            unsigned count = 0;
            if (XQueryTree(d, w, &root, &parent, &children, &count)) {
                for (unsigned i = 0; i < count; ++i) pending.push_back(children[i]);
                if (children) XFree(children);
            }
        }
        if (waited >= timeout_ms) return 0;
        sleep_ms(20);
    }
}

XViewer::Geometry XViewer::geometry(unsigned long window) {
    XWindowAttributes a{};
    XGetWindowAttributes(dpy(display_), window, &a);
    return {a.width, a.height};
}

uint32_t XViewer::pixel(unsigned long window, int x, int y) {
    XImage* image = XGetImage(dpy(display_), window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) return 0xDEADBEEF;
    uint32_t p = uint32_t(XGetPixel(image, 0, 0)) & 0xFFFFFF;
    XDestroyImage(image);
    return p;
}

bool XViewer::all_black(unsigned long window, int width, int height) {
    XImage* image = XGetImage(dpy(display_), window, 0, 0, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
    if (image == nullptr) return false;
    bool black = true;
    for (int y = 0; y < height && black; ++y)
        for (int x = 0; x < width && black; ++x) black = (XGetPixel(image, x, y) & 0xFFFFFF) == 0;
    XDestroyImage(image);
    return black;
}

std::vector<uint32_t> XViewer::image(unsigned long window, int width, int height) {
    std::vector<uint32_t> pixels;
    XImage* image = XGetImage(dpy(display_), window, 0, 0, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
    if (image == nullptr) return pixels;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) pixels.push_back(uint32_t(XGetPixel(image, x, y)) & 0xFFFFFF);
    XDestroyImage(image);
    return pixels;
}

void XViewer::send_key(unsigned long window) {
    Display* d = dpy(display_);
    XEvent ev{};
    ev.xkey.type = KeyPress;
    ev.xkey.window = window;
    ev.xkey.root = DefaultRootWindow(d);
    ev.xkey.keycode = XKeysymToKeycode(d, XStringToKeysym("q"));
    ev.xkey.same_screen = True;
    XSendEvent(d, window, True, KeyPressMask, &ev);
    ev.xkey.keycode = XKeysymToKeycode(d, XStringToKeysym("F4"));
    ev.xkey.state = Mod1Mask;  // Alt+F4
    XSendEvent(d, window, True, KeyPressMask, &ev);
    XFlush(d);
}

void XViewer::send_click(unsigned long window) {
    XEvent ev{};
    ev.xbutton.type = ButtonPress;
    ev.xbutton.window = window;
    ev.xbutton.button = Button1;
    ev.xbutton.x = ev.xbutton.y = 10;
    XSendEvent(dpy(display_), window, True, ButtonPressMask, &ev);
    XFlush(dpy(display_));
}

void XViewer::send_close(unsigned long window) {
    Display* d = dpy(display_);
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = window;
    ev.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = long(XInternAtom(d, "WM_DELETE_WINDOW", False));
    ev.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, window, False, NoEventMask, &ev);
    XFlush(d);
}

void XViewer::unmap(unsigned long window) {
    XUnmapWindow(dpy(display_), window);
    XSync(dpy(display_), False);
}

void XViewer::map(unsigned long window) {
    XMapWindow(dpy(display_), window);
    XSync(dpy(display_), False);
}

void XViewer::sync() { XSync(dpy(display_), False); }

}  // namespace testsupport
