// The run-time services: exit codes, reports and back-traces of a test program run in
// a child process.
#include <gtest/gtest.h>

#include <csignal>

#include "tests/support/child.h"

using namespace testsupport;

namespace {

ChildResult run_case(const std::string& name, const ChildOptions& options = {}, const std::string& arg = "") {
    return run_child({RT_CASES, name, arg}, options);
}

// The report's form checked; the functions of its address and of each back-trace line.
std::vector<std::string> check_report(const std::string& out, int error) {
    auto lines = report_lines(out);
    std::string head = "Runtime error " + std::to_string(error) + " at 0x";
    if (lines.size() < 3 || lines[0].substr(0, head.size()) != head) return {"no report of " + head + " in " + out};
    EXPECT_EQ(lines[0].size(), head.size() + 8);
    EXPECT_EQ(lines[1], "  " + lines[0].substr(head.size() - 2));
    EXPECT_EQ(out.substr(out.size() - 4), "\r\n\r\n");
    std::vector<std::string> where;
    for (size_t i = 1; i + 1 < lines.size(); ++i) {
        EXPECT_EQ(lines[i].size(), 12u) << lines[i];
        EXPECT_EQ(lines[i].substr(0, 4), "  0x");
        where.push_back(function_at(RT_CASES, lines[i].substr(2)));
    }
    return where;
}

struct Outcome {
    const char* name;
    int exit_code;
    const char* text;  // before the report, if any
    std::vector<const char*> where = {};  // where the error arose, then each back-trace line
};
const Outcome OUTCOMES[] = {
    {"normal", 0, ""}, {"cw", 0, "1372\r\n"}, {"halt", 7, ""}, {"underflow", 0, "went on\r\n"},
    {"exitprocs", 0, "exit B\r\nexit A\r\n"},
    {"exitproc_error", 204, "exit B raises\r\nexit A\r\n"},  // B once; only the later error
    {"round_values", 0, "2 4 4294967294 2147483648 2147483647 0 1 \r\n"},  // two's complement
    {"fdiv00", 207, "", {"main_fdiv00", "EXE_ENTRY"}}, {"fdiv10", 200, ""}, {"overflow", 205, ""},
    {"round_high", 207, "", {"ROUND", "main_round_high", "EXE_ENTRY"}},
    {"round_in_proc", 207, "", {"ROUND", "round_proc", "main_round_in_proc", "EXE_ENTRY"}},
    {"bound", 201, "", {"main_bound", "EXE_ENTRY"}},
    {"bound_in_proc", 201, "", {"bound_proc", "main_bound_in_proc", "EXE_ENTRY"}},
    {"ioerror", 2, "", {"main_ioerror", "EXE_ENTRY"}}, {"segv", 216, ""}, {"ill", 217, ""},
    {"throw", 217, "", {"main_throw", "EXE_ENTRY"}},  // an exception nobody catches
#if defined(__x86_64__)  // arm64 does not trap an integer division by zero
    {"intdiv", 200, ""},
#endif
#ifndef GRAVITY_SANITIZE  // the sanitizers' allocator and stack bookkeeping speak for themselves
    {"stack", 202, ""}, {"heap", 203, "", {"main_heap", "EXE_ENTRY"}},
#endif
};

}  // namespace

TEST(Exit, CodesReportsAndBackTraces) {
    for (const Outcome& o : OUTCOMES) {
        SCOPED_TRACE(o.name);
        auto r = run_case(o.name);
        size_t report = r.out.find("Runtime error");
        bool error = o.exit_code > 100 || o.exit_code == 2;
        EXPECT_EQ(r.exit_code, o.exit_code);
        EXPECT_EQ(r.err.empty(), !error) << r.err;
        EXPECT_EQ(r.out.substr(0, report), o.text);
        ASSERT_EQ(report != std::string::npos, error) << r.out;
        if (!error) continue;
        auto where = check_report(r.out.substr(report), o.exit_code);
        ASSERT_EQ(where.size(), o.where.empty() ? where.size() : o.where.size()) << where[0];
        EXPECT_EQ(where[0].find("no report"), std::string::npos) << where[0];
        for (size_t i = 0; i < o.where.size(); ++i) EXPECT_NE(where[i].find(o.where[i]), std::string::npos) << where[i];
    }
}

// After the report, on standard error: the meaning, the file (of an input/output error), the number; once, of the later error.
TEST(Report, SaidInWords) {
    for (auto [name, words] : {std::pair{"ioerror", "/nonexistent-gravity-file: no such file (run-time error 2)"}, {"segv", "access violation (run-time error 216)"},
                               {"exitproc_error", "invalid pointer operation (run-time error 204)"}, {"deep", "failed (run-time error 150)"}})
        EXPECT_EQ(run_case(name).err, std::string("rt_cases: ") + words + "\n");
}

TEST(Report, CutAt257LinesToAPipeAnd9ToATerminalStillEndsWhenUnwritable) {
    ChildOptions terminal, closed;
    terminal.stdout_to_terminal = closed.stdout_closed = true;
    EXPECT_EQ(check_report(run_case("deep").out, 150).size(), 1u + 257u);
    EXPECT_EQ(report_lines(run_case("deep", terminal).out).size(), 2u + 9u + 1u);
    EXPECT_EQ(run_case("bound", closed).exit_code, 201);
}

// Through the one handler and its cleanups (the console's restores the terminal), ended
// by its own number; one ignored at start stays ignored (nohup).
TEST(Signals, EveryEndingSignalRunsTheCleanupsThenEndsTheProcessByItself) {
    for (int signo : {SIGHUP, SIGINT, SIGQUIT, SIGABRT, SIGBUS, SIGUSR1, SIGUSR2, SIGALRM, SIGTERM, SIGSTKFLT, SIGXCPU,
                      SIGXFSZ, SIGVTALRM, SIGPROF, SIGIO, SIGPWR, SIGSYS, SIGRTMIN + 3}) {
        auto r = run_child({"/usr/bin/env", "--default-signal", RT_CASES, "signal", std::to_string(signo)});
        EXPECT_EQ(r.out, "restored\r\n") << signo;
        EXPECT_EQ(r.signal, signo);
    }
    EXPECT_EQ(run_child({"/usr/bin/env", "--ignore-signal=HUP", RT_CASES, "signal", std::to_string(SIGHUP)}).exit_code, 0);
}
