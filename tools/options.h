// The trace tool's command line.
#pragma once
#include <string>

namespace tools {

enum class Print { all, last, none };

struct Options {
    enum class Ask { run, help, version } ask = Ask::run;
    bool hex = false;
    Print print = Print::all;
    std::string file;  // - for standard input
    unsigned long long frames = 0;
    int width = 800, height = 600;
    std::string png;         // --png
    std::string frames_dir;  // --frames-png
};

// The whole usage, for --help.
std::string usage();

// Parses argv. Bad usage is said on standard error, with the synopsis, and ends the
// run with exit code 2.
Options parse_options(int argc, char** argv);

}  // namespace tools
