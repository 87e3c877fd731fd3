// The program's main program: the console dialogue around the run.
#pragma once

namespace sim {

void main_program();

}  // namespace sim
