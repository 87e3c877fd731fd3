// The loader: the parameter file into the body table and the run's parameters.
#pragma once

#include "sim/simulation.h"

namespace sim {

// Loads N, the bodies, SZUNET, UTKOZES and C from simulation.BE, checking after every
// read.
void ALLAPOT(Simulation& simulation);

}  // namespace sim
