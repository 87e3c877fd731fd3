// Pictures of a run.
#include "tools/picture.h"

#include <algorithm>

#include "graphics/palette.h"

namespace tools {

using graphics::DARKGRAY;
using graphics::RED;
using graphics::WHITE;

Pictures::Pictures(int width, int height)
    : width_(width), height_(height), pixels_(size_t(width) * size_t(height)),
      canvas_(pixels_.data(), width, height), trail_(pixels_.size()) {}

void Pictures::drawn(const sim::ScreenCoords& s) { current_.push_back(s); }

void Pictures::frame_complete() {
    for (const auto& s : current_)
        if (s.x1 >= 0 && s.x1 < width_ && s.y1 >= 0 && s.y1 < height_) trail_[size_t(s.y1) * size_t(width_) + size_t(s.x1)] = 1;
    last_.swap(current_);
    current_.clear();
}

// Drawn on a canvas of its own, current while it lives: the run's canvas is untouched.
std::vector<uint32_t> Pictures::summary() const {
    std::vector<uint32_t> picture(pixels_.size());
    graphics::MemoryCanvas canvas(picture.data(), width_, height_);
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            if (trail_[size_t(y) * size_t(width_) + size_t(x)]) graphics::PUTPIXEL(int16_t(x), int16_t(y), DARKGRAY);
    graphics::SETCOLOR(RED);
    for (const auto& s : last_) {
        graphics::LINE(s.x1, s.y1, s.x2, s.y2);
        graphics::PUTPIXEL(s.x1, s.y1, WHITE);
    }
    return picture;
}

}  // namespace tools
