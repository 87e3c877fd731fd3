// Pictures of a run: the frame loop draws into an in-memory canvas with the canvas's
// own LINE and PUTPIXEL; this keeps that canvas and the paths the bodies took.
#pragma once
#include <cstdint>
#include <vector>

#include "graphics/canvas.h"
#include "sim/coords.h"

namespace tools {

class Pictures {
public:
    Pictures(int width, int height);  // the in-memory canvas becomes the current one

    void drawn(const sim::ScreenCoords& s);  // a body the frame loop has drawn
    void frame_complete();                   // the canvas shows the whole frame

    const std::vector<uint32_t>& canvas() const { return pixels_; }
    int width() const { return width_; }
    int height() const { return height_; }

    // The paths (each body's pixel in every complete frame, in dark grey) with the
    // last complete frame's picture over them.
    std::vector<uint32_t> summary() const;

private:
    int width_, height_;
    std::vector<uint32_t> pixels_;
    graphics::MemoryCanvas canvas_;
    std::vector<uint8_t> trail_;  // pixels some body has been at
    std::vector<sim::ScreenCoords> current_, last_;
};

}  // namespace tools
