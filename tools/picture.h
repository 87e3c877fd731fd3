// Pictures of a run: frames drawn with the canvas's own LINE and PUTPIXEL into an
// in-memory canvas, and the paths the bodies took.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "sim/coords.h"

namespace tools {

class Pictures {
public:
    Pictures(int width, int height);
    ~Pictures();

    // One frame as the window shows it during the frame's delay: red lines, then
    // white dots, in row order. Bodies go in one by one, as the frame loop draws them.
    void begin_frame();
    void draw_body(const sim::ScreenCoords& s);
    void end_frame();  // the picture is complete: ready to be written
    void erase_frame();

    const std::vector<uint32_t>& canvas() const { return pixels_; }
    int width() const { return width_; }
    int height() const { return height_; }

    // The paths (each body's pixel in every complete frame, in dark grey) with the
    // last complete frame's picture over them.
    std::vector<uint32_t> summary();

private:
    int width_, height_;
    std::vector<uint32_t> pixels_;
    std::vector<uint8_t> trail_;                // pixels some body has been at
    std::vector<sim::ScreenCoords> current_, last_;
};

}  // namespace tools
