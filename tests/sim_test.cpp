// The simulation in process: loading, the merge pass, gravity and drift, and the
// product against the straightforward reference over many frames.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "runtime/textfile.h"
#include "sim/bodies.h"
#include "sim/coords.h"
#include "sim/gravity.h"
#include "sim/merge.h"
#include "tests/reference_sim.h"
#include "tests/support/child.h"

using namespace sim;

namespace {

struct Body {
    long double m, x, y, vx, vy;
};

void set_system(const std::vector<Body>& bodies, long double utkozes) {
    N = Word(bodies.size());
    for (int I = 1; I <= N; ++I) {
        const Body& b = bodies[size_t(I - 1)];
        F(I, MASS) = b.m, F(I, X) = b.x, F(I, Y) = b.y, F(I, VX) = b.vx, F(I, VY) = b.vy;
    }
    UTKOZES = utkozes;
}

// Merge distances from none at all to a few pixels, so that some systems merge often.
long double ref_utkozes(int trial) { return trial % 4 == 0 ? -1.0L : 0.5L + trial * 0.75L; }

bool same_bits(long double a, long double b) { return std::memcmp(&a, &b, 10) == 0; }

void load_file(const std::string& content) {
    runtime::INOUTRES = 0;
    runtime::ASSIGN(BE, testsupport::write_file("params.txt", content).c_str());
    runtime::RESET(BE);
    ALLAPOT();
    ASSERT_EQ(runtime::INOUTRES, 0);
    runtime::CLOSE(BE);
}

}  // namespace

TEST(Loader, ReadsCountBodiesAndParameters) {
    load_file("2\n1000 320 240 0 0\n1 320 140 3.1 0\n20 2 1.5\ntrailing words are never read\n");
    EXPECT_EQ(N, 2);
    EXPECT_EQ(F(1, MASS), 1000);
    EXPECT_EQ(F(2, Y), 140);
    EXPECT_EQ(F(2, VX), 3.1L);
    EXPECT_EQ(SZUNET, 20);
    EXPECT_EQ(UTKOZES, 2);
    EXPECT_EQ(C, 1.5L);
}

TEST(Loader, LayoutOverLinesDoesNotMatter) {
    load_file("$2 1000\n320\t240 0\r\n0 1 320\n\n140 3.1 0 20 2 1.5");
    long double cells[10];
    std::memcpy(cells, F.row(1), sizeof cells);
    load_file("2 1000 320 240 0 0 1 320 140 3.1 0 20 2 1.5\n");
    EXPECT_EQ(std::memcmp(cells, F.row(1), sizeof cells), 0);
}

TEST(Loader, MissingLastNumberAfterALineEndReadsAsZero) {
    load_file("1\n1 2 3 4 5\n10 2\n");
    EXPECT_EQ(C, 0);
    EXPECT_EQ(SZUNET, 10);
}

TEST(Loader, ZeroBodiesGoesStraightToTheParameters) {
    load_file("0 15 3 2\n");
    EXPECT_EQ(N, 0);
    EXPECT_EQ(SZUNET, 15);
    EXPECT_EQ(UTKOZES, 3);
}

TEST(MergePass, NothingToDoForNoneOrOneBody) {
    set_system({}, 10);
    merge_pass();
    EXPECT_EQ(N, 0);
    set_system({{1, 5, 5, 1, 1}}, 10);
    merge_pass();
    EXPECT_EQ(N, 1);
    EXPECT_EQ(F(1, X), 5);
}

TEST(MergePass, ExactlyAtTheDistanceMergesAHairBeyondDoesNot) {
    set_system({{1, 0, 0, 0, 0}, {1, 3, 4, 0, 0}}, 5);  // distance exactly 5
    merge_pass();
    EXPECT_EQ(N, 1);
    set_system({{1, 0, 0, 0, 0}, {1, 3, 4, 0, 0}}, std::nextafter(5.0L, 0.0L));
    merge_pass();
    EXPECT_EQ(N, 2);
}

TEST(MergePass, NegativeDistanceNeverMergesZeroOnlyAtOnePoint) {
    set_system({{1, 7, 7, 0, 0}, {1, 7, 7, 0, 0}}, -1);
    merge_pass();
    EXPECT_EQ(N, 2);
    set_system({{1, 7, 7, 0, 0}, {1, 7, 7, 0, 0}, {1, 7, 7.0000001L, 0, 0}}, 0);
    merge_pass();
    EXPECT_EQ(N, 2);
    EXPECT_EQ(F(1, MASS), 2);
    EXPECT_EQ(F(2, Y), 7.0000001L);
}

TEST(MergePass, KeepsMassAndMomentumAtTheCentreOfMass) {
    set_system({{3, 0, 5, 0, 0}, {1, 4, 5, 0, 0}}, 10);
    merge_pass();
    ASSERT_EQ(N, 1);
    EXPECT_EQ(F(1, MASS), 4);
    EXPECT_EQ(F(1, X), 1);
    EXPECT_EQ(F(1, Y), 5);
    set_system({{2, 0, 0, 3, -1}, {6, 1, 1, -1, 2}}, 10);
    merge_pass();
    EXPECT_EQ(F(1, VX), (2 * 3 + 6 * -1) / 8.0L);
    EXPECT_EQ(F(1, VY), (2 * -1 + 6 * 2) / 8.0L);
}

TEST(MergePass, RowsMoveDownAndLeaveAStaleCopy) {
    set_system({{1, 0, 0, 0, 0}, {1, 0, 1, 0, 0}, {5, 100, 0, 0, 0}, {7, 200, 0, 0, 0}}, 2);
    merge_pass();
    ASSERT_EQ(N, 3);
    EXPECT_EQ(F(2, MASS), 5);
    EXPECT_EQ(F(3, MASS), 7);
    EXPECT_EQ(F(4, MASS), 7);  // beyond N: the old last row stays
}

TEST(MergePass, ChainsResolveOverPasses) {
    // 1 and 2 in range, 2 and 3 in range, 1 and 3 not: 1 absorbs 2, and old 3, now in
    // row 2, is not tested against 1 until the next pass.
    set_system({{1, 0, 0, 0, 0}, {9, 1, 0, 0, 0}, {1, 2.1L, 0, 0, 0}}, 1.3L);
    merge_pass();
    ASSERT_EQ(N, 2);
    EXPECT_EQ(F(2, X), 2.1L);
    merge_pass();
    EXPECT_EQ(N, 1);
    EXPECT_EQ(F(1, MASS), 11);
}

TEST(MergePass, OneBodyAbsorbsSeveralInOnePass) {
    set_system({{1, 0, 0, 0, 0}, {1, 1, 0, 0, 0}, {1, 50, 0, 0, 0}, {1, -1, 0, 0, 0}, {1, 0, 1, 0, 0}}, 1.5L);
    merge_pass();
    // 2 merges into 1; 50 moves to row 2 (skipped for I=1 once, then too far);
    // -1 moved into row 3 is tested and merges; the last moved into row 3 is skipped.
    EXPECT_EQ(N, 3);
    EXPECT_EQ(F(1, MASS), 3);
}

TEST(Gravity, OneBodyMovesInAStraightLine) {
    set_system({{5, 1, 2, 0.5L, -0.25L}}, 0);
    for (int i = 0; i < 4; ++i) {
        gravity_pass();
        drift();
    }
    EXPECT_EQ(F(1, X), 3);
    EXPECT_EQ(F(1, Y), 1);
}

TEST(Gravity, TwoUnitMassesOnePixelApartSwapPlaces) {
    set_system({{1, 0, 0, 0, 0}, {1, 1, 0, 0, 0}}, -1);
    gravity_pass();
    drift();
    EXPECT_EQ(F(1, VX), 1);
    EXPECT_EQ(F(2, VX), -1);
    EXPECT_EQ(F(1, X), 1);
    EXPECT_EQ(F(2, X), 0);
}

TEST(Gravity, HeavierBodyMovesLess) {
    set_system({{2, 0, 0, 0, 0}, {1, 2, 0, 0, 0}}, -1);
    gravity_pass();
    EXPECT_EQ(F(1, VX), 0.25L);
    EXPECT_EQ(F(2, VX), -0.5L);
    EXPECT_EQ(F(1, VY), 0);
}

TEST(Gravity, NoCutOffAtLargeDistances) {
    set_system({{1e6L, 0, 0, 0, 0}, {1, 0, 5000, 0, 0}}, -1);
    gravity_pass();
    EXPECT_EQ(F(2, VY), -1e6L / (5000.0L * 5000.0L));
}

TEST(ScreenCoords, VelocityScaledFirstThenRoundedTiesToEven) {
    set_system({{1, 2.5L, 3.5L, 1, -1}}, 0);
    C = 0.5L;
    ScreenCoords s = screen_coords(1);
    EXPECT_EQ(s.x1, 2);
    EXPECT_EQ(s.y1, 4);
    EXPECT_EQ(s.x2, 3);  // 3.0
    EXPECT_EQ(s.y2, 3);  // 3.0
    set_system({{1, -2.5L, 32767.4L, 0, 0}}, 0);
    s = screen_coords(1);
    EXPECT_EQ(s.x1, -2);
    EXPECT_EQ(s.y1, 32767);
}

// The product against the reference, frame after frame, merges included.
TEST(Reference, ProductAgreesBitForBitOnRandomSystems) {
    std::mt19937_64 rng(20261206);
    for (int trial = 0; trial < 12; ++trial) {
        std::uniform_real_distribution<double> pos(0, 800), vel(-1, 1), mass(0.5, 200);
        int n = 2 + int(rng() % 60);
        std::vector<Body> bodies;
        reference::System ref;
        ref.F.assign(size_t(n) + 2, {});
        for (int I = 1; I <= n; ++I) {
            Body b{mass(rng), pos(rng), pos(rng) * 0.75, vel(rng), vel(rng)};
            if (trial % 3 == 0 && I > 1 && rng() % 4 == 0) b.x = bodies.back().x + 0.5L;  // close pairs
            bodies.push_back(b);
            ref.F[size_t(I)] = {0, b.m, b.x, b.y, b.vx, b.vy};
        }
        ref.N = n;
        ref.UTKOZES = ref_utkozes(trial);
        set_system(bodies, ref.UTKOZES);
        for (int frame = 1; frame <= 300; ++frame) {
            merge_pass();
            reference::merge(ref);
            ASSERT_EQ(N, ref.N) << "trial " << trial << " frame " << frame;
            gravity_pass();
            drift();
            reference::gravity(ref);
            reference::drift(ref);
            for (int I = 1; I <= N; ++I)
                for (int K = 1; K <= 5; ++K)
                    ASSERT_TRUE(same_bits(F(I, K), ref.F[size_t(I)][size_t(K)]))
                        << "trial " << trial << " frame " << frame << " body " << I << " column " << K;
        }
    }
}

// The merge pass may skip the pairs when no pair can merge: never where one would.
TEST(Reference, SkippedPassesAreThoseThatWouldDoNothing) {
    struct Case {
        std::vector<Body> bodies;
        long double utkozes;
    };
    const Case cases[] = {
        {{{1, 0, 0, 0, 0}, {1, 3, 4, 0, 0}, {1, 50, 50, 0, 0}}, 5},                          // exactly at the distance
        {{{1, 0, 0, 0, 0}, {1, 3, 4, 0, 0}}, std::nextafter(5.0L, 0.0L)},                    // a hair beyond
        {{{1, 0, 0, 0, 0}, {1, 1e-3000L, 0, 0, 0}}, 0},                                     // a square that underflows
        {{{1, 7, 7, 0, 0}, {1, 7, 7, 0, 0}}, 0},                                            // one point
        {{{1, 0, 0, 0, 0}, {1, 0, 2, 0, 0}, {1, 0, 4, 0, 0}}, 2},                           // a column: equal x
        {{{1, 1e2300L, 0, 0, 0}, {1, -1e2300L, 0, 0, 0}}, 1},                               // far, but no overflow
        {{{2, 100, 100, 0, 0}, {3, 100.5L, 300, 0, 0}, {1, 300, 100.25L, 0, 0}}, 1},         // close in one axis only
    };
    for (const Case& c : cases) {
        reference::System ref;
        ref.F.assign(c.bodies.size() + 2, {});
        for (size_t i = 0; i < c.bodies.size(); ++i) {
            const Body& b = c.bodies[i];
            ref.F[i + 1] = {0, b.m, b.x, b.y, b.vx, b.vy};
        }
        ref.N = int(c.bodies.size());
        ref.UTKOZES = c.utkozes;
        set_system(c.bodies, c.utkozes);
        merge_pass();
        reference::merge(ref);
        ASSERT_EQ(N, ref.N);
        for (int I = 1; I <= N; ++I)
            for (int K = 1; K <= 5; ++K) EXPECT_TRUE(same_bits(F(I, K), ref.F[size_t(I)][size_t(K)]));
    }
}
