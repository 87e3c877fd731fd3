// The canvas writers and the palette.
#include "graphics/canvas.h"

#include <algorithm>

#include "graphics/graph.h"
#include "graphics/line.h"

namespace graphics {

std::mutex GRAPHDRAWING;
bool GRAPHRUNNING = false;
Image canvas_image;
std::array<RGB, 256> PAL{};
int32_t MAXCOLOR = 256;
DirtyRect dirty;
void (*wake_presenter)() = nullptr;

namespace {

std::array<uint32_t, 256> pal_pixels{};

uint32_t colour_pixel(uint16_t color) { return pal_pixels[color % uint32_t(MAXCOLOR)]; }

// Under the lock, with the canvas running: the span (x0..x1, y0..y1) in one colour.
void fill(int x0, int y0, int x1, int y1, uint32_t pixel) {
    for (int y = y0; y <= y1; ++y) {
        uint32_t* row = canvas_image.pixels + size_t(y) * size_t(canvas_image.width);
        std::fill(row + x0, row + x1 + 1, pixel);
    }
    if (dirty.empty()) {
        dirty = {x0, y0, x1, y1};
        if (wake_presenter != nullptr) wake_presenter();
    } else {
        dirty = {std::min(dirty.x0, x0), std::min(dirty.y0, y0), std::max(dirty.x1, x1), std::max(dirty.y1, y1)};
    }
}

void write_span(int x0, int y0, int x1, int y1, uint32_t (*pixel)(uint16_t), uint16_t color) {
    std::lock_guard<std::mutex> hold(GRAPHDRAWING);
    if (!GRAPHRUNNING) return;
    // The caller has clipped to the viewport; the image edge is checked once more so
    // that a wrong viewport can never write outside the image.
    if (x0 < 0 || y0 < 0 || x1 >= canvas_image.width || y1 >= canvas_image.height) return;
    fill(x0, y0, x1, y1, pixel(color));
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
        pal_pixels[size_t(i)] = pixel_value(canvas_image.format, PAL[size_t(i)]);
    }
}

void open_memory_canvas(uint32_t* pixels, int width, int height, PixelFormat format) {
    std::lock_guard<std::mutex> hold(GRAPHDRAWING);
    canvas_image = {pixels, width, height, format};
    std::fill(pixels, pixels + size_t(width) * size_t(height), 0u);
    make_palette(256);
    GRAPHRUNNING = true;
    dirty = {};
    set_canvas_state(width, height);
}

void close_memory_canvas() {
    std::lock_guard<std::mutex> hold(GRAPHDRAWING);
    GRAPHRUNNING = false;
    canvas_image = {};
}

void canvas_directputpixel(int x, int y) {
    write_span(x, y, x, y, colour_pixel, CURRENTCOLOR);
}

void canvas_putpixel(int x, int y, uint16_t color) {
    x += STARTXVIEWPORT;
    y += STARTYVIEWPORT;
    if (CLIPPIXELS && (x < STARTXVIEWPORT || x > STARTXVIEWPORT + VIEWWIDTH || y < STARTYVIEWPORT ||
                       y > STARTYVIEWPORT + VIEWHEIGHT))
        return;
    write_span(x, y, x, y, colour_pixel, color);
}

void canvas_hline(int x1, int x2, int y) {
    int xa = std::min(x1, x2), xb = std::max(x1, x2);
    if (CLIPPIXELS) {
        if (xa > VIEWWIDTH || y < 0 || y > VIEWHEIGHT || xb < 0) return;
        xa = std::max(xa, 0);
        xb = std::min(xb, int(VIEWWIDTH));
    }
    write_span(xa + STARTXVIEWPORT, y + STARTYVIEWPORT, xb + STARTXVIEWPORT, y + STARTYVIEWPORT, colour_pixel,
               CURRENTCOLOR);
}

void canvas_vline(int x, int y1, int y2) {
    int ya = std::min(y1, y2), yb = std::max(y1, y2);
    if (CLIPPIXELS) {
        if (x > VIEWWIDTH || x < 0 || ya > VIEWHEIGHT || yb < 0) return;
        ya = std::max(ya, 0);
        yb = std::min(yb, int(VIEWHEIGHT));
    }
    write_span(x + STARTXVIEWPORT, ya + STARTYVIEWPORT, x + STARTXVIEWPORT, yb + STARTYVIEWPORT, colour_pixel,
               CURRENTCOLOR);
}

}  // namespace graphics
