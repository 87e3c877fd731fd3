// The run-time services seen from outside: exit codes, reports and back-traces of a
// test program run in a child process.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/support/child.h"

using namespace testsupport;

namespace {

const std::string PROGRAM = RT_CASES;

ChildResult run_case(const std::string& name, const ChildOptions& options = {}) {
    return run_child({PROGRAM, name}, options);
}

// The report's address fields without "0x".
std::string address_of(const std::string& line) { return line.substr(line.rfind("0x")); }

// Checks the report's form and returns its back-trace lines (after the first two).
std::vector<std::string> check_report(const ChildResult& r, int error) {
    EXPECT_EQ(r.exit_code, error % 256);
    auto lines = report_lines(r.out);
    EXPECT_GE(lines.size(), 3u);
    if (lines.size() < 3) return {};
    std::string head = "Runtime error " + std::to_string(error) + " at 0x";
    EXPECT_EQ(lines[0].substr(0, head.size()), head);
    EXPECT_EQ(lines[0].size(), head.size() + 8);
    EXPECT_EQ(lines[1], "  " + address_of(lines[0]));  // the same address twice
    EXPECT_EQ(lines.back(), "");
    EXPECT_EQ(r.out.substr(r.out.size() - 4), "\r\n\r\n");
    std::vector<std::string> trace(lines.begin() + 2, lines.end() - 1);
    for (const auto& t : trace) EXPECT_TRUE(t.size() == 12 && t.substr(0, 4) == "  0x") << t;
    return trace;
}

std::string function_of(const std::string& line) { return function_at(PROGRAM, address_of(line)); }

}  // namespace

TEST(Exit, NormalEndWritesNothingAndExitsZero) {
    auto r = run_case("normal");
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
    r = run_case("say");
    EXPECT_EQ(r.out, "hello\r\n");
    EXPECT_EQ(r.exit_code, 0);
}

TEST(Exit, ControlWordIsLoadedBeforeTheMainProgram) {
    // Bit 6 has no function and reads back as 1 on every processor since the 387.
    EXPECT_EQ(run_case("cw").out, "1372\r\n");
}

TEST(Exit, HaltEndsWithItsCodeAndNoReport) {
    auto r = run_case("halt");
    EXPECT_EQ(r.exit_code, 7);
    EXPECT_EQ(r.out, "");
}

TEST(Exit, ExitProceduresRunLastInstalledFirst) {
    auto r = run_case("exitprocs");
    EXPECT_EQ(r.out, "exit B\r\nexit A\r\n");
    EXPECT_EQ(r.exit_code, 0);
}

TEST(Exit, ErrorInsideAnExitProcedureReplacesTheFirst) {
    auto r = run_case("exitproc_error");
    // B runs once, raises 204; the sequence starts again and runs A; only 204 is reported.
    EXPECT_EQ(r.out.substr(0, r.out.find("Runtime")), "exit B raises\r\nexit A\r\n");
    EXPECT_EQ(r.out.find("Runtime error 215"), std::string::npos);
    EXPECT_NE(r.out.find("Runtime error 204 at 0x"), std::string::npos);
    EXPECT_EQ(r.exit_code, 204);
}

TEST(FloatingPointFaults, InvalidDivisionByZeroAndOverflow) {
    check_report(run_case("fdiv00"), 207);
    check_report(run_case("fdiv10"), 200);
    check_report(run_case("overflow"), 205);
}

TEST(FloatingPointFaults, UnderflowGoesOn) {
    auto r = run_case("underflow");
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "went on with zero\r\ndenormal kept\r\n");
}

TEST(FloatingPointFaults, ReportedInTheFaultingRoutine) {
    auto trace = check_report(run_case("fdiv00"), 207);
    ASSERT_EQ(trace.size(), 1u);
    EXPECT_EQ(function_of(trace[0]), "EXE_ENTRY");
    EXPECT_NE(function_of(report_lines(run_case("fdiv00").out)[0]).find("main_fdiv00"), std::string::npos);
}

TEST(Round, TiesGoToTheEvenNeighbour) {
    auto r = run_case("round_values");
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "2 4 -2 -2147483648 2147483647 0 1 \r\n");
}

TEST(Round, OutOfRangeIsAnInvalidOperationInsideRound) {
    auto r = run_case("round_high");
    auto trace = check_report(r, 207);
    EXPECT_EQ(function_of(report_lines(r.out)[0]), "_ZN7runtime5ROUNDEe");
    ASSERT_EQ(trace.size(), 2u);  // into the main program, into EXE_ENTRY
    auto deeper = check_report(run_case("round_in_proc"), 207);
    ASSERT_EQ(deeper.size(), 3u);  // into the procedure, the main program, EXE_ENTRY
    EXPECT_NE(function_of(deeper[0]).find("round_proc"), std::string::npos);
    EXPECT_NE(function_of(deeper[1]).find("main_round_in_proc"), std::string::npos);
    EXPECT_EQ(function_of(deeper[2]), "EXE_ENTRY");
}

TEST(Checks, BoundCheckInTheMainProgramGivesOneTraceLine) {
    auto r = run_case("bound");
    auto trace = check_report(r, 201);
    ASSERT_EQ(trace.size(), 1u);
    EXPECT_EQ(function_of(trace[0]), "EXE_ENTRY");
    EXPECT_NE(function_of(report_lines(r.out)[0]).find("main_bound"), std::string::npos);
}

TEST(Checks, BoundCheckInAProcedureGivesTwo) {
    auto r = run_case("bound_in_proc");
    auto trace = check_report(r, 201);
    ASSERT_EQ(trace.size(), 2u);
    EXPECT_NE(function_of(report_lines(r.out)[0]).find("bound_proc"), std::string::npos);
    EXPECT_NE(function_of(trace[0]).find("main_bound_in_proc"), std::string::npos);
    EXPECT_EQ(function_of(trace[1]), "EXE_ENTRY");
}

TEST(Checks, PendingInputOutputErrorIsRaised) {
    auto trace = check_report(run_case("ioerror"), 2);
    EXPECT_EQ(trace.size(), 1u);
}

TEST(ProcessorFaults, AccessViolationStackOverflowIntegerDivision) {
    check_report(run_case("segv"), 216);
    check_report(run_case("stack"), 202);
    check_report(run_case("intdiv"), 200);
}

TEST(Report, BackTraceIsCutAt257LinesToAFileAnd9ToATerminal) {
    EXPECT_EQ(check_report(run_case("deep"), 150).size(), 257u);
    ChildOptions terminal;
    terminal.stdout_to_terminal = true;
    auto r = run_case("deep", terminal);
    EXPECT_EQ(r.exit_code, 150);
    EXPECT_EQ(report_lines(r.out).size(), 2u + 9u + 1u);
}

TEST(Report, StandardOutputToAFileHoldsTheWholeReport) {
    ChildOptions to_file;
    to_file.stdout_file = temp_dir() + "/report.txt";
    auto r = run_case("bound_in_proc", to_file);
    EXPECT_EQ(r.exit_code, 201);
    EXPECT_EQ(r.out, "");
    std::stringstream content;
    content << std::ifstream(to_file.stdout_file).rdbuf();
    ChildResult from_file = r;
    from_file.out = content.str();
    EXPECT_EQ(check_report(from_file, 201).size(), 2u);
}

TEST(Report, UnwritableReportStillEndsWithTheErrorNumber) {
    ChildOptions closed;
    closed.stdout_closed = true;
    EXPECT_EQ(run_case("bound", closed).exit_code, 201);
}
