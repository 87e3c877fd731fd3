// A quick look for bodies close enough to merge: a sorted sweep over x.
#pragma once

#include "sim/simulation.h"

namespace sim {

// False only when the merge pass would certainly find no pair within UTKOZES and no
// pair whose distance computation could fault (overflow of huge coordinates, or
// differences so small that their squares underflow). True means: run the pass.
bool may_merge(const Simulation& simulation);

}  // namespace sim
