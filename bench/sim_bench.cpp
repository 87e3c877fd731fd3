// Cost per pair of the gravity pass and the merge pass, the product's beside a plain
// loop of the same arithmetic with no checks.
#include <benchmark/benchmark.h>

#include <array>

#include <cmath>
#include <random>
#include <vector>

#include "runtime/fpu.h"
#include "sim/bodies.h"
#include "sim/gravity.h"
#include "sim/merge.h"

namespace {


void fill(int n, std::vector<std::array<long double, 5>>* plain) {
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> pos(0, 1000), mass(1, 10);
    sim::N = sim::Word(n);
    sim::UTKOZES = -1;  // no merges: every pass tests every pair
    for (int I = 1; I <= n; ++I) {
        long double row[5] = {mass(rng), pos(rng), pos(rng), 0, 0};
        for (int K = 1; K <= 5; ++K) sim::F(I, K) = row[K - 1];
        if (plain) plain->push_back({row[0], row[1], row[2], row[3], row[4]});
    }
}

void set_counters(benchmark::State& state, int n) {
    double pairs = double(n) * (n - 1) / 2;
    state.counters["per_pair"] =
        benchmark::Counter(pairs * double(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The straightforward loop: the same operations in the same order, nothing else.
void plain_gravity(std::vector<std::array<long double, 5>>& f) {
    const size_t n = f.size();
    for (size_t i = 0; i < n; ++i) {
        for (size_t j = i + 1; j < n; ++j) {
            long double dx = f[j][1] - f[i][1];
            long double dy = f[j][2] - f[i][2];
            long double d2 = dx * dx + dy * dy;
            long double r = std::sqrt(d2);
            long double dix = (((dx * f[i][0]) * f[j][0]) / d2) / r;
            long double diy = (((dy * f[i][0]) * f[j][0]) / d2) / r;
            f[i][3] = dix / f[i][0] + f[i][3];
            f[i][4] = diy / f[i][0] + f[i][4];
            f[j][3] = f[j][3] - dix / f[j][0];
            f[j][4] = f[j][4] - diy / f[j][0];
        }
    }
}

void BM_GravityPass(benchmark::State& state) {
    int n = int(state.range(0));
    fill(n, nullptr);
    runtime::reset_fpu();
    for (auto _ : state) sim::gravity_pass();
    set_counters(state, n);
}

void BM_GravityStraightforward(benchmark::State& state) {
    int n = int(state.range(0));
    std::vector<std::array<long double, 5>> plain;
    fill(n, &plain);
    runtime::reset_fpu();
    for (auto _ : state) {
        plain_gravity(plain);
        benchmark::DoNotOptimize(plain.data());
    }
    set_counters(state, n);
}

// Merge passes with no pair in range: positions on a grid 10 pixels apart.
void fill_grid(int n) {
    sim::N = sim::Word(n);
    sim::UTKOZES = 2;
    for (int I = 1; I <= n; ++I) {
        long double row[5] = {1, (long double)(I % 100) * 10, (long double)(I / 100) * 10, 0, 0};
        for (int K = 1; K <= 5; ++K) sim::F(I, K) = row[K - 1];
    }
}

void plain_merge(int n, long double utkozes) {
    for (int I = 1; I <= n; ++I) {
        for (int J = I + 1; J <= n; ++J) {
            long double dx = sim::F(I, 2) - sim::F(J, 2), dy = sim::F(I, 3) - sim::F(J, 3);
            if (std::sqrt(dx * dx + dy * dy) <= utkozes) benchmark::DoNotOptimize(J);
        }
    }
}

void BM_MergePass(benchmark::State& state) {
    int n = int(state.range(0));
    fill_grid(n);
    runtime::reset_fpu();
    for (auto _ : state) sim::merge_pass();
    set_counters(state, n);
}

void BM_MergeStraightforward(benchmark::State& state) {
    int n = int(state.range(0));
    fill_grid(n);
    runtime::reset_fpu();
    for (auto _ : state) plain_merge(n, sim::UTKOZES);
    set_counters(state, n);
}

}  // namespace

BENCHMARK(BM_GravityPass)->Arg(100)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GravityStraightforward)->Arg(100)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergePass)->Arg(50)->Arg(100)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergeStraightforward)->Arg(50)->Arg(100)->Arg(1000)->Arg(5000)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
