// The frame loop.
#include "sim/frame.h"

#include "graphics/canvas.h"
#include "graphics/palette.h"
#include "sim/gravity.h"
#include "sim/merge.h"

namespace sim {

using graphics::BLACK;
using graphics::RED;
using graphics::WHITE;

namespace {

// The coordinates each body was drawn with, to erase it with the very same line.
ScreenCoords drawn_with[MAXBODIES];

}  // namespace

[[gnu::noinline]] void FUTTAT(Simulation& simulation, FrameIo& io) {
    do {
        merge_pass(simulation);
        graphics::SETCOLOR(RED);
        for (int I = 1; I <= simulation.N; ++I) {
            drawn_with[I - 1] = screen_coords(simulation, I);
            const ScreenCoords& s = drawn_with[I - 1];
            graphics::LINE(s.x1, s.y1, s.x2, s.y2);
            graphics::PUTPIXEL(s.x1, s.y1, WHITE);
            io.drawn(I, s);
        }
        graphics::SETCOLOR(BLACK);
        io.wait();
        for (int I = 1; I <= simulation.N; ++I) {
            const ScreenCoords& s = drawn_with[I - 1];
            graphics::LINE(s.x1, s.y1, s.x2, s.y2);
        }
        gravity_pass(simulation);
        drift(simulation);
    } while (!io.key_pressed());
    io.read_key();
}

}  // namespace sim
