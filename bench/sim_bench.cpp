// The passes beside the straightforward loops, side by side in one run, and the
// ratios the product is held to: straightforward time over product time, best runs.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "runtime/fpu.h"
#include "sim/gravity.h"
#include "sim/merge.h"
#include "sim/pair.h"
#include "tests/support/child.h"

namespace {

// Bodies on a grid 10 pixels apart, masses 1 to 8: no pair within UTKOZES = 2, and
// the velocities they gain here never move them (positions stay where they are).
sim::Simulation& fill_grid(int n) {
    static sim::Simulation simulation;
    simulation.N = sim::Word(n);
    simulation.UTKOZES = 2;
    for (int I = 1; I <= n; ++I) {
        using runtime::Extended;
        Extended row[5] = {Extended(1 + I % 8), Extended(I % 100 * 10), Extended(I / 100 * 10), 0, 0};
        for (int K = 1; K <= 5; ++K) simulation.F(I, K) = row[K - 1];
    }
    return simulation;
}

void set_counters(benchmark::State& state, int n) {
    double pairs = double(n) * (n - 1) / 2;
    state.counters["per_pair"] =
        benchmark::Counter(pairs * double(state.iterations()), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The straightforward passes: the same operations in the same order on the same
// table, the gravity pass's velocity updates included.
void plain_gravity(sim::Simulation& simulation) {
    const int n = simulation.N;
    for (int I = 1; I <= n; ++I) {
        sim::Row a(simulation.F.row(I));
        for (int J = I + 1; J <= n; ++J) {
            sim::Row b(simulation.F.row(J));
            sim::exchange_impulse(a, a, b, b);
        }
    }
}

void plain_merge(sim::Simulation& simulation) {
    const sim::BodyTable& F = simulation.F;
    const int n = simulation.N;
    for (int I = 1; I <= n; ++I) {
        for (int J = I + 1; J <= n; ++J) {
            runtime::Extended dx = F(I, 2) - F(J, 2), dy = F(I, 3) - F(J, 3);
            if (runtime::ext_sqrt(dx * dx + dy * dy) <= simulation.UTKOZES) sim::merge_bodies(simulation, I, J);
        }
    }
}

template <void (*pass)(sim::Simulation&)>
void BM_Pass(benchmark::State& state) {
    sim::Simulation& simulation = fill_grid(int(state.range(0)));
    runtime::reset_fpu();
    for (auto _ : state) pass(simulation);
    set_counters(state, int(state.range(0)));
}

void product_frame(sim::Simulation& simulation) {
    sim::merge_pass(simulation);
    sim::gravity_pass(simulation);
}
void plain_frame(sim::Simulation& simulation) {
    plain_merge(simulation);
    plain_gravity(simulation);
}

// Whole runs of the trace tool: 2000 bodies, 10 frames, only the last one printed.
std::string trace_file() {
    static const std::string path = [] {
        std::string text = "2000\n";
        for (int i = 0; i < 2000; ++i)
            text += std::to_string(1 + i % 8) + " " + std::to_string(40 + i % 50 * 15) + " " + std::to_string(20 + i / 50 * 15) + " 0 0\n";
        return testsupport::write_file("trace-2000.txt", text + "0 1 1\n");
    }();
    return path;
}

void BM_Trace(benchmark::State& state, const char* tool) {
    for (auto _ : state) {
        auto r = testsupport::run_child({tool, "--print=last", trace_file(), "10"});
        if (r.exit_code != 0 || r.out.size() < 2000 * 20) state.SkipWithError("the trace run failed");
    }
}

// Keeps the best time per iteration of every benchmark, across its repetitions.
class BestTimes : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> best;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
            double t = run.GetAdjustedRealTime();
            std::string name = run.run_name.function_name;
            if (!run.run_name.args.empty()) name += "/" + run.run_name.args;
            if (!best.count(name) || t < best[name]) best[name] = t;
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

void print_ratio(BestTimes& times, const char* what, const std::string& plain, const std::string& product, double target) {
    if (!times.best.count(plain) || !times.best.count(product)) return;
    double ratio = times.best[plain] / times.best[product];
    std::printf("  %-52s %7.2f   (at least %.1f)%s\n", what, ratio, target, ratio >= target ? "" : "  BELOW");
}

}  // namespace

BENCHMARK(BM_Pass<sim::gravity_pass>)->Name("gravity/product")->Arg(64)->Arg(1000)->Arg(5000);
BENCHMARK(BM_Pass<plain_gravity>)->Name("gravity/plain")->Arg(64)->Arg(1000)->Arg(5000);
BENCHMARK(BM_Pass<sim::merge_pass>)->Name("merge/product")->Arg(50)->Arg(5000);
BENCHMARK(BM_Pass<plain_merge>)->Name("merge/plain")->Arg(50)->Arg(5000);
// Small systems are quick and the machine is noisy: more, shorter runs.
BENCHMARK(BM_Pass<product_frame>)->Name("frame/product")->Arg(10)->Arg(30)->Arg(50)->Repetitions(15)->MinTime(0.1);
BENCHMARK(BM_Pass<plain_frame>)->Name("frame/plain")->Arg(10)->Arg(30)->Arg(50)->Repetitions(15)->MinTime(0.1);
BENCHMARK_CAPTURE(BM_Trace, product, GRAVITY_TRACE)->Name("trace/product")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Trace, plain, GRAVITY_TRACE_STRAIGHTFORWARD)->Name("trace/plain")->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    // Five runs of each, interleaved, so that a noisy moment hits both sides alike.
    std::vector<char*> args(argv, argv + argc);
    std::string reps = "--benchmark_repetitions=5", mix = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, {reps.data(), mix.data()});
    int count = int(args.size());
    benchmark::Initialize(&count, args.data());
    BestTimes times;
    benchmark::RunSpecifiedBenchmarks(&times);
    std::printf("\nStraightforward time / product time (best of the runs):\n");
    print_ratio(times, "gravity pass, N = 1000", "gravity/plain/1000", "gravity/product/1000", 1.8);
    print_ratio(times, "gravity pass, N = 5000", "gravity/plain/5000", "gravity/product/5000", 1.8);
    print_ratio(times, "merge pass, no pair in range, N = 5000", "merge/plain/5000", "merge/product/5000", 20);
    print_ratio(times, "merge pass, no pair in range, N = 50", "merge/plain/50", "merge/product/50", 1);
    print_ratio(times, "whole frames, trace tool, N = 2000, 10 frames", "trace/plain", "trace/product", 1.7);
    print_ratio(times, "gravity pass, N = 64 (the fewest bodies it tiles)", "gravity/plain/64", "gravity/product/64", 1);
    for (const char* n : {"10", "30", "50"})
        print_ratio(times, ("a frame's merge and gravity passes, N = " + std::string(n)).c_str(),
                    "frame/plain/" + std::string(n), "frame/product/" + std::string(n), 1);
    // Beside the other build's figure (scripts/bench.sh): the software extended reals
    // against the x87.
    if (times.best.count("gravity/plain/1000"))
        std::printf("\nstraightforward gravity pass, N = 1000: %.2f ns per pair\n",
                    times.best["gravity/plain/1000"] / (1000.0 * 999 / 2));
    benchmark::Shutdown();
}
