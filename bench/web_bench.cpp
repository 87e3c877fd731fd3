// The straightforward gravity pass in WebAssembly, per pair, in CPU time: node
// BUILD-web/gravity-bench.js [BODIES]. The bodies sit on sim_bench's grid, so that the
// figure stands beside its gravity/plain one for the native builds.
#include <cstdio>
#include <cstdlib>
#include <emscripten.h>

#include "runtime/fpu.h"
#include "sim/gravity.h"

namespace {

EM_JS(double, cpu_ms, (), { const t = process.cpuUsage(); return (t.user + t.system) / 1000; });

sim::Simulation simulation;

void fill_grid(int n) {
    simulation.N = sim::Word(n);
    for (int I = 1; I <= n; ++I) {
        using runtime::Extended;
        Extended row[5] = {Extended(1 + I % 8), Extended(I % 100 * 10), Extended(I / 100 * 10), 0, 0};
        for (int K = 1; K <= 5; ++K) simulation.F(I, K) = row[K - 1];
    }
}

}  // namespace

// The best of several rounds of passes, each round at least a fifth of a second.
int main(int argc, char** argv) {
    const int n = argc > 1 ? std::atoi(argv[1]) : 1000;
    fill_grid(n);
    runtime::reset_fpu();
    const double pairs = double(n) * (n - 1) / 2;
    double best = 1e300;
    for (int round = 0; round < 5; ++round) {
        int passes = 0;
        const double start = cpu_ms();
        do sim::gravity_pass(simulation), ++passes;
        while (cpu_ms() - start < 200);
        const double ns = (cpu_ms() - start) * 1e6 / (passes * pairs);
        if (ns < best) best = ns;
    }
    std::printf("wasm %.2f ns per pair (straightforward gravity pass, %d bodies, CPU time)\n", best, n);
}
