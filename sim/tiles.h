// The gravity pass in square tiles of the pair triangle, on every worker thread at once.
#pragma once

#include "sim/simulation.h"

namespace sim {

// Does the gravity pass on the worker threads and returns true, when that pays; else
// returns false with the body table untouched, and the caller's loop does the pass:
// a small system, a single processor, no helper thread or no memory to be had for
// the pass's copy of the table, helpers stopped in mid-pass by the exit sequence, or
// a pass in which some pair met an invalid operation, a division by zero or an
// overflow (the loop meets it again, in order, and stops there with its error).
bool gravity_in_tiles(Simulation& simulation);

// From this many bodies on, the tiles pay for waking the helper threads.
inline constexpr int MIN_TILED_BODIES = 64;

}  // namespace sim
