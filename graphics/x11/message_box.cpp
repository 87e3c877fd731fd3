// The modal message box of a window that could not be made: the text and one OK button.
#include <cstring>

#include "graphics/x11/xlib.h"

namespace graphics::x11 {

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

}  // namespace graphics::x11
