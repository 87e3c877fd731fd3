// The window thread: its start and the handshake with the program's thread, and the
// ways it ends: a close request, the server going away, or a fault's exit sequence.
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <csetjmp>
#include <new>
#include <cstdio>
#include <mutex>
#include <system_error>
#include <thread>

#include "graphics/window.h"
#include "graphics/x11/thread.h"
#include "runtime/faults.h"
#include "runtime/fpu.h"
#include "runtime/plant.h"

namespace graphics::x11 {

namespace {

// How long closing waits for the window thread before it takes the window away
// from outside: the thread may be stuck behind a fault on another thread.
constexpr int CLOSE_LIMIT_MS = 10000;

// What the program's thread and the window thread tell each other.
struct Handshake {
    std::mutex lock;
    std::condition_variable changed;
    enum Stage { starting, measured, decided, shown, failed } stage = starting;
    bool ended = false;
    Extents frame;  // of the measured window
    int width = 0, height = 0;  // measured client area, then the decided canvas
    bool maximized = false;
    unsigned long requested = 0, presented = 0;  // show_on_screen barriers
};

Handshake handshake;
std::thread window_thread;
std::atomic<Window> window_id{0};
std::atomic<bool> close_requested{false};
int wake_fd = -1;
unsigned long presenting = 0;  // the barrier being presented (window thread only)
thread_local std::jmp_buf* connection_lost = nullptr;

// The server has gone: leave the window thread's loop as if the window was closed.
void on_connection_lost(Display*, void*) {
    if (connection_lost != nullptr) std::longjmp(*connection_lost, 1);
}

void wake() {
    uint64_t one = 1;
    if (write(wake_fd, &one, sizeof one) < 0) {
        // A full counter still wakes the window thread.
    }
}

void set_stage(Handshake::Stage stage) {
    std::lock_guard<std::mutex> hold(handshake.lock);
    handshake.stage = stage;
    handshake.changed.notify_all();
}

template <class Done> void wait_for(Done done) {
    std::unique_lock<std::mutex> hold(handshake.lock);
    handshake.changed.wait(hold, done);
}

bool stop() { return close_requested; }

bool barrier_waiting() {
    std::lock_guard<std::mutex> hold(handshake.lock);
    presenting = handshake.requested;
    return handshake.requested != handshake.presented;
}

void presented() {
    std::lock_guard<std::mutex> hold(handshake.lock);
    handshake.presented = presenting;
    handshake.changed.notify_all();
}

void report_failure(Display* d, const char* text) {
    if (d != nullptr) message_box(d, text);
    else std::fprintf(stderr, "%s\n", text);
}

// The measured window waits here for the program's thread to decide the canvas.
void report_measure(CanvasWindow& c) {
    Extents e;
    frame_extents(c.d, c.w, e);
    int width = 0, height = 0;
    client_size(c.d, c.w, width, height);
    std::unique_lock<std::mutex> hold(handshake.lock);
    handshake.frame = e;
    handshake.width = width;
    handshake.height = height;
    handshake.stage = Handshake::measured;
    handshake.changed.notify_all();
    handshake.changed.wait(hold, [] { return handshake.stage == Handshake::decided || close_requested; });
}

bool show(CanvasWindow& c) {
    int width, height;
    bool maximized;
    {
        std::lock_guard<std::mutex> hold(handshake.lock);
        width = handshake.width, height = handshake.height, maximized = handshake.maximized;
    }
    settle(c, width, height, maximized);
    if (!create_image(c.d, width, height, c.image)) return false;
    Visual* v = DefaultVisual(c.d, DefaultScreen(c.d));
    auto shift = [](unsigned long mask) { return __builtin_ctzl(mask); };
    attach_image(reinterpret_cast<uint32_t*>(c.image.image->data), width, height,
                 PixelFormat{shift(v->red_mask), shift(v->green_mask), shift(v->blue_mask)}, wake);
    with_canvas(false, [&](const Rect&) { put_image(c.d, c.w, c.gc, c.image, 0, 0, width, height); });
    XSync(c.d, False);
    return true;
}

// Not a local: it keeps its values across the long jump out of Xlib.
CanvasWindow canvas_window;

void run(bool measuring, int width, int height, bool maximized) {
    CanvasWindow& c = canvas_window;
    c.d = XOpenDisplay(nullptr);
    if (c.d != nullptr) XSetIOErrorExitHandler(c.d, on_connection_lost, nullptr);
    bool made = c.d != nullptr && create_and_map(c, width, height, maximized);
    window_id = c.w;
    if (made && measuring) report_measure(c);
    if (!made || close_requested || !show(c)) {
        if (!close_requested) report_failure(c.d, "Window creation failed");
        set_stage(Handshake::failed);
    } else {
        set_stage(Handshake::shown);
        event_loop(c, wake_fd, stop, barrier_waiting, presented);
    }
    detach_image();
    if (c.d == nullptr) return;
    destroy_image(c.d, c.image);
    if (c.w != 0) XDestroyWindow(c.d, c.w);
    XSync(c.d, False);  // the server has destroyed it before close_window returns
    XCloseDisplay(c.d);
}

void window_main(bool measuring, int width, int height, bool maximized) {
    runtime::reset_fpu();
    runtime::install_thread_signal_stack();
    canvas_window = CanvasWindow{};
    std::jmp_buf lost;
    bool gone = false;
    if (setjmp(lost) == 0) {
        connection_lost = &lost;
        run(measuring, width, height, maximized);
    } else {
        gone = true;
        detach_image();  // the server has gone, and the window with it: as if closed
    }
    connection_lost = nullptr;
    window_id = 0;
    std::lock_guard<std::mutex> hold(handshake.lock);
    // A window made and lost before it was shown was opened and closed at once.
    if (handshake.stage != Handshake::shown)
        handshake.stage = gone && canvas_window.w != 0 ? Handshake::shown : Handshake::failed;
    handshake.ended = true;
    handshake.changed.notify_all();
}

// False when the thread cannot be had: no room for its stack, or no more threads allowed.
bool start(bool measuring, int width, int height, bool maximized) {
    prepare_xlib();
    if (wake_fd < 0) wake_fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    close_requested = false;
    {
        std::lock_guard<std::mutex> hold(handshake.lock);
        handshake.stage = measuring ? Handshake::starting : Handshake::decided;
        handshake.ended = false;
        handshake.width = width, handshake.height = height, handshake.maximized = maximized;
        handshake.requested = handshake.presented = 0;
    }
    try {
        runtime::planted_fault("thread-start");
        window_thread = std::thread(window_main, measuring, width, height, maximized);
    } catch (const std::system_error&) {  // no thread to be had
        return false;
    } catch (const std::bad_alloc&) {  // nor the memory for its start
        return false;
    }
    return true;
}

}  // namespace

bool measure_maximized_window(Extents& frame, int& width, int& height) {
    if (window_thread.joinable()) return false;
    Display* d = XOpenDisplay(nullptr);
    if (d == nullptr) return false;
    std::vector<long> area = work_area(d);
    XCloseDisplay(d);
    if (!start(true, int(area[2]), int(area[3]), true)) return false;
    wait_for([] { return handshake.stage != Handshake::starting || handshake.ended; });
    std::lock_guard<std::mutex> hold(handshake.lock);
    if (handshake.stage != Handshake::measured) return false;
    frame = handshake.frame;
    width = handshake.width;
    height = handshake.height;
    return true;
}

}  // namespace graphics::x11

namespace graphics::window {

using namespace x11;

bool open_window(int width, int height, bool maximized) {
    if (!window_thread.joinable()) {
        if (!start(false, width, height, maximized)) {
            report_failure(nullptr, "Window creation failed");
            return false;
        }
    } else {
        std::lock_guard<std::mutex> hold(handshake.lock);
        if (handshake.stage != Handshake::measured) return handshake.stage == Handshake::shown;
        handshake.width = width, handshake.height = height, handshake.maximized = maximized;
        handshake.stage = Handshake::decided;
        handshake.changed.notify_all();
    }
    wait_for([] { return handshake.stage == Handshake::shown || handshake.stage == Handshake::failed; });
    {
        std::lock_guard<std::mutex> hold(handshake.lock);
        if (handshake.stage == Handshake::shown) return true;
    }
    window_thread.join();
    return false;
}

void close_window() {
    if (!window_thread.joinable()) return;
    close_requested = true;
    handshake.changed.notify_all();
    wake();
    if (std::this_thread::get_id() == window_thread.get_id()) {
        // A fault's exit sequence on the window thread itself: its loop will not run
        // again, so the window goes from outside; the process is ending.
        destroy_from_outside(window_id);
        return;
    }
    std::unique_lock<std::mutex> hold(handshake.lock);
    if (handshake.changed.wait_for(hold, std::chrono::milliseconds(CLOSE_LIMIT_MS), [] { return handshake.ended; })) {
        hold.unlock();
        window_thread.join();
        return;
    }
    // Stuck (behind a lock a faulting thread holds): take the window away and let go.
    hold.unlock();
    destroy_from_outside(window_id);
    detach_image(100);
    window_thread.detach();
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

}  // namespace graphics::window
