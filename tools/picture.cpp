// Pictures of a run.
#include "tools/picture.h"

#include "graphics/canvas.h"
#include "graphics/line.h"

namespace tools {

namespace {

constexpr uint16_t RED = 4, WHITE = 15, BLACK = 0, TRAIL = 8;

void draw(const sim::ScreenCoords& s) {
    graphics::LINE(s.x1, s.y1, s.x2, s.y2);
    graphics::PUTPIXEL(s.x1, s.y1, WHITE);
}

}  // namespace

Pictures::Pictures(int width, int height)
    : width_(width), height_(height), pixels_(size_t(width) * size_t(height)), trail_(pixels_.size()) {
    graphics::open_memory_canvas(pixels_.data(), width, height);
}

Pictures::~Pictures() { graphics::close_memory_canvas(); }

void Pictures::begin_frame() {
    current_.clear();
    graphics::SETCOLOR(RED);
}

void Pictures::draw_body(const sim::ScreenCoords& s) {
    draw(s);
    current_.push_back(s);
}

void Pictures::end_frame() {
    for (const auto& s : current_)
        if (s.x1 >= 0 && s.x1 < width_ && s.y1 >= 0 && s.y1 < height_) trail_[size_t(s.y1) * size_t(width_) + size_t(s.x1)] = 1;
    last_ = current_;
}

void Pictures::erase_frame() {
    graphics::SETCOLOR(BLACK);
    for (const auto& s : current_) graphics::LINE(s.x1, s.y1, s.x2, s.y2);
}

std::vector<uint32_t> Pictures::summary() {
    std::vector<uint32_t> saved = pixels_;
    std::fill(pixels_.begin(), pixels_.end(), 0u);
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            if (trail_[size_t(y) * size_t(width_) + size_t(x)]) graphics::PUTPIXEL(int16_t(x), int16_t(y), TRAIL);
    graphics::SETCOLOR(RED);
    for (const auto& s : last_) draw(s);
    std::vector<uint32_t> picture = pixels_;
    pixels_ = saved;
    return picture;
}

}  // namespace tools
