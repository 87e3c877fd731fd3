// The simulation as the trace tool runs it, in the program's own frame loop: each frame's records against the
// reference passes, for the product and the straightforward passes, from the values the tool says it loaded.
#include <gtest/gtest.h>

#include <memory>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <sstream>

#include "sim/simulation.h"
#include "sim/merge.h"
#include "tests/reference_sim.h"
#include "tests/support/child.h"

using namespace testsupport;

static runtime::Extended from_hex(const std::string& h) {  // the trace tool's --hex: exact on every machine
    return runtime::extended_from_bits(uint16_t(std::stoul(h.substr(0, 4), nullptr, 16)), std::stoull(h.substr(4), nullptr, 16));
}

static std::string reference_records(const std::string& out, int frames) {
    std::istringstream in(out);
    std::ostringstream records;
    std::string tag, v[5];
    reference::System s;
    in >> tag >> s.N >> tag >> v[0] >> v[1];
    s.UTKOZES = from_hex(v[0]);
    const runtime::Extended C = from_hex(v[1]);
    s.F.assign(size_t(s.N) + 2, {});
    for (size_t I = 1; I <= size_t(s.N); ++I) {
        in >> tag >> tag >> v[0] >> v[1] >> v[2] >> v[3] >> v[4];
        for (size_t K = 1; K <= 5; ++K) s.F[I][K] = from_hex(v[K - 1]);
    }
    for (int k = 1; k <= frames; ++k, reference::gravity(s), reference::drift(s)) {
        reference::merge(s);
        for (size_t I = 1; I <= size_t(s.N); ++I) {
            const auto& f = s.F[I];
            records << "F " << k << " " << I;
            for (runtime::Extended p : {f[2], f[3], f[2] + C * f[4], f[3] + C * f[5]})
                records << " " << std::lrint(runtime::host_long_double(p));
            char hex[24];
            for (size_t K = 1; K <= 5; ++K) {
                runtime::soft::Ext b = runtime::extended_bits(f[K]);
                std::snprintf(hex, sizeof hex, " %04X%016llX", unsigned(b.sign_exp), (unsigned long long)b.mant);
                records << hex;
            }
            records << "\n";
        }
    }
    return records.str();
}

TEST(Simulation, EveryFrameAsTheReferenceHasIt) {
    std::vector<std::string> systems = {
        "0 10 1 1\n", "1\n5 1.3 2 0.5 -0.25\n0 0 2\n",                                // none; a straight line
        "3\n1 0 0 0 0\n9 1 0 0 0\n1 2.1 0 0 0\n0 1.3 0\n",                         // a chain, over frames
        "5\n1 0 0 0 0\n1 1 0 0 0\n1 50 0 0 0\n1 -1 0 0 0\n1 0 1 0 0\n0 1.5 0\n",  // one absorbs several
        "2\n1 0 0 0 0\n1 1e-3000 0 0 0\n0 0 1\n", "2\n1 1e2300 0 0 0\n1 -1e2300 0 0 0\n0 1e2400 1\n",  // squares underflow; far
        "2\n1000 320 240 0 0\n1 320 140 3.1 0\n20 1.18973149535723176502e4932 1.5\n",  // the largest distance
        "3\n2 100 100 0 0\n3 100.5 300 0 0\n1 300 100.25 0 0\n0 1 1\n",            // close in one axis only
    };
    for (std::mt19937_64 rng(20261207); auto [n, utkozes] : {std::pair{30, "-1"}, {30, "0.5"}, {30, "2"}, {70, "1"}}) {  // 70: tiles
        std::string text = std::to_string(n) + "\n";
        for (int i = 0; i < 5 * n; ++i) text += std::to_string(i % 5 == 0 ? 0.5 + double(rng() % 100) / 40 : i % 5 < 3 ? double(rng() % 300000) / 997 + 250 : double(rng() % 200) / 400 - 0.25) + " ";
        systems.push_back(text + "\n0 " + utkozes + " 2.5\n");
    }
    for (const std::string& system : systems) {
        for (const char* tool : {GRAVITY_TRACE, GRAVITY_TRACE_STRAIGHTFORWARD}) {
            auto r = run_child({tool, "--hex", write_file("system.txt", system), "60"});
            EXPECT_EQ(std::to_string(r.exit_code) + r.out.substr(std::min(r.out.find("\nF "), r.out.size() - 1) + 1),
                      "0" + reference_records(r.out, 60)) << tool << "\n" << system;
        }
    }
    EXPECT_EQ(run_child({GRAVITY_TRACE, "--hex", write_file("rerun.txt", systems.back()), "60"}).out, run_child({GRAVITY_TRACE, "--hex", write_file("rerun.txt", systems.back()), "60"}).out);
}

// The only pair within reach exactly at the merge distance, one value inside it and one beyond, along x, y and a
// diagonal; far bodies lie between the two in x (one at the first's), one far beyond them between them in the table.
TEST(MergePass, PairsAtTheDistanceMergeAsInThePlainPass) {
    using runtime::Extended;
    const Extended ax = reference::exactly(250.7), ay = reference::exactly(-30.1);
    auto simulation = std::make_unique<sim::Simulation>();
    for (auto [dx, dy] : {std::pair{3.3, 0.0}, {0.0, -7.1}, {2.9, -4.3}, {-0.6, 1e-3}})
        for (int ulps : {-1, 0, 1}) {
            const Extended bx = ax + reference::exactly(dx), by = ay + reference::exactly(dy);
            const Extended at[][2] = {{ax + reference::exactly(dx / 2), ay + 1000}, {ax, ay}, {ax, ay - 1000}, {ax + 1000, ay + 3000}, {bx, by}, {bx, by + 2000}};
            auto d = runtime::extended_bits(runtime::ext_sqrt((ax - bx) * (ax - bx) + (ay - by) * (ay - by)));
            reference::System ref{{{}}, 6, runtime::extended_from_bits(d.sign_exp, d.mant + uint64_t(ulps))};
            simulation->N = 6, simulation->UTKOZES = ref.UTKOZES;
            for (int I = 1; I <= 6; ++I) {
                ref.F.push_back({0, Extended(I), at[I - 1][0], at[I - 1][1], Extended(I % 3), Extended(-I)});
                std::copy(ref.F.back().begin() + 1, ref.F.back().end(), simulation->F.row(I));
            }
            reference::merge(ref);
            sim::merge_pass(*simulation);
            SCOPED_TRACE(std::to_string(dx) + ", " + std::to_string(dy) + ", " + std::to_string(ulps) + " units");
            EXPECT_EQ(ref.N, ulps < 0 ? 6 : 5);  // the case lies at the edge
            ASSERT_EQ(simulation->N, ref.N);
            for (int I = 1; I <= ref.N; ++I)
                for (int K = 1; K <= 5; ++K) EXPECT_EQ(std::memcmp(&simulation->F(I, K), &ref.F[size_t(I)][size_t(K)], 10), 0) << I << ", " << K;
        }
}
