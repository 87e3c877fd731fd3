// Pictures of a run.
#include "tools/picture.h"

#include <algorithm>

#include "graphics/canvas.h"
#include "graphics/line.h"

namespace tools {

using graphics::DARKGRAY;
using graphics::RED;
using graphics::WHITE;

Pictures::Pictures(int width, int height)
    : width_(width), height_(height), pixels_(size_t(width) * size_t(height)), trail_(pixels_.size()) {
    graphics::open_memory_canvas(pixels_.data(), width, height);
}

Pictures::~Pictures() { graphics::close_memory_canvas(); }

void Pictures::drawn(const sim::ScreenCoords& s) { current_.push_back(s); }

void Pictures::frame_complete() {
    for (const auto& s : current_)
        if (s.x1 >= 0 && s.x1 < width_ && s.y1 >= 0 && s.y1 < height_) trail_[size_t(s.y1) * size_t(width_) + size_t(s.x1)] = 1;
    last_.swap(current_);
    current_.clear();
}

std::vector<uint32_t> Pictures::summary() {
    std::vector<uint32_t> saved = pixels_;
    const uint16_t colour = graphics::CURRENTCOLOR;
    std::fill(pixels_.begin(), pixels_.end(), 0u);
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            if (trail_[size_t(y) * size_t(width_) + size_t(x)]) graphics::PUTPIXEL(int16_t(x), int16_t(y), DARKGRAY);
    graphics::SETCOLOR(RED);
    for (const auto& s : last_) {
        graphics::LINE(s.x1, s.y1, s.x2, s.y2);
        graphics::PUTPIXEL(s.x1, s.y1, WHITE);
    }
    std::vector<uint32_t> picture = pixels_;
    pixels_ = saved;
    graphics::SETCOLOR(colour);
    return picture;
}

}  // namespace tools
