// The tiled gravity pass against the straightforward passes: bit for bit on random
// systems, in process and through the trace tool, faults included.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "runtime/fpu.h"
#include "runtime/workers.h"
#include "sim/bodies.h"
#include "sim/gravity.h"
#include "sim/merge.h"
#include "sim/tiles.h"
#include "tests/reference_sim.h"
#include "tests/support/child.h"

using namespace sim;

namespace {

struct Body {
    long double m, x, y, vx, vy;
};

// Random bodies over an 800 x 600 canvas; every third system packs them into small
// clusters, so that merges and chains of merges happen.
std::vector<Body> random_bodies(std::mt19937_64& rng, int n) {
    std::uniform_real_distribution<double> pos(0, 800), vel(-1, 1), mass(0.5, 200), spread(-6, 6);
    bool clustered = rng() % 3 == 0;
    std::vector<Body> bodies;
    for (int i = 0; i < n; ++i) {
        Body b{mass(rng), pos(rng), pos(rng) * 0.75, vel(rng), vel(rng)};
        if (clustered && i > 0 && rng() % 2 == 0) {
            const Body& near = bodies[size_t(rng() % bodies.size())];
            b.x = near.x + spread(rng), b.y = near.y + spread(rng);
        }
        bodies.push_back(b);
    }
    return bodies;
}

void set_both(const std::vector<Body>& bodies, long double utkozes, reference::System& ref) {
    N = Word(bodies.size());
    UTKOZES = utkozes;
    ref.F.assign(bodies.size() + 2, {});
    ref.N = int(bodies.size());
    ref.UTKOZES = utkozes;
    for (int I = 1; I <= N; ++I) {
        const Body& b = bodies[size_t(I - 1)];
        F(I, MASS) = b.m, F(I, X) = b.x, F(I, Y) = b.y, F(I, VX) = b.vx, F(I, VY) = b.vy;
        ref.F[size_t(I)] = {0, b.m, b.x, b.y, b.vx, b.vy};
    }
}

::testing::AssertionResult same_table(const reference::System& ref) {
    if (N != ref.N) return ::testing::AssertionFailure() << "N " << N << " against " << ref.N;
    for (int I = 1; I <= N; ++I)
        for (int K = 1; K <= 5; ++K)
            if (std::memcmp(&F(I, K), &ref.F[size_t(I)][size_t(K)], 10) != 0)
                return ::testing::AssertionFailure() << "body " << I << " column " << K;
    return ::testing::AssertionSuccess();
}

std::vector<char> table_bytes() {
    std::vector<char> bytes(size_t(N) * sizeof F.cells[0]);
    std::memcpy(bytes.data(), F.row(1), bytes.size());
    return bytes;
}

bool several_processors() { return runtime::worker_slots() >= 2; }

}  // namespace

// Sizes at and around the tile edges, up to 3000 bodies; merges between the frames.
TEST(Tiles, AgreeWithTheLoopBitForBit) {
    if (!several_processors()) GTEST_SKIP() << "one processor: the loop does every pass";
    std::mt19937_64 rng(20261207);
    const int sizes[] = {MIN_TILED_BODIES, 65, 97, 130, 131, 257, 641, 1001, 2049, 3000};
    for (int n : sizes) {
        reference::System ref;
        set_both(random_bodies(rng, n), 0.5L + double(rng() % 5), ref);
        for (int frame = 1; frame <= 2; ++frame) {
            merge_pass();
            reference::merge(ref);
            if (N < MIN_TILED_BODIES) break;
            ASSERT_TRUE(gravity_in_tiles()) << n << " bodies, frame " << frame;
            drift();
            reference::gravity(ref);
            reference::drift(ref);
            ASSERT_TRUE(same_table(ref)) << n << " bodies, frame " << frame;
        }
    }
}

// A pass in which some pair meets a trapping condition is handed back untouched, for
// the loop to meet it in order; the calling thread is left as it was.
TEST(Tiles, GiveBackAPassThatMeetsAFault) {
    if (!several_processors()) GTEST_SKIP() << "one processor: the loop does every pass";
    struct Fault {
        const char* what;
        Body first, second;
    };
    const Fault faults[] = {
        {"two bodies at one point (0/0)", {1, 300, 200, 0, 0}, {2, 300, 200, 0, 0}},
        {"a massless body (0/0)", {0, 310, 200, 0, 0}, {2, 300, 200, 0, 0}},
        {"a distance whose square underflows (x/0)", {1, 0, 0, 0, 0}, {1, 1e-3000L, 0, 0, 0}},
        {"masses whose product overflows", {1e3000L, 10, 10, 0, 0}, {1e3000L, 20, 10, 0, 0}},
    };
    std::mt19937_64 rng(7);
    runtime::reset_fpu();
    for (const Fault& fault : faults) {
        std::vector<Body> bodies = random_bodies(rng, 1000);
        reference::System unused;
        set_both(bodies, -1, unused);
        ASSERT_TRUE(gravity_in_tiles()) << fault.what << ": the system without the pair";
        size_t a = rng() % 1000, b = rng() % 1000;
        if (a == b) b = (a + 500) % 1000;
        bodies[a] = fault.first, bodies[b] = fault.second;
        set_both(bodies, -1, unused);
        std::vector<char> before = table_bytes();
        EXPECT_FALSE(gravity_in_tiles()) << fault.what;
        EXPECT_EQ(table_bytes(), before) << fault.what;
        EXPECT_EQ(runtime::exception_flags() & runtime::TRAPPING_FLAGS, 0) << fault.what;
        EXPECT_EQ(runtime::control_word().invalid_masked, 0) << fault.what;
    }
}

// Whole runs: the trace tool against the same tool built with the straightforward
// passes, on random systems of 2 to 3000 bodies with merges, chains and faults of
// every kind in both passes. Same records, same error, same exit code.
namespace {

enum Kind { PLAIN, CLUSTERED, SAME_POINT, MASSLESS, UNDERFLOW, OVERFLOW, COLLISION, FAR_APART, KINDS };

struct Scenario {
    std::string text;
    int frames = 3;
    int expected_exit = 0;  // -1: whatever the straightforward passes give
};

std::string number(long double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.21Lg", v);
    return buf;
}

Scenario scenario(std::mt19937_64& rng, Kind kind) {
    int n = kind == PLAIN && rng() % 2 == 0 ? 2 + int(rng() % 62) : 2 + int(rng() % 2999);
    std::vector<Body> bodies = random_bodies(rng, n);
    if (kind == CLUSTERED)  // crowded: merges in chains, and close passes that may fling
        for (Body& b : bodies) b.x = 300 + b.x / 8, b.y = 200 + b.y / 8;  // a body off the canvas
    std::vector<std::string> rows;
    for (const Body& b : bodies) rows.push_back(number(b.m) + " " + number(b.x) + " " + number(b.y) + " " + number(b.vx) + " " + number(b.vy));
    Scenario s;
    if (kind == CLUSTERED) s.expected_exit = -1;
    std::string utkozes = number(0.5L + double(rng() % 4));
    size_t a = rng() % rows.size(), b = rng() % rows.size();
    if (a == b) b = (a + 1) % rows.size();
    switch (kind) {
        case SAME_POINT: rows[a] = "3 250 250 0 0", rows[b] = "5 250 250 0 0", utkozes = "-1", s.expected_exit = 207; break;
        case MASSLESS: rows[a] = "0 251 250 0 0", s.expected_exit = 207; break;
        case UNDERFLOW: rows[a] = "1 0 0 0 0", rows[b] = "1 1e-3000 0 0 0", utkozes = "-1", s.expected_exit = 200; break;
        case OVERFLOW: rows[a] = "1e3000 20 10 0 0", rows[b] = "1e3000 30 10 0 0", s.expected_exit = 205; break;
        case FAR_APART: rows[a] = "1 1e2466 0 0 0", rows[b] = "1 -1e2466 0 0 0", s.expected_exit = 205; break;
        case COLLISION:  // featherweights: the two meet at one point in frame 6
            for (std::string& row : rows) row = "1e-40" + row.substr(row.find(' '));
            rows[a] = "1e-40 100.5 50 1 0", rows[b] = "1e-40 110.5 50 -1 0", utkozes = "-1";
            s.frames = 7, s.expected_exit = 207;
            break;
        default: break;
    }
    s.text = std::to_string(n) + "\n";
    for (const std::string& row : rows) s.text += row + "\n";
    s.text += "0 " + utkozes + " 1\n";
    return s;
}

int count_lines(const std::string& out, const std::string& prefix) {
    int count = 0;
    for (size_t at = 0; (at = out.find("\n" + prefix, at)) != std::string::npos; ++at) ++count;
    return count;
}

std::string records_of(const std::string& out) { return out.substr(0, out.find("Runtime error")); }

std::string report_first_line(const std::string& out) {
    size_t at = out.find("Runtime error");
    return at == std::string::npos ? "" : out.substr(at, out.find('\r', at) - at);
}

std::string first_difference(const std::string& a, const std::string& b) {
    size_t i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i]) ++i;
    size_t line = a.rfind('\n', i == 0 ? 0 : i - 1);
    line = line == std::string::npos ? 0 : line + 1;
    return a.substr(line, a.find('\n', line) - line) + "  /  " + b.substr(line, b.find('\n', line) - line);
}

}  // namespace

TEST(TraceDifferential, SameRecordsAndErrorsAsTheStraightforwardPasses) {
    std::mt19937_64 rng(1207);
    for (int trial = 0; trial < 3 * KINDS; ++trial) {
        Kind kind = Kind(trial % KINDS);
        Scenario s = scenario(rng, kind);
        std::string file = testsupport::write_file("differential.txt", s.text);
        std::vector<std::string> args{"--hex", "--print=all", file, std::to_string(s.frames)};
        args.insert(args.begin(), GRAVITY_TRACE);
        auto fast = testsupport::run_child(args);
        args[0] = GRAVITY_TRACE_STRAIGHTFORWARD;
        auto plain = testsupport::run_child(args);
        SCOPED_TRACE("trial " + std::to_string(trial) + ", kind " + std::to_string(kind));
        if (s.expected_exit >= 0) {
            EXPECT_EQ(plain.exit_code, s.expected_exit);
        }
        if (kind == CLUSTERED) {
            EXPECT_LT(count_lines(plain.out, "F 1 "), count_lines(plain.out, "L ")) << "no merges";
        }
        EXPECT_EQ(fast.exit_code, plain.exit_code);
        EXPECT_TRUE(records_of(fast.out) == records_of(plain.out)) << first_difference(fast.out, plain.out);
        std::string head = report_first_line(plain.out);
        EXPECT_EQ(report_first_line(fast.out).substr(0, 18), head.substr(0, 18));
        if (head.empty()) continue;
        std::string fast_head = report_first_line(fast.out);
        EXPECT_EQ(testsupport::function_at(GRAVITY_TRACE, fast_head.substr(fast_head.find(" at ") + 4)),
                  testsupport::function_at(GRAVITY_TRACE_STRAIGHTFORWARD, head.substr(head.find(" at ") + 4)));
    }
}
