// The frame loop, and the program's own way of showing frames.
#include "sim/frame.h"

#include "console/keyboard.h"
#include "graphics/line.h"
#include "sim/bodies.h"
#include "sim/gravity.h"
#include "sim/merge.h"

namespace sim {

namespace {

constexpr uint16_t BLACK = 0, RED = 4, WHITE = 15;

// The coordinates each body was drawn with, to erase it with the very same line.
ScreenCoords drawn_with[MAXBODIES];

class OnScreen final : public FrameIo {
public:
    void drawn(int, const ScreenCoords&) override {}
    void wait() override { console::DELAY(SZUNET); }
    bool key_pressed() override { return console::KEYPRESSED(); }
    void read_key() override { [[maybe_unused]] uint8_t CH = console::READKEY(); }
};

OnScreen screen;

}  // namespace

FrameIo& on_screen() { return screen; }

[[gnu::noinline]] void FUTTAT(FrameIo& io) {
    do {
        merge_pass();
        graphics::SETCOLOR(RED);
        for (int I = 1; I <= N; ++I) {
            drawn_with[I - 1] = screen_coords(I);
            const ScreenCoords& s = drawn_with[I - 1];
            graphics::LINE(s.x1, s.y1, s.x2, s.y2);
            graphics::PUTPIXEL(s.x1, s.y1, WHITE);
            io.drawn(I, s);
        }
        graphics::SETCOLOR(BLACK);
        io.wait();
        for (int I = 1; I <= N; ++I) {
            const ScreenCoords& s = drawn_with[I - 1];
            graphics::LINE(s.x1, s.y1, s.x2, s.y2);
        }
        gravity_pass();
        drift();
    } while (!io.key_pressed());
    io.read_key();
}

}  // namespace sim
