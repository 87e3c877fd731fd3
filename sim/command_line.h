// The program's command line: a parameter file's name to type at the prompt, --help
// and --version.
#pragma once
#include <string>

namespace sim {

// Kept from main for the main program.
void take_command_line(int argc, char** argv);

// Answers --help and --version, and bad usage (exit code 2), by ending the process;
// else the name given to be typed at the prompt, or null when there is none.
const char* file_to_type();

// The option getopt_long has just refused (opterr 0) as it was written, quoted:
// '-x' for a short one, '--name' for a long one.
std::string refused_option(char** argv);

}  // namespace sim
