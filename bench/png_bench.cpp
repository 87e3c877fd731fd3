// Writing one frame's picture of 800 x 600 as a PNG file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>

#include "graphics/canvas.h"
#include "tools/picture.h"
#include "tools/png.h"

namespace {

void BM_WriteFramePng(benchmark::State& state) {
    tools::Pictures pictures(800, 600);
    std::mt19937 rng(3);
    graphics::SETCOLOR(4);
    for (int i = 0; i < 200; ++i) {
        int16_t x = int16_t(rng() % 800), y = int16_t(rng() % 600);
        graphics::LINE(x, y, int16_t(x + int(rng() % 30) - 15), int16_t(y + int(rng() % 30) - 15));
        graphics::PUTPIXEL(x, y, 15);
    }
    const char* path = "/tmp/gravity-png-bench.png";
    for (auto _ : state) tools::write_png(path, pictures.canvas().data(), 800, 600);
    std::remove(path);
}

}  // namespace

BENCHMARK(BM_WriteFramePng)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
