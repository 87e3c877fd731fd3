// Process start-up: the start routine and the run-time services' own initialisation.
#pragma once

// Loads FPUCW, installs the fault filter, records the stack top, calls main_program
// with a null caller frame, and ends the process through the exit sequence.
extern "C" [[noreturn]] void EXE_ENTRY(void (*main_program)());

namespace runtime {

// The run-time services' module initialisation: the standard text files on the
// process's descriptors, and no pending error.
void initialize();

}  // namespace runtime
