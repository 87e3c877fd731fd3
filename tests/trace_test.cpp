// The trace tool as a user runs it: records, usage, and the run-time errors of loading
// and of frames, reported in the frame loop with the records printed before them.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/child.h"

using namespace testsupport;

namespace {

ChildResult trace(std::vector<std::string> args, const std::string& params = "", const std::string& input = "") {
    if (!params.empty()) args.insert(args.end() - 1, write_file("trace.txt", params));
    args.insert(args.begin(), GRAVITY_TRACE);
    ChildOptions options;
    options.input = input;
    return run_child(args, options);
}

int records(const std::string& out, const std::string& prefix = "F ") {
    int n = out.rfind(prefix, 0) == 0;
    for (size_t at = 0; (at = out.find("\n" + prefix, at)) != std::string::npos; ++at) ++n;
    return n;
}

const std::string SWAP = "2\n1 0 0 0 0\n1 1 0 0 0\n0 -1 0.5\n";  // they swap places in one frame

}  // namespace

// Two unit masses one pixel apart swap places in one frame; masses 3 and 1, 4 pixels
// apart, merge at the centre of mass with the pair's momentum.
TEST(Trace, RecordsAndTheirChoice) {
    const std::string merge = "3\n3 0 0 2 0\n1 4 0 -2 4\n1 99 9 0 0\n0 5 0\n";
    const std::string frame2 = "F 2 1 1 0 2 0 1 1 0 1 0\nF 2 2 0 0 0 0 1 0 0 -1 0\n";  // 1.5 and -0.5 to even
    const struct {
        std::vector<std::string> args;
        std::string params, input, out;
    } cases[] = {
        {{"2"}, SWAP, "", "P 2 0 -1 0.5\nL 1 1 0 0 0 0\nL 2 1 1 0 0 0\nF 1 1 0 0 0 0 1 0 0 0 0\nF 1 2 1 0 1 0 1 1 0 0 0\n" + frame2},
        {{"--print=last", "2"}, SWAP, "", "P 2 0 -1 0.5\n" + frame2},
        {{"--print=none", "-", "2"}, "", SWAP, "P 2 0 -1 0.5\n"},
        {{"--print=last", "1"}, merge, "", "P 3 0 5 0\nF 1 1 1 0 1 0 4 1 0 1 1\nF 1 2 99 9 99 9 1 99 9 0 0\n"},
        {{"--hex", "0"}, "1\n-0 0.1 0 0 0\n0 0 1\n", "", "P 1 0 00000000000000000000 3FFF8000000000000000\n"
         "L 1 80000000000000000000 3FFBCCCCCCCCCCCCCCCD 00000000000000000000 00000000000000000000 00000000000000000000\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(trace(c.args, c.params, c.input).out, c.out);
}

TEST(Trace, UsageVersionAndHelp) {
    for (std::vector<std::string> args : {std::vector<std::string>{}, {"f"}, {"--bogus", "f", "1"}, {"f", "x1"}, {"f", "-1"},
                                          {"f", "1", "2"}, {"--size", "10x0", "f", "1"}, {"--print=some", "f", "1"}, {"f", "1", "--png"}}) {
        auto r = trace(args);
        EXPECT_EQ(r.exit_code, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("[--frames-png DIR] FILE FRAMES\n"), std::string::npos);
    }
    auto help = trace({"--help"});
    EXPECT_EQ(help.exit_code + help.err.size(), 0u);
    for (const char* option : {"\n  --size WxH", "\n  --png FILE", "\n  --frames-png DIR", "\n  --version", "\n  --print all"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    auto version = trace({"--version"});
    EXPECT_EQ(version.exit_code, 0);
    EXPECT_EQ(version.out.rfind("gravity-trace ", 0), 0u);
}

// Any path the system takes; a failed write of the records is error 101, not silence.
TEST(Trace, LongPathsAndAFullDisk) {
    std::string dir = temp_dir() + "/" + std::string(150, 'd') + "/" + std::string(120, 'e');
    std::filesystem::create_directories(dir);
    std::filesystem::copy_file(write_file("swap.txt", SWAP), dir + "/swap.txt");
    EXPECT_EQ(run_child({GRAVITY_TRACE, "--print=none", dir + "/swap.txt", "1"}).out, "P 2 0 -1 0.5\n");
    EXPECT_EQ(run_child({GRAVITY_TRACE, dir + "/missing.txt", "1"}).exit_code, 2);
    ChildOptions to_full_disk;
    to_full_disk.stdout_file = "/dev/full";
    auto full = run_child({GRAVITY_TRACE, write_file("swap.txt", SWAP), "2000"}, to_full_disk);
    EXPECT_EQ(full.exit_code, 101);
    EXPECT_NE(full.err.find("gravity-trace: cannot write the records: "), std::string::npos);
}

TEST(Trace, LoadErrors) {
    const std::pair<std::string, int> cases[] = {
        {"70000 x\n", 201}, {"1 1 2 3 4 5 70000 1 1\n", 201}, {"1 1 2 x 4 5 70000 1 1\n", 106}, {"$10000 x\n", 201},
        {"1 1 2 1e5000 4 5 0 1 1\n", 205}, {"1\n1 2 3 4 5\n10\n", 106}, {"1\n1 2 3 4 5\n10 2", 106},
        {"1\n1 2 3 4 5\n10 2\n", 0},  // C missing after a line end reads as 0
    };
    for (const auto& [params, code] : cases) EXPECT_EQ(trace({"1"}, params).exit_code, code) << params;
    EXPECT_EQ(trace({"/nonexistent-dir/params.txt", "1"}).exit_code, 3);
}

// The first error of a run, after the frames' records before it, reported where it
// arose: the loop (sim::FUTTAT) called by the tool's main program, or a pass it calls.
TEST(Trace, FrameErrorsInTheProgramsOwnLoop) {
    std::string full = "65535\n";  // J = I + 1 is a word: 65534 is the largest count that runs
    for (int i = 0; i < 65535; ++i) full += "1 " + std::to_string(i % 256 * 10) + " " + std::to_string(i / 256 * 10) + " 0 0\n";
    struct Case {
        std::string params;
        int code, records, depth;  // depth: the back-trace's lines
        std::string caller;  // the routine of the report's first back-trace line
    } cases[] = {
        {"1\n1 100 32765 0 1\n0 0 0\n", 201, 3, 2, "trace_main"},  // y = 32765, 32766, 32767, then 32768
        {"1\n1 3e9 0 0 0\n0 0 0\n", 207, 0, 3, "screen_coords"},   // the rounding fails in ROUND
        {"1\n1 0 0 3e9 40000\n0 0 1\n", 201, 0, 2, "trace_main"},  // y2 before x2,
        {"1\n1 10 3e9 40000 -3e9\n0 0 1\n", 201, 0, 2, "trace_main"},  // x2 before y1,
        {"1\n1 3e9 40000 -3e9 -40000\n0 0 1\n", 201, 0, 2, "trace_main"},  // y1 before x1
        {"2\n1 5 5 0 0\n1 5 5 0 0\n0 -1 1\n", 207, 2, 3, "FUTTAT"},    // one point: 0/0 in the gravity pass
        {"2\n0 5 5 0 0\n1 9 9 0 0\n0 1 1\n", 207, 2, 3, "FUTTAT"},     // a massless body with a partner
        {"2\n1 5 5 0 0\n-1 5 5 0 0\n0 0 1\n", 200, 0, 4, "merge_pass"},  // merged masses that sum to 0
        {"2\n1e3000 5 5 0 0\n1e3000 6 5 0 0\n0 -1 1\n", 205, 2, 3, "FUTTAT"},
        {"2\n1 1e2466 0 0 0\n1 -1e2466 0 0 0\n0 1 1\n", 205, 0, 3, "FUTTAT"},  // the merge pass's distance
        {full + "0 0.5 1\n", 201, 0, 3, "FUTTAT"},
        {"1\n0 5 5 1 1\n0 -1 1\n", 0, 9, 0, ""},  // a massless body alone
    };
    for (const Case& c : cases) {
        auto r = trace({"--print=all", "9"}, c.params);
        SCOPED_TRACE(c.params.substr(0, 60));
        EXPECT_EQ(r.exit_code, c.code);
        EXPECT_EQ(records(r.out), c.records);
        auto report = report_lines(r.out.substr(std::min(r.out.find("Runtime error"), r.out.size())));
        EXPECT_EQ(report.size(), c.depth ? c.depth + 3u : 0u);
        if (c.depth && report.size() > 2) {
            EXPECT_NE(function_at(GRAVITY_TRACE, report[2].substr(4)).find(c.caller), std::string::npos);
        }
    }
}
