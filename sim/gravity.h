// The gravity pass and the drift: one unit of time, velocities first.
#pragma once

#include "sim/simulation.h"

namespace sim {

// Every pair (I < J) in row order exchanges the impulse m_I m_J (r_J - r_I) / |r|^3,
// each body's velocity changing by the impulse over its own mass.
void gravity_pass(Simulation& simulation);

// Every body moves by its (new) velocity.
void drift(Simulation& simulation);

}  // namespace sim
