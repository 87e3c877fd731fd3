// Runs a program in a child process and collects what it wrote and how it ended.
#pragma once
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

struct ChildResult {
    std::string out, err;
    int exit_code = -1, signal = 0;  // exit code -1: ended by that signal
};

struct ChildOptions {
    std::string input;  // written to the child's standard input, then closed
    bool stdout_to_terminal = false, stdout_closed = false;  // a pseudo-terminal, or no standard output
    std::string stdout_file;                                 // standard output redirected to this file
};

ChildResult run_child(const std::vector<std::string>& argv, const ChildOptions& options = {});
// A program of this build as a shell command starts it: behind the emulator in a
// cross build, and run_child puts the emulator there itself.
std::string command_of(const std::string& program);
bool emulated();
bool sanitized();
std::vector<std::string> report_lines(const std::string& out);  // the report's lines, split at CR LF
// The routines a code address of a program lies in, by addr2line: the innermost
// inlined one first, the routine whose code it is last.
std::string function_at(const std::string& program, const std::string& hex_address);
// A fresh temporary directory, removed at exit of the test process; a file in it.
std::string temp_dir();
std::string write_file(const std::string& name, const std::string& content);

// Polls done() every 10 ms for up to limit_ms; its last answer.
bool wait_for(const std::function<bool()>& done, int limit_ms = 30000);

}  // namespace testsupport
