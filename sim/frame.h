// The frame loop: merge, draw, wait, erase, advance, until a key is pressed.
#pragma once

namespace sim {

// Runs frames on the open canvas until a key is pressed on the console, then reads
// that key. At least one frame always runs.
void FUTTAT();

}  // namespace sim
