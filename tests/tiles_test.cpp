// The tiled gravity pass against the straightforward one through the trace tool, also
// without helper threads; in a build with planted faults, the way out from tile threads.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>

#include "sim/simulation.h"
#include "sim/tiles.h"
#include "tests/reference_sim.h"
#include "tests/support/child.h"
#include "tests/support/tmux.h"

using namespace testsupport;

namespace {

enum Kind { PLAIN, CROWDED, SAME_POINT, MASSLESS, UNDERFLOW, OVERFLOW, COLLISION, FAR_APART };

// exit_code: -1, whatever the loop gives; limited: `ulimit -v 20000`, no helper thread.
struct Scenario { int n; Kind kind; int exit_code; int frames = 3; bool limited = false; };
const Scenario SCENARIOS[] = {
    {2, PLAIN, 0}, {sim::MIN_TILED_BODIES - 1, PLAIN, 0}, {sim::MIN_TILED_BODIES, PLAIN, 0}, {65, CROWDED, -1},
    {97, PLAIN, 0}, {130, CROWDED, -1}, {131, PLAIN, 0}, {257, CROWDED, -1}, {641, PLAIN, 0}, {1001, CROWDED, -1},
    {2049, PLAIN, 0}, {3000, CROWDED, -1}, {641, SAME_POINT, 207}, {1001, MASSLESS, 207}, {2049, UNDERFLOW, 200},
    {3000, OVERFLOW, 205}, {1500, FAR_APART, 205}, {2000, PLAIN, 0, 2, true},
    {700, COLLISION, 207, 7},  // featherweights: two meet at one point in frame 6
};

// Random bodies over an 800 x 600 canvas (crowded: in a 100 x 75 corner, where they
// merge in chains and fling each other), then the scenario's pair of bodies.
std::string system_text(const Scenario& s, std::mt19937_64& rng) {
    std::uniform_real_distribution<double> pos(0, 800), vel(-1, 1), mass(0.5, 200);
    std::vector<std::string> rows;
    for (int i = 0; i < s.n; ++i) {
        double m = mass(rng), x = pos(rng), y = pos(rng) * 0.75, crowd = s.kind == CROWDED ? 8 : 1;
        rows.push_back((s.kind == COLLISION ? "1e-40" : std::to_string(m)) + " " + std::to_string(x / crowd) + " " +
                       std::to_string(y / crowd) + " " + std::to_string(vel(rng)) + " " + std::to_string(vel(rng)));
    }
    std::string utkozes = std::to_string(0.5 + double(rng() % 4));
    size_t a = rng() % rows.size(), b = (a + 1 + rng() % (rows.size() - 1)) % rows.size();
    switch (s.kind) {
        case SAME_POINT: rows[a] = "3 250 250 0 0", rows[b] = "5 250 250 0 0", utkozes = "-1"; break;
        case MASSLESS: rows[a] = "0 251 250 0 0"; break;
        case UNDERFLOW: rows[a] = "1 0 0 0 0", rows[b] = "1 1e-3000 0 0 0", utkozes = "-1"; break;
        case OVERFLOW: rows[a] = "1e3000 20 10 0 0", rows[b] = "1e3000 30 10 0 0"; break;
        case FAR_APART: rows[a] = "1 1e2466 0 0 0", rows[b] = "1 -1e2466 0 0 0"; break;
        case COLLISION: rows[a] = "1e-40 100.5 50 1 0", rows[b] = "1e-40 110.5 50 -1 0", utkozes = "-1"; break;
        default: break;
    }
    std::string text = std::to_string(s.n) + "\n";
    for (const std::string& row : rows) text += row + "\n";
    return text + "0 " + utkozes + " 1\n";
}

std::string report_head(const std::string& out, const std::string& program) {
    size_t at = out.find("Runtime error");
    if (at == std::string::npos) return "";
    size_t address = out.find(" at 0x", at) + 4;
    return out.substr(at, address - at) + function_at(program, out.substr(address, out.find('\r', at) - address));
}

}  // namespace

TEST(TraceDifferential, SameRecordsAndErrorsAsTheStraightforwardPasses) {
    std::mt19937_64 rng(1207);
    for (const Scenario& s : SCENARIOS) {
        // The limit would fall on the emulator itself, or on a sanitizer's shadow memory.
        if (s.limited && (emulated() || sanitized())) continue;
        SCOPED_TRACE(std::to_string(s.n) + " bodies, kind " + std::to_string(s.kind));
        std::string file = write_file("differential.txt", system_text(s, rng));
        std::vector<std::string> args{GRAVITY_TRACE, "--hex", "--print=all", file, std::to_string(s.frames)};
        if (s.limited) args.insert(args.begin(), {"/bin/sh", "-c", "ulimit -v 20000 && exec \"$@\"", "sh"});
        auto fast = run_child(args);
        auto plain = run_child({GRAVITY_TRACE_STRAIGHTFORWARD, "--hex", "--print=all", file, std::to_string(s.frames)});
        if (s.exit_code >= 0) { EXPECT_EQ(plain.exit_code, s.exit_code); }
        EXPECT_EQ(fast.exit_code, plain.exit_code);
        EXPECT_EQ(fast.err, plain.err);
        EXPECT_EQ(fast.out.substr(0, fast.out.find("Runtime")), plain.out.substr(0, plain.out.find("Runtime")));
        EXPECT_EQ(report_head(fast.out, GRAVITY_TRACE), report_head(plain.out, GRAVITY_TRACE_STRAIGHTFORWARD));
    }
}

// In process, for ThreadSanitizer too: the tiles against the loop written from the rules.
TEST(Tiles, AgreeWithTheLoopBitForBitInProcess) {
    std::mt19937_64 rng(20261207);
    std::uniform_real_distribution<double> pos(0, 800), vel(-1, 1), mass(0.5, 200);
    for (int n : {sim::MIN_TILED_BODIES, 131, 1001, 3000}) {
        reference::System ref{std::vector<std::array<runtime::Extended, 6>>(size_t(n) + 1), n, 0};
        auto simulation = std::make_unique<sim::Simulation>();
        simulation->N = sim::Word(n);
        for (int I = 1; I <= n; ++I) {
            ref.F[size_t(I)] = {0, reference::exactly(mass(rng)), reference::exactly(pos(rng)),
                                reference::exactly(pos(rng) * 0.75), reference::exactly(vel(rng)), reference::exactly(vel(rng))};
            for (int K = 1; K <= 5; ++K) simulation->F(I, K) = ref.F[size_t(I)][size_t(K)];
        }
        if (!sim::gravity_in_tiles(*simulation)) GTEST_SKIP() << "no helper thread";
        reference::gravity(ref);
        for (int I = 1; I <= n; ++I)
            for (int K = 4; K <= 5; ++K) ASSERT_EQ(std::memcmp(&simulation->F(I, K), &ref.F[size_t(I)][size_t(K)], 10), 0) << n;
    }
}

#ifdef GRAVITY_PLANTED_FAULTS
// A fault on the program's thread or on a helper, with the other threads waiting for
// its tile row: one report, its number as exit code, no hang; a second fault in the
// exit sequence is the one reported. Three runs each: the threads race.
TEST(Planted, FaultOnAnyTileThreadEndsWithOneReport) {
    std::mt19937_64 rng(15);
    std::string file = write_file("planted.txt", system_text({2000, PLAIN, 0}, rng));
    for (auto [plant, error] : {std::pair{"tile-helper", 216}, {"tile-helper/div", 200}, {"tile-main", 216},
                                {"tile-main/div", 200}, {"tile-helper,workers-stop/div", 200},
                                {"tile-main/div,workers-stop", 216}})
        for (int run = 0; run < 3; ++run) {
            auto r = run_child({"/usr/bin/env", std::string("GRAVITY_PLANT=") + plant, "/usr/bin/timeout", "-s", "KILL",
                                "120", GRAVITY_TRACE, "--print=none", file, "3"});
            EXPECT_EQ(r.exit_code, error) << plant << ":\n" << r.out;
            EXPECT_NE(r.out.find("Runtime error " + std::to_string(error) + " at 0x"), std::string::npos) << plant;
            EXPECT_EQ(r.out.find("Runtime"), r.out.rfind("Runtime")) << plant;  // one report
        }
}
#endif

// Other builds' trace tools (the software extended reals, arm64 under the emulator),
// named by the test command in GRAVITY_OTHER_TRACES (commands, separated by |), run
// beside this build's: the same records bit for bit, the same error after them with a
// back-trace as deep; the x87's first fault in a formula is the software's too.
TEST(Platforms, EveryBuildGivesTheX87sRecordsAndErrors) {
    const std::string others = std::getenv("GRAVITY_OTHER_TRACES") ? std::getenv("GRAVITY_OTHER_TRACES") : "";
    if (others.empty()) GTEST_SKIP() << "GRAVITY_OTHER_TRACES names no other build";
    auto outcome = [](const ChildResult& r) {  // the addresses are each build's own
        std::string out = r.out, kept;
        for (size_t at = 0, end; (end = out.find('\n', at)) != std::string::npos; at = end + 1) {
            std::string line = out.substr(at, end - at);
            kept += line.rfind("  0x", 0) == 0 ? "  0x\n" : line.substr(0, line.find(" at 0x")) + "\n";
        }
        return kept + "exit " + std::to_string(r.exit_code);
    };
    std::vector<std::pair<std::string, std::string>> files;  // text, frames
    for (const char* example : {"two-body", "figure-eight", "clusters", "spiral"})
        files.push_back({read_text_file(std::string(EXAMPLES_DIR) + "/" + example + ".txt"), "300"});
    for (const char* text : {"2\n1 5 5 0 0\n-1 5 5 0 0\n0 0 1\n",        // merged masses sum to 0: 1/0 before 0/0
                             "2\n1e4000 0 0 0 0\n1e4000 1e-10 0 0 0\n0 -1 1\n",  // an overflow, then a division
                             "2\n1 1e2466 0 0 0\n1 -1e2466 0 0 0\n0 1 1\n", "1\n1 3e9 0 0 0\n0 0 0\n"})
        files.push_back({text, "9"});
    std::mt19937_64 rng(18);
    for (const Scenario& s : SCENARIOS)
        if (s.n <= 1001 && !s.limited) files.push_back({system_text(s, rng), std::to_string(s.frames)});
    for (auto& [text, frames] : files) {
        std::string file = write_file("platforms.txt", text);
        std::string x87 = outcome(run_child({GRAVITY_TRACE, "--hex", file, frames}));
        for (size_t at = 0, end = 0; end != std::string::npos; at = end + 1) {
            end = others.find('|', at);
            std::string other = others.substr(at, end == std::string::npos ? end : end - at);
            std::vector<std::string> argv{"/bin/sh", "-c", other + " \"$@\"", "sh", "--hex", file, frames};
            EXPECT_EQ(outcome(run_child(argv)), x87) << other << "\n" << text.substr(0, 200);
        }
    }
}
