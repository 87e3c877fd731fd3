// Runs a program in a child process and collects what it wrote and how it ended.
#pragma once
#include <string>
#include <vector>

namespace testsupport {

struct ChildResult {
    std::string out, err;
    int exit_code = -1;  // -1 when ended by a signal
    int signal = 0;
};

struct ChildOptions {
    std::string input;                // written to the child's standard input, then closed
    bool stdout_to_terminal = false;  // standard output is a pseudo-terminal
    bool stdout_closed = false;
    std::string stdout_file;  // standard output redirected to this file
};

ChildResult run_child(const std::vector<std::string>& argv, const ChildOptions& options = {});

// The report's lines, split at CR LF.
std::vector<std::string> report_lines(const std::string& out);

// The function that contains a code address of a program, by addr2line.
std::string function_at(const std::string& program, const std::string& hex_address);

// A fresh temporary directory, removed at exit of the test process; a file in it.
std::string temp_dir();
std::string write_file(const std::string& name, const std::string& content);

}  // namespace testsupport
