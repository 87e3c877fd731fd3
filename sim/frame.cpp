// The frame loop.
#include "sim/frame.h"

#include "console/keyboard.h"
#include "graphics/line.h"
#include "sim/bodies.h"
#include "sim/coords.h"
#include "sim/gravity.h"
#include "sim/merge.h"

namespace sim {

namespace {

// The coordinates each body was drawn with, to erase it with the very same line.
ScreenCoords drawn[MAXBODIES];

}  // namespace

[[gnu::noinline]] void FUTTAT() {
    do {
        merge_pass();
        graphics::SETCOLOR(4);
        for (int I = 1; I <= N; ++I) {
            drawn[I - 1] = screen_coords(I);
            const ScreenCoords& s = drawn[I - 1];
            graphics::LINE(s.x1, s.y1, s.x2, s.y2);
            graphics::PUTPIXEL(s.x1, s.y1, 15);
        }
        graphics::SETCOLOR(0);
        console::DELAY(SZUNET);
        for (int I = 1; I <= N; ++I) {
            const ScreenCoords& s = drawn[I - 1];
            graphics::LINE(s.x1, s.y1, s.x2, s.y2);
        }
        gravity_pass();
        drift();
    } while (!console::KEYPRESSED());
    [[maybe_unused]] uint8_t CH = console::READKEY();
}

}  // namespace sim
