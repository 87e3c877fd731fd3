// Work that must be finished before the program's thread waits for time or a key:
// the canvas puts everything drawn so far on the screen.
#pragma once

namespace runtime {

void set_before_wait(void (*hook)());
void before_wait();

}  // namespace runtime
