// Drawing and erasing one frame of 1000 bodies with 10-pixel lines on the canvas
// window, under a private Xvfb; the figure is the time per body. Without a window
// there is nothing to measure: it says so and ends with exit code 1.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <exception>
#include <memory>
#include <random>
#include <vector>

#include "graphics/graph.h"
#include "graphics/canvas.h"
#include "runtime/wait.h"
#include "tests/support/xserver.h"

namespace {

bool failed = false;

void fail(benchmark::State& state, const char* why) {
    std::fprintf(stderr, "draw_bench: %s\n", why);
    state.SkipWithError(why);
    failed = true;
}

struct Body {
    int16_t x1, y1, x2, y2;
};

void BM_DrawEraseFrame(benchmark::State& state) {
    std::unique_ptr<testsupport::XServer> server;
    try {
        server = std::make_unique<testsupport::XServer>("1024x768x24");
    } catch (const std::exception& e) {
        return fail(state, e.what());
    }
    graphics::initialize();
    int16_t driver, mode;
    graphics::DETECTGRAPH(driver, mode);
    graphics::INITGRAPH(driver, mode, "");
    if (graphics::GRAPHRESULT() != 0) return fail(state, "the canvas window could not be opened");
    std::mt19937 rng(1);
    std::vector<Body> bodies;
    for (int i = 0; i < 1000; ++i) {
        int16_t x = int16_t(rng() % 1000 + 10), y = int16_t(rng() % 740 + 10);
        bodies.push_back({x, y, int16_t(x + 6), int16_t(y + 8)});  // 10 pixels along y... 9 steps
    }
    for (auto _ : state) {
        graphics::SETCOLOR(4);
        for (const Body& b : bodies) {
            graphics::LINE(b.x1, b.y1, b.x2, b.y2);
            graphics::PUTPIXEL(b.x1, b.y1, 15);
        }
        graphics::SETCOLOR(0);
        runtime::before_wait();  // the frame is on the screen before the delay
        for (const Body& b : bodies) graphics::LINE(b.x1, b.y1, b.x2, b.y2);
    }
    runtime::before_wait();
    graphics::CLOSEGRAPH();
    state.counters["per_body"] =
        benchmark::Counter(1000.0 * double(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

BENCHMARK(BM_DrawEraseFrame)->Unit(benchmark::kMicrosecond)->UseRealTime();

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return failed ? 1 : 0;
}
