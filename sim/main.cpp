// The program's entry: the command line is ignored.
#include "runtime/startup.h"
#include "sim/driver.h"

int main() { EXE_ENTRY(sim::main_program); }
