// The canvas writers, the palette, and the canvas's side of the seam to its window.
#include "graphics/canvas.h"

#include <algorithm>
#include <chrono>

#include "graphics/line.h"
#include "runtime/plant.h"

namespace graphics {

std::mutex GRAPHDRAWING;
std::array<RGB, 256> PAL{};
int32_t MAXCOLOR = 256;
int16_t MAXX = 0, MAXY = 0;

namespace {

struct Image {
    uint32_t* pixels = nullptr;  // width * height, row by row
    int width = 0, height = 0;
    PixelFormat format;
};

bool running = false;
Image image;
Rect drawn;                   // drawn since the window last took it
void (*wake_window)() = nullptr;
std::array<uint32_t, 256> pal_pixels{};
thread_local bool holding = false;  // this thread is inside a write, holding the lock

// The drawing lock held by a writer or a repaint, marked so that a fault's exit sequence on this
// thread knows to let go of it.
struct WriteHold {
    WriteHold() { GRAPHDRAWING.lock(), holding = true; }
    ~WriteHold() { holding = false, GRAPHDRAWING.unlock(); }
};

uint32_t colour_pixel(uint16_t color) { return pal_pixels[color % uint32_t(MAXCOLOR)]; }

// Under the lock, with the canvas running: the span (x0..x1, y0..y1) in one colour.
void fill(int x0, int y0, int x1, int y1, uint32_t pixel) {
    for (int y = y0; y <= y1; ++y) {
        uint32_t* row = image.pixels + size_t(y) * size_t(image.width);
        std::fill(row + x0, row + x1 + 1, pixel);
    }
    if (drawn.empty()) {
        drawn = {x0, y0, x1, y1};
        if (wake_window != nullptr) wake_window();
    } else {
        drawn = {std::min(drawn.x0, x0), std::min(drawn.y0, y0), std::max(drawn.x1, x1), std::max(drawn.y1, y1)};
    }
}

void write_span(int x0, int y0, int x1, int y1, uint16_t color) {
    WriteHold hold;
    if (!running) return;
    runtime::planted_fault("pixel");
    // The caller has clipped to the viewport; the image edge is checked once more so
    // that a wrong viewport can never write outside the image.
    if (x0 < 0 || y0 < 0 || x1 >= image.width || y1 >= image.height) return;
    fill(x0, y0, x1, y1, colour_pixel(color));
}

}  // namespace

uint32_t pixel_value(const PixelFormat& f, const RGB& c) {
    return uint32_t(c.red & 0xFF) << f.red_shift | uint32_t(c.green & 0xFF) << f.green_shift |
           uint32_t(c.blue & 0xFF) << f.blue_shift;
}

void make_palette(int32_t colors) {
    MAXCOLOR = colors;
    for (int i = 0; i < 256; ++i) {
        PAL[size_t(i)] = i < colors ? DEFAULTCOLORS[size_t(i)] : RGB{0, 0, 0};
        pal_pixels[size_t(i)] = pixel_value(image.format, PAL[size_t(i)]);
    }
}

void attach_image(uint32_t* pixels, int width, int height, PixelFormat format, void (*wake)()) {
    std::lock_guard<std::mutex> hold(GRAPHDRAWING);
    image = {pixels, width, height, format};
    drawn = {};
    wake_window = wake;
    running = true;
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
    running = false;
    wake_window = nullptr;
    image = {};
    drawn = {};
    return true;
}

void with_canvas(bool take_drawn, const std::function<void(const Rect&)>& paint) {
    WriteHold hold;
    if (!running) return;
    Rect r = take_drawn ? drawn : Rect{};
    if (take_drawn) drawn = {};
    paint(r);
}

bool canvas_running() {
    std::lock_guard<std::mutex> hold(GRAPHDRAWING);
    return running;
}

void let_go_of_drawing_lock() {
    if (!holding) return;
    holding = false;
    GRAPHDRAWING.unlock();
}

void open_memory_canvas(uint32_t* pixels, int width, int height, PixelFormat format) {
    std::fill(pixels, pixels + size_t(width) * size_t(height), 0u);
    attach_image(pixels, width, height, format, nullptr);
    {
        std::lock_guard<std::mutex> hold(GRAPHDRAWING);
        make_palette(256);
    }
    set_canvas_state(width, height);
}

void close_memory_canvas() { detach_image(); }

void install_canvas_writers() {
    DIRECTPUTPIXEL = canvas_directputpixel;
    PUTPIXEL_ENTRY = canvas_putpixel;
    HLINE = canvas_hline;
    VLINE = canvas_vline;
}

void set_canvas_state(int width, int height) {
    MAXX = int16_t(width - 1);
    MAXY = int16_t(height - 1);
    install_canvas_writers();
    STARTXVIEWPORT = STARTYVIEWPORT = 0;
    VIEWWIDTH = MAXX;
    VIEWHEIGHT = MAXY;
    CLIPPIXELS = true;
    CURRENTCOLOR = 15;
}

void canvas_directputpixel(int x, int y) { write_span(x, y, x, y, CURRENTCOLOR); }

void canvas_putpixel(int x, int y, uint16_t color) {
    x += STARTXVIEWPORT;
    y += STARTYVIEWPORT;
    if (CLIPPIXELS && (x < STARTXVIEWPORT || x > STARTXVIEWPORT + VIEWWIDTH || y < STARTYVIEWPORT ||
                       y > STARTYVIEWPORT + VIEWHEIGHT))
        return;
    write_span(x, y, x, y, color);
}

void canvas_hline(int x1, int x2, int y) {
    int xa = std::min(x1, x2), xb = std::max(x1, x2);
    if (CLIPPIXELS) {
        if (xa > VIEWWIDTH || y < 0 || y > VIEWHEIGHT || xb < 0) return;
        xa = std::max(xa, 0);
        xb = std::min(xb, int(VIEWWIDTH));
    }
    write_span(xa + STARTXVIEWPORT, y + STARTYVIEWPORT, xb + STARTXVIEWPORT, y + STARTYVIEWPORT, CURRENTCOLOR);
}

void canvas_vline(int x, int y1, int y2) {
    int ya = std::min(y1, y2), yb = std::max(y1, y2);
    if (CLIPPIXELS) {
        if (x > VIEWWIDTH || x < 0 || ya > VIEWHEIGHT || yb < 0) return;
        ya = std::max(ya, 0);
        yb = std::min(yb, int(VIEWHEIGHT));
    }
    write_span(x + STARTXVIEWPORT, ya + STARTYVIEWPORT, x + STARTXVIEWPORT, yb + STARTYVIEWPORT, CURRENTCOLOR);
}

}  // namespace graphics
