// The program's entry.
#include "runtime/startup.h"
#include "sim/command_line.h"
#include "sim/driver.h"

int main(int argc, char** argv) {
    sim::take_command_line(argc, argv);
    EXE_ENTRY(sim::main_program);
}
