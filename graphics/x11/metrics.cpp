// The screen metrics from the X server and the window manager: the frame of a normal
// window, and the client area the manager really gives a maximised one.
#include "graphics/window.h"
#include "graphics/x11/thread.h"
#include "graphics/x11/xlib.h"

namespace graphics::window {

namespace {

using x11::Extents;

// The question asked at start-up, answered by the manager in its own time: a window
// never mapped, so nothing shows. Behind it a marker: the manager handles the resize
// request of an unmapped window after the question, so once that is done, an answer
// not given is one that will not come (a manager that frames windows only when they map).
struct Question {
    Display* d = nullptr;
    Window w = 0;
};
Question question;
constexpr int MARKER_SIZE = 101;
constexpr int FIRST_WAIT_MS = 2000;

void ask_frame_extents(Display* d) {
    question.w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 100, 100, 0, 0, 0);
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = question.w;
    ev.xclient.message_type = x11::atom(d, "_NET_REQUEST_FRAME_EXTENTS");
    ev.xclient.format = 32;
    XSendEvent(d, DefaultRootWindow(d), False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
    XResizeWindow(d, question.w, MARKER_SIZE, MARKER_SIZE);
}

bool marker_done() {
    int width = 0, height = 0;
    x11::client_size(question.d, question.w, width, height);
    return width == MARKER_SIZE && height == MARKER_SIZE;
}

bool answer(Extents& e) {
    std::vector<long> v = x11::property(question.d, question.w, "_NET_FRAME_EXTENTS", XA_CARDINAL, 4);
    if (v.size() == 4) e = {v[0], v[1], v[2], v[3]};
    return v.size() == 4;
}

void end_question() {
    if (question.w != 0) XDestroyWindow(question.d, question.w);
    XCloseDisplay(question.d);
    question = {};
}

}  // namespace

bool start_metrics(ScreenMetrics& m) {
    x11::prepare_xlib();
    m = {};
    if (question.d != nullptr) end_question();
    Display* d = XOpenDisplay(nullptr);
    if (d == nullptr) return false;
    int screen = DefaultScreen(d);
    m.screen_width = m.full_width = DisplayWidth(d, screen);
    m.screen_height = m.full_height = DisplayHeight(d, screen);
    if (!x11::window_manager_present(d)) {
        XCloseDisplay(d);  // no frames: a window gets exactly the size it asks for
        return true;
    }
    question.d = d;
    if (x11::manager_supports(d, "_NET_REQUEST_FRAME_EXTENTS")) ask_frame_extents(d);
    XFlush(d);
    return true;
}

void finish_metrics(ScreenMetrics& m) {
    if (question.d == nullptr) return;
    Extents normal, maximized;
    bool have_normal = false, passed = false;
    auto answered = [&] {
        passed = question.w == 0 || marker_done();
        have_normal = have_normal || (question.w != 0 && answer(normal));
        return have_normal || passed;
    };
    // A short first wait: a manager may answer only once it has framed a window (its
    // first frame builds its font cache), which the measuring below makes it do.
    x11::wait_until(FIRST_WAIT_MS, answered);
    // The usable height is measured against the work area: task bars along the top or
    // bottom edge are no place for a window. A panel at the side narrows only the
    // maximised window, so that the largest normal window may then be the wider one.
    m.screen_height = int(x11::work_area(question.d)[3]);
    int width = 0, height = 0;
    bool measured = x11::measure_maximized_window(maximized, width, height);
    // Once the manager has framed a window it answers, or has passed the marker
    // without answering: it frames only mapped windows.
    x11::wait_until(x11::MANAGER_LIMIT_MS, answered);
    end_question();
    if (!measured) return;
    if (!have_normal) normal = maximized;  // the manager frames only mapped windows
    m.frame_width = int(normal.left);
    m.frame_height = int(normal.bottom);
    m.caption_height = int(normal.top - normal.bottom);
    m.full_width = width;
    m.full_height = height;
}

}  // namespace graphics::window
