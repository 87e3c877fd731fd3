// The canvas: its image, palette and drawing state, the drawing lock, the writers that
// put pixels into the image under that lock, and the canvas's side of the seam to its
// window.
#include "graphics/canvas.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <mutex>

#include "graphics/line.h"
#include "runtime/checks.h"
#include "runtime/errors.h"
#include "runtime/in_words.h"
#include "runtime/plant.h"
#include "runtime/textfile.h"

namespace graphics {

struct Canvas {
    uint32_t* pixels = nullptr;  // width * height, row by row
    int width = 0, height = 0;
    PixelFormat format;
    bool running = false;  // the image may be drawn into
    Rect drawn;            // drawn since the window last took it
    void (*wake_window)() = nullptr;
    std::array<uint32_t, 256> pal_pixels{};  // the palette in the image's format
    int32_t MAXCOLOR = 256;
    int16_t MAXX = 0, MAXY = 0;
    uint16_t CURRENTCOLOR = 15;
    int16_t STARTXVIEWPORT = 0, STARTYVIEWPORT = 0, VIEWWIDTH = 0, VIEWHEIGHT = 0;  // extent minus one
    bool CLIPPIXELS = false;
    bool in_graphics_mode = false;  // a mode was opened: drawing goes to the image
};

namespace {

Canvas window_canvas;  // the one the window shows
Canvas* current = &window_canvas;
runtime::ShortString advice;  // said after the message of drawing out of graphics mode

// The drawing lock: every pixel or span write, every repaint, and the creation and
// release of the window's image hold it; whether a canvas runs is read and changed
// only under it, so nothing is ever written into a released image.
std::mutex GRAPHDRAWING;
thread_local bool holding = false;  // this thread is inside a write or a repaint, holding the lock

// The drawing lock held by a writer or a repaint, marked so that a fault's exit
// sequence on this thread knows to let go of it.
struct WriteHold {
    WriteHold() { GRAPHDRAWING.lock(), holding = true; }
    ~WriteHold() { holding = false, GRAPHDRAWING.unlock(); }
};

[[noreturn]] void not_in_graphics_mode() {
    runtime::write_statement(runtime::STDERR,
                             "Error: Not in graphics mode (use InitGraph and test GraphResult afterwards)", true);
    runtime::INT_IOCHECK();
    if (advice.length != 0) runtime::say_in_words(advice.view());
    runtime::HALT(1);
}

// Under the lock, with the canvas running: the span (x0..x1, y0..y1) in one colour.
void fill(Canvas& c, int x0, int y0, int x1, int y1, uint32_t pixel) {
    for (int y = y0; y <= y1; ++y) {
        uint32_t* row = c.pixels + size_t(y) * size_t(c.width);
        std::fill(row + x0, row + x1 + 1, pixel);
    }
    if (c.drawn.empty()) {
        c.drawn = {x0, y0, x1, y1};
        if (c.wake_window != nullptr) c.wake_window();
    } else {
        c.drawn = {std::min(c.drawn.x0, x0), std::min(c.drawn.y0, y0), std::max(c.drawn.x1, x1), std::max(c.drawn.y1, y1)};
    }
}

void write_span(int x0, int y0, int x1, int y1, uint16_t color) {
    Canvas& c = *current;
    WriteHold hold;
    if (!c.running) return;
    runtime::planted_fault("pixel");
    // The caller has clipped to the viewport; the image edge is checked once more so
    // that a wrong viewport can never write outside the image.
    if (x0 < 0 || y0 < 0 || x1 >= c.width || y1 >= c.height) return;
    fill(c, x0, y0, x1, y1, c.pal_pixels[color % uint32_t(c.MAXCOLOR)]);
}

// The pixel writer takes absolute canvas coordinates; the span writers viewport ones.
void DIRECTPUTPIXEL(int x, int y) { write_span(x, y, x, y, current->CURRENTCOLOR); }

// The span a..b in order, and when clipping cut to 0..last; false when nothing is left.
bool span_in_view(int& a, int& b, int last, bool clip) {
    if (a > b) std::swap(a, b);
    if (!clip) return true;
    if (a > last || b < 0) return false;
    a = std::max(a, 0), b = std::min(b, last);
    return true;
}

void HLINE(int x1, int x2, int y) {
    const Canvas& c = *current;
    if ((c.CLIPPIXELS && (y < 0 || y > c.VIEWHEIGHT)) || !span_in_view(x1, x2, c.VIEWWIDTH, c.CLIPPIXELS)) return;
    write_span(x1 + c.STARTXVIEWPORT, y + c.STARTYVIEWPORT, x2 + c.STARTXVIEWPORT, y + c.STARTYVIEWPORT, c.CURRENTCOLOR);
}

void VLINE(int x, int y1, int y2) {
    const Canvas& c = *current;
    if ((c.CLIPPIXELS && (x < 0 || x > c.VIEWWIDTH)) || !span_in_view(y1, y2, c.VIEWHEIGHT, c.CLIPPIXELS)) return;
    write_span(x + c.STARTXVIEWPORT, y1 + c.STARTYVIEWPORT, x + c.STARTXVIEWPORT, y2 + c.STARTYVIEWPORT, c.CURRENTCOLOR);
}

void make_palette(Canvas& c, int32_t colors) {
    c.MAXCOLOR = colors;
    for (size_t i = 0; i < 256; ++i) c.pal_pixels[i] = pixel_value(c.format, int(i) < colors ? DEFAULTCOLORS[i] : RGB{0, 0, 0});
}

void open_state(Canvas& c, int width, int height, int32_t colors) {
    make_palette(c, colors);
    c.MAXX = int16_t(width - 1);
    c.MAXY = int16_t(height - 1);
    c.STARTXVIEWPORT = c.STARTYVIEWPORT = 0;
    c.VIEWWIDTH = c.MAXX;
    c.VIEWHEIGHT = c.MAXY;
    c.CLIPPIXELS = true;
    c.CURRENTCOLOR = 15;
    c.in_graphics_mode = true;
}

}  // namespace

uint32_t pixel_value(const PixelFormat& f, const RGB& c) {
    return uint32_t(c.red & 0xFF) << f.red_shift | uint32_t(c.green & 0xFF) << f.green_shift |
           uint32_t(c.blue & 0xFF) << f.blue_shift;
}

void SETCOLOR(uint16_t color) { current->CURRENTCOLOR = color; }

void LINE(Coord x1, Coord y1, Coord x2, Coord y2) {
    const Canvas& c = *current;
    if (!c.in_graphics_mode) not_in_graphics_mode();
    if (y1 == y2) return HLINE(x1, x2, y1);
    if (x1 == x2) return VLINE(x1, y1, y2);
    int ax = x1 + c.STARTXVIEWPORT, ay = y1 + c.STARTYVIEWPORT, bx = x2 + c.STARTXVIEWPORT, by = y2 + c.STARTYVIEWPORT;
    if (c.CLIPPIXELS && LINECLIPPED(ax, ay, bx, by, c.STARTXVIEWPORT, c.STARTYVIEWPORT, c.STARTXVIEWPORT + c.VIEWWIDTH,
                                    c.STARTYVIEWPORT + c.VIEWHEIGHT))
        return;
    step_line(ax, ay, bx, by, DIRECTPUTPIXEL);
}

void PUTPIXEL(Coord x, Coord y, uint16_t color) {
    const Canvas& c = *current;
    if (!c.in_graphics_mode) not_in_graphics_mode();
    const int ax = x + c.STARTXVIEWPORT, ay = y + c.STARTYVIEWPORT;
    if (c.CLIPPIXELS && (ax < c.STARTXVIEWPORT || ax > c.STARTXVIEWPORT + c.VIEWWIDTH || ay < c.STARTYVIEWPORT ||
                         ay > c.STARTYVIEWPORT + c.VIEWHEIGHT))
        return;
    write_span(ax, ay, ax, ay, color);
}

int16_t GETMAXX() { return current->MAXX; }
int16_t GETMAXY() { return current->MAXY; }

void reset_canvas_state(const runtime::ShortString& what_to_do) {
    advice = what_to_do;
    window_canvas.STARTXVIEWPORT = window_canvas.STARTYVIEWPORT = 0;
    window_canvas.VIEWWIDTH = window_canvas.VIEWHEIGHT = 0;
    window_canvas.CLIPPIXELS = false;
    window_canvas.CURRENTCOLOR = 15;
    window_canvas.in_graphics_mode = false;
}

void set_canvas_state(int width, int height, int32_t colors) {
    std::lock_guard<std::mutex> hold(GRAPHDRAWING);  // the palette follows the image's format
    open_state(window_canvas, width, height, colors);
}

void let_go_of_drawing_lock() {
    if (!holding) return;
    holding = false;
    GRAPHDRAWING.unlock();
}

void attach_image(uint32_t* pixels, int width, int height, PixelFormat format, void (*wake)()) {
    std::lock_guard<std::mutex> hold(GRAPHDRAWING);
    Canvas& c = window_canvas;
    c.pixels = pixels, c.width = width, c.height = height, c.format = format;
    c.drawn = {};
    c.wake_window = wake;
    c.running = true;
}

bool detach_image(int timeout_ms) {
    let_go_of_drawing_lock();  // left held by a jump out of a repaint or a fault in a write
    std::unique_lock<std::mutex> hold(GRAPHDRAWING, std::defer_lock);
    if (timeout_ms < 0) hold.lock();
    else if (!hold.try_lock()) {
        auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        while (!hold.try_lock())
            if (std::chrono::steady_clock::now() > until) return false;
    }
    Canvas& c = window_canvas;
    c.running = false;
    c.wake_window = nullptr;
    c.pixels = nullptr, c.width = c.height = 0;
    c.drawn = {};
    return true;
}

// The paint runs Xlib calls under the lock (the server reads the image's shared
// memory). When the connection to the server is lost inside one, the window thread
// jumps out past this hold: the lock stays held, marked, and detach_image on that same
// thread lets go of it.
void with_canvas(bool take_drawn, const std::function<void(const Rect&)>& paint) {
    WriteHold hold;
    Canvas& c = window_canvas;
    if (!c.running) return;
    Rect r = take_drawn ? c.drawn : Rect{};
    if (take_drawn) c.drawn = {};
    paint(r);
}

bool canvas_running() {
    std::lock_guard<std::mutex> hold(GRAPHDRAWING);
    return window_canvas.running;
}

MemoryCanvas::MemoryCanvas(uint32_t* pixels, int width, int height, PixelFormat format)
    : canvas_(std::make_unique<Canvas>()), previous_(current) {
    std::fill(pixels, pixels + size_t(width) * size_t(height), 0u);
    Canvas& c = *canvas_;
    c.pixels = pixels, c.width = width, c.height = height, c.format = format;
    c.running = true;
    open_state(c, width, height, 256);
    current = &c;
}

MemoryCanvas::~MemoryCanvas() { current = previous_; }

void MemoryCanvas::stop() {
    std::lock_guard<std::mutex> hold(GRAPHDRAWING);
    canvas_->running = false;
}

}  // namespace graphics
