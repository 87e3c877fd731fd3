// The trace tool as a user runs it: records, options, usage errors, and the run-time
// errors of loading and of frames, with the records printed before them.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/support/child.h"

using namespace testsupport;

namespace {

ChildResult trace(const std::vector<std::string>& args, const std::string& input = "") {
    std::vector<std::string> argv{GRAVITY_TRACE};
    argv.insert(argv.end(), args.begin(), args.end());
    ChildOptions options;
    options.input = input;
    return run_child(argv, options);
}

ChildResult trace_text(const std::string& params, int frames, const std::string& option = "--print=all") {
    return trace({option, write_file("trace-params.txt", params), std::to_string(frames)});
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

int count_prefix(const std::string& text, const std::string& prefix) {
    int n = 0;
    for (const auto& line : lines_of(text)) n += line.rfind(prefix, 0) == 0;
    return n;
}

std::string report_head(const ChildResult& r) {
    size_t at = r.out.find("Runtime error ");
    return at == std::string::npos ? "" : r.out.substr(at, r.out.find(" at ", at) - at);
}

const std::string TWO_BODY = "2\n1000 320 240 0 0\n1 320 140 3.1 0\n20 2 1.5\n";

}  // namespace

TEST(TraceRecords, LoadAndFrames) {
    auto r = trace_text(TWO_BODY, 2);
    EXPECT_EQ(r.exit_code, 0);
    auto lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], "P 2 20 2 1.5");
    EXPECT_EQ(lines[1], "L 1 1000 320 240 0 0");
    EXPECT_EQ(lines[2], "L 2 1 320 140 3.09999999999999999991 0");
    EXPECT_EQ(lines[3], "F 1 1 320 240 320 240 1000 320 240 0 0");
    EXPECT_EQ(lines[4], "F 1 2 320 140 325 140 1 320 140 3.09999999999999999991 0");
    EXPECT_EQ(lines[6].substr(0, 21), "F 2 2 323 140 328 140");
}

TEST(TraceRecords, HexRealsAndPrintModes) {
    auto hex = trace_text("1\n-0 0.1 0 0 0\n0 0 1\n", 1, "--hex");
    EXPECT_EQ(lines_of(hex.out)[1],
              "L 1 80000000000000000000 3FFBCCCCCCCCCCCCCCCD 00000000000000000000 00000000000000000000 "
              "00000000000000000000");
    auto last = trace_text(TWO_BODY, 5, "--print=last");
    EXPECT_EQ(count_prefix(last.out, "F 5 "), 2);
    EXPECT_EQ(count_prefix(last.out, "F "), 2);
    EXPECT_EQ(count_prefix(last.out, "L "), 0);
    auto none = trace_text(TWO_BODY, 5, "--print=none");
    EXPECT_EQ(none.out, "P 2 20 2 1.5\n");
    auto load_only = trace_text(TWO_BODY, 0);
    EXPECT_EQ(lines_of(load_only.out).size(), 3u);
}

TEST(TraceRecords, StandardInputAsTheFile) {
    auto r = trace({"-", "1"}, TWO_BODY);
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(lines_of(r.out)[0], "P 2 20 2 1.5");
    EXPECT_EQ(count_prefix(r.out, "F 1 "), 2);
}

TEST(TraceRecords, MergedBodiesDisappearFromTheFrame) {
    auto r = trace_text("3\n3 0 0 0 0\n1 4 0 0 0\n1 100 100 0 0\n0 5 0\n", 1);
    EXPECT_EQ(count_prefix(r.out, "F 1 "), 2);
    EXPECT_EQ(lines_of(r.out)[4], "F 1 1 1 0 1 0 4 1 0 0 0");
}

TEST(TraceUsage, BadUsageExitsWith2) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {}, {"file"}, {"--bogus", "f", "1"}, {"f", "x1"}, {"f", "-1"}, {"f", "1", "2"}}) {
        auto r = trace(args);
        EXPECT_EQ(r.exit_code, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("usage: gravity-trace"), std::string::npos);
    }
    auto help = trace({"--help"});
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_NE(help.out.find("--print=all|last|none"), std::string::npos);
}

TEST(TraceLoadErrors, MissingFileAndCounts) {
    auto missing = trace({"/nonexistent-dir/params.txt", "1"});
    EXPECT_EQ(report_head(missing), "Runtime error 3");
    EXPECT_EQ(missing.exit_code, 3);
    EXPECT_EQ(report_head(trace_text("70000 x\n", 1)), "Runtime error 201");  // before any body
    EXPECT_EQ(report_head(trace_text("1 1 2 3 4 5 70000 1 1\n", 1)), "Runtime error 201");
    EXPECT_EQ(report_head(trace_text("1 1 2 x 4 5 70000 1 1\n", 1)), "Runtime error 106");
    EXPECT_EQ(report_head(trace_text("$10000 x\n", 1)), "Runtime error 201");
    EXPECT_EQ(report_head(trace_text("1 1 2 1e5000 4 5 0 1 1\n", 1)), "Runtime error 205");
}

TEST(TraceLoadErrors, EndOfFileRules) {
    auto ok = trace_text("1\n1 2 3 4 5\n10 2\n", 1);  // C missing after a line end: 0
    EXPECT_EQ(ok.exit_code, 0);
    EXPECT_EQ(lines_of(ok.out)[0], "P 1 10 2 0");
    EXPECT_EQ(trace_text("1\n1 2 3 4 5\n10\n", 1).exit_code, 106);  // two missing
    EXPECT_EQ(trace_text("1\n1 2 3 4 5\n10 2", 1).exit_code, 106);  // ends in a digit
}

TEST(TraceFrameErrors, FaultsAfterTheRecordsPrintedSoFar) {
    auto same_point = trace_text("2\n1 5 5 0 0\n1 5 5 0 0\n0 -1 1\n", 3);
    EXPECT_EQ(report_head(same_point), "Runtime error 207");
    EXPECT_EQ(count_prefix(same_point.out, "F 1 "), 2);  // drawn, then the gravity pass fails
    EXPECT_EQ(same_point.out.find("F 2 "), std::string::npos);
    EXPECT_EQ(report_head(trace_text("2\n0 5 5 0 0\n1 9 9 0 0\n0 1 1\n", 1)), "Runtime error 207");
    EXPECT_EQ(report_head(trace_text("2\n1 5 5 0 0\n-1 5 5 0 0\n0 0 1\n", 1)), "Runtime error 200");
    EXPECT_EQ(report_head(trace_text("2\n1e3000 5 5 0 0\n1e3000 6 5 0 0\n0 -1 1\n", 1)), "Runtime error 205");
    EXPECT_EQ(trace_text("1\n0 5 5 1 1\n0 -1 1\n", 3).exit_code, 0);  // a massless body alone
    // The distance of a pair this far apart overflows in the merge pass itself.
    auto far = trace_text("2\n1 1e2466 0 0 0\n1 -1e2466 0 0 0\n0 1 1\n", 1);
    EXPECT_EQ(report_head(far), "Runtime error 205");
    EXPECT_EQ(count_prefix(far.out, "F "), 0);
}

TEST(TraceFrameErrors, CoordinatesBeyondSixteenBits) {
    auto flying = trace_text("1\n1 100 32765 0 1\n0 0 0\n", 10, "--print=all");
    EXPECT_EQ(report_head(flying), "Runtime error 201");
    EXPECT_EQ(flying.exit_code, 201);
    EXPECT_EQ(count_prefix(flying.out, "F "), 3);  // y = 32765, 32766, 32767; 32768 fails
    auto tip = report_lines(flying.out.substr(flying.out.find("Runtime")));
    EXPECT_EQ(tip.size(), 2u + 2u + 1u);  // into the main program, into EXE_ENTRY
    auto rounding = trace_text("1\n1 3e9 0 0 0\n0 0 0\n", 1);
    EXPECT_EQ(report_head(rounding), "Runtime error 207");
    EXPECT_EQ(report_lines(rounding.out.substr(rounding.out.find("Runtime"))).size(), 2u + 3u + 1u);
    // The order y2, x2, y1, x1: a tip beyond the range fails before the body's pixel.
    EXPECT_EQ(report_head(trace_text("1\n1 10 10 0 1\n0 0 40000\n", 1)), "Runtime error 201");
}

// 65534 is the largest count with which a frame completes: J = I + 1 is a word.
TEST(TraceFrameErrors, FullTableStopsInTheFirstMergePass) {
    std::string params = "65535\n";
    for (int i = 0; i < 65535; ++i) params += "1 " + std::to_string(i % 256 * 10) + " " + std::to_string(i / 256 * 10) + " 0 0\n";
    params += "0 0.5 1\n";
    auto r = trace_text(params, 1, "--print=none");
    EXPECT_EQ(report_head(r), "Runtime error 201");
    EXPECT_EQ(r.out.substr(0, r.out.find("Runtime")), "P 65535 0 0.5 1\n");
}
