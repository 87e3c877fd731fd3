// The trace tool as a user runs it: records, usage, errors of loading and of the program's own frame loop,
// and the pictures that loop draws into memory.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <thread>

#include "tests/support/child.h"
#include "tests/support/pictures.h"
#include "tests/support/tmux.h"

using namespace testsupport;
namespace fs = std::filesystem;

static ChildResult trace(std::vector<std::string> args, const std::string& params = "", ChildOptions options = {}) {
    if (!params.empty()) args.insert(args.end() - 1, write_file("trace.txt", params));
    args.insert(args.begin(), GRAVITY_TRACE);
    return run_child(args, options);
}

static const std::string SWAP = "2\n1 0 0 0 0\n1 1 0 0 0\n0 -1 0.5\n", FRAME2 = "F 2 1 1 0 2 0 1 1 0 1 0\nF 2 2 0 0 0 0 1 0 0 -1 0\n";

// Unit masses 1 apart swap places; masses 3 and 1 merge at the centre of mass with the momentum.
TEST(Trace, Records) {
    EXPECT_EQ(trace({"2"}, SWAP).out, "P 2 0 -1 0.5\nL 1 1 0 0 0 0\nL 2 1 1 0 0 0\nF 1 1 0 0 0 0 1 0 0 0 0\nF 1 2 1 0 1 0 1 1 0 0 0\n" + FRAME2);
    EXPECT_EQ(trace({"--print=last", "-", "2"}, "", {.input = SWAP, .stdout_file = ""}).out + trace({"--print=none", "2"}, SWAP).out, "P 2 0 -1 0.5\n" + FRAME2 + "P 2 0 -1 0.5\n");
    EXPECT_EQ(trace({"--print=last", "1"}, "3\n3 0 0 2 0\n1 4 0 -2 4\n1 99 9 0 0\n0 5 0\n").out, "P 3 0 5 0\nF 1 1 1 0 1 0 4 1 0 1 1\nF 1 2 99 9 99 9 1 99 9 0 0\n");
    EXPECT_EQ(trace({"--hex", "0"}, "1\n-0 0.1 0 0 0\n0 0 1\n").out, "P 1 0 00000000000000000000 3FFF8000000000000000\nL 1 80000000000000000000 "
              "3FFBCCCCCCCCCCCCCCCD 00000000000000000000 00000000000000000000 00000000000000000000\n");
}

TEST(Trace, UsageVersionAndHelp) {
    for (std::vector<std::string> args : {std::vector<std::string>{}, {"f"}, {"--bogus", "f", "1"}, {"f", "x1"}, {"f", "-1"},
                                          {"f", "1", "2"}, {"--size", "10x0", "f", "1"}, {"--print=some", "f", "1"}, {"f", "1", "--png"}}) {
        auto r = trace(args);
        EXPECT_EQ(r.exit_code, 2) << testing::PrintToString(args);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("[--png FILE]\n                     [--frames-png DIR] FILE FRAMES\n"), std::string::npos) << r.err;
    }
    for (const char* option : {"\n  --size WxH", "\n  --png FILE", "\n  --frames-png DIR", "\n  --version", "\n  --print all"})
        EXPECT_NE(trace({"--help"}).out.find(option), std::string::npos) << option;
    // The first line of what each says, the program's too: on standard error when the code is 2.
    for (auto [args, code, first] : std::vector<std::tuple<std::vector<std::string>, int, std::string>>{
             {{GRAVITY, "--help"}, 0, "usage: gravity [FILE]"}, {{GRAVITY, "-h"}, 0, "usage: gravity [FILE]"},
             {{GRAVITY, "--version"}, 0, "gravity " GRAVITY_VERSION}, {{GRAVITY, "--bogus=1"}, 2, "gravity: unknown option '--bogus'"},
             {{GRAVITY, "-x", "f"}, 2, "gravity: unknown option '-x'"}, {{GRAVITY, "f", "g"}, 2, "gravity: one FILE at most"},
             {{GRAVITY_TRACE, "-h"}, 0, "usage: gravity-trace [--hex] [--print=all|last|none] [--size WxH] [--png FILE]"},
             {{GRAVITY_TRACE, "--version"}, 0, "gravity-trace " GRAVITY_VERSION}, {{GRAVITY_TRACE, "-x"}, 2, "gravity-trace: unknown option '-x'"},
             {{GRAVITY_TRACE, "f", "1", "--png"}, 2, "gravity-trace: option '--png' needs a value"}}) {
        auto r = run_child(args);
        EXPECT_EQ(r.exit_code, code) << args[1];
        EXPECT_EQ((code ? r.err : r.out).substr(0, (code ? r.err : r.out).find('\n')), first);
    }
}

// The error said in words after the report, naming the file (F) and the token; the last
// case: C missing after a line end reads as 0. Any path the system takes; records that
// cannot be written end with 101, not silence.
TEST(Trace, LoadErrorsLongPathsAndAFullDisk) {
    const std::string range = "range check: a value beyond its range", none = "F: no number left";
    for (const auto& [params, code, words] : std::vector<std::tuple<std::string, int, std::string>>{
             {"70000 x\n", 201, range}, {"1 1 2 3 4 5 70000 1 1\n", 201, range}, {"$10000 x\n", 201, range},
             {"1 1 2 x 4 5 70000 1 1\n", 106, "F: not a number: \"x\""}, {"\xEF\xBB\xBF" "1\n", 106, "F: not a number: \"\\xEF\\xBB\\xBF1\""},
             {"1 1 2 1e5000 4 5 0 1 1\n", 205, "F: number out of range: \"1e5000\" (a value above 1.18e4932, or an exponent of more than 4932 either way)"},
             {"1\n1 2 3 4 5\n10\n", 106, none}, {"1\n1 2 3 4 5\n10 2", 106, none}, {"1\n1 2 3 4 5\n10 2\n", 0, ""}}) {
        auto r = trace({"1"}, params);
        EXPECT_EQ(r.exit_code, code) << params;
        std::string named = words.rfind("F: ", 0) == 0 ? temp_dir() + "/trace.txt" + words.substr(1) : words;
        EXPECT_EQ(r.err, code ? "gravity-trace: " + named + " (run-time error " + std::to_string(code) + ")\n" : "");
    }
    std::string dir = temp_dir() + "/" + std::string(150, 'd') + "/" + std::string(120, 'e');
    fs::create_directories(dir), std::ofstream(dir + "/swap.txt") << SWAP;
    EXPECT_EQ(trace({"--print=none", dir + "/swap.txt", "1"}).out, "P 2 0 -1 0.5\n");
    EXPECT_EQ(trace({dir + "/missing.txt", "1"}).err, "gravity-trace: " + dir + "/missing.txt: no such file (run-time error 2)\n");
    EXPECT_EQ(trace({"/missing-dir/p.txt", "1"}).exit_code, 3);
    auto full = trace({dir + "/swap.txt", "2000"}, "", {.input = "", .stdout_file = "/dev/full"});
    EXPECT_EQ(full.exit_code, 101);
    EXPECT_EQ(full.err.find("gravity-trace: cannot write the records: "), 0u) << full.err;
}

// The first error, after the records before it, reported in the loop (sim::FUTTAT) or below it.
TEST(Trace, FrameErrorsInTheProgramsOwnLoop) {
    std::string full = "65535\n";  // J = I + 1 is a word: 65534 is the largest count that runs
    for (int i = 0; i < 65535; ++i) full += "1 " + std::to_string(i % 256 * 10) + " " + std::to_string(i / 256 * 10) + " 0 0\n";
    struct Case { std::string params; int code, records, depth; const char* caller; };  // depth: the back-trace's lines
    for (const Case& c : std::vector<Case>{
             {"1\n1 100 32765 0 1\n0 0 0\n", 201, 3, 2, "trace_main"},  // y = 32765, 32766, 32767, then 32768
             {"1\n1 3e9 0 0 0\n0 0 0\n", 207, 0, 3, "screen_coords"},   // the rounding fails in ROUND
             {"1\n1 0 0 3e9 40000\n0 0 1\n", 201, 0, 2, "trace_main"},  // y2 before x2,
             {"1\n1 10 3e9 40000 -3e9\n0 0 1\n", 201, 0, 2, "trace_main"},  // x2 before y1,
             {"1\n1 3e9 40000 -3e9 -40000\n0 0 1\n", 201, 0, 2, "trace_main"},  // y1 before x1
             {"2\n1 5 5 0 0\n1 5 5 0 0\n0 -1 1\n", 207, 2, 3, "FUTTAT"},    // one point: 0/0 in the gravity pass
             {"2\n1 5 5 0 0\n-1 5 5 0 0\n0 0 1\n", 200, 0, 4, "merge_pass"},  // merged masses that sum to 0
             {"2\n1 1e2466 0 0 0\n1 -1e2466 0 0 0\n0 1 1\n", 205, 0, 3, "FUTTAT"},  // the merge pass's distance
             {full + "0 0.5 1\n", 201, 0, 3, "FUTTAT"}, {"1\n0 5 5 1 1\n0 -1 1\n", 0, 9, 0, ""}}) {  // a massless body alone
        auto r = trace({"9"}, c.params);
        int records = 0;
        for (size_t at = 0; (at = r.out.find("\nF ", at)) != std::string::npos; ++at) ++records;
        auto report = report_lines(r.out.substr(std::min(r.out.find("Runtime error"), r.out.size())));
        SCOPED_TRACE(c.params.substr(0, 60));
        EXPECT_EQ(r.exit_code, c.code);
        EXPECT_EQ(records, c.records);
        EXPECT_EQ(report.size(), c.depth ? c.depth + 3u : 0u);
        if (c.depth && report.size() > 2) { EXPECT_NE(function_at(GRAVITY_TRACE, report[2].substr(4)).find(c.caller), std::string::npos) << report[2]; }
    }
}

// On a terminal, a line of progress, there while the run is held on a full pipe of
// records, and gone before the error's report (read here) and its line in words.
TEST(Trace, ProgressOnATerminal) {
    std::string fifo = temp_dir() + "/records";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);  // lets the shell open it, reads nothing
    Tmux t(command_of(GRAVITY_TRACE) + " " + write_file("runaway.txt", "1\n1 0 0 0 1\n0 0 0\n") + " 99999 > " + fifo + "; exec sleep 600", 100, 10);
    ASSERT_TRUE(t.wait_for(" of 99999, "));
    EXPECT_NE(read_text_file(fifo).find("\nRuntime error 201 at 0x"), std::string::npos);
    close(reader);
    ASSERT_TRUE(t.wait_for("(run-time error 201)"));
    EXPECT_EQ(t.row(0), "gravity-trace: range check: a value beyond its range (run-time error 201)");
}

// Frames as the window shows them, on a canvas the erase left black; paths under the last complete frame.
TEST(Pictures, FramesAndPaths) {
    std::string dir = temp_dir() + "/frames", png = temp_dir() + "/paths.png";
    auto r = trace({"--frames-png", dir, "--png", png, "9"}, "3\n1000 400 300 0 0\n1 400 200 3.1 0.4\n1 420 330 -0.5 3400\n10 2 8\n");
    EXPECT_EQ(r.exit_code, 201);  // frame 3: a velocity line too long
    EXPECT_FALSE(fs::exists(dir + "/frame-000003.png"));
    auto paths = expected_frame(frame_records(r.out, 2), 800, 600);
    for (int k = 1; k <= 2; ++k) {
        EXPECT_EQ(read_png(dir + "/frame-00000" + std::to_string(k) + ".png"), expected_frame(frame_records(r.out, k), 800, 600));
        for (auto f : frame_records(r.out, k))
            if (f.y1 < 600 && paths[size_t(f.y1 * 800 + f.x1)] == 0) paths[size_t(f.y1 * 800 + f.x1)] = 0x545454;
    }
    EXPECT_EQ(read_png(png), paths);
    r = trace({"--frames-png", dir, "1"}, SWAP);  // beside another run's frames: refused, and they stay
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_EQ(r.err.find("gravity-trace: " + dir + " already holds frames (frame-00000"), 0u) << r.err;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 2);
}

// Through a symbolic link to its target, into a FIFO directly; nothing partial left by a signal that ends the tool.
TEST(Pictures, WhereThePicturesGo) {
    std::string params = write_file("swap.txt", SWAP), dir = temp_dir() + "/targets", big = temp_dir() + "/big", bytes;
    fs::create_directory(dir), fs::create_symlink("target.png", dir + "/link.png");
    ASSERT_EQ(mkfifo((dir + "/fifo.png").c_str(), 0600), 0);
    std::thread reader([&] { bytes.assign(std::istreambuf_iterator<char>(std::ifstream(dir + "/fifo.png").rdbuf()), {}); });
    EXPECT_EQ(trace({"--png", dir + "/fifo.png", "--frames-png", dir, params, "1"}).exit_code, 0);
    reader.join();
    EXPECT_EQ(bytes.substr(1, 3), "PNG");
    EXPECT_EQ(trace({"--png", dir + "/link.png", params, "1"}).exit_code, 0);
    EXPECT_TRUE(fs::is_symlink(dir + "/link.png"));
    EXPECT_TRUE(fs::is_fifo(dir + "/fifo.png"));
    EXPECT_EQ(read_png(dir + "/target.png").size(), 800u * 600u);
    auto r = trace({"--png", dir + "/no/p.png", params, "1"});  // and with a directory in the way:
    EXPECT_EQ(r.exit_code, 1);
    EXPECT_EQ(r.err.find("gravity-trace: cannot write " + dir + "/no/p.png: "), 0u) << r.err;
    EXPECT_EQ(trace({"--png", dir, params, "1"}).exit_code, 1);
    for (int signo : {SIGTERM, SIGHUP, SIGQUIT}) {  // the frames' pictures take most of the run
        std::string frames = big + std::to_string(signo), kill = " & for i in $(seq 600); do [ -e " + frames +
                             "/frame-000002.png ] && break; sleep 0.1; done; kill -" + std::to_string(signo) + " $!; wait $!";
        r = run_child({"/bin/sh", "-c", "ulimit -c 0; env --default-signal " + command_of(GRAVITY_TRACE) +
                                            " --size 4000x4000 --frames-png " + frames + " " + params + " 999" + kill});
        EXPECT_EQ(r.exit_code, 128 + signo);
        for (const auto& entry : fs::directory_iterator(frames)) EXPECT_EQ(entry.path().extension(), ".png") << entry.path();
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 4);  // link, target, FIFO, frame 1
}
