// The merge pass: bodies no farther apart than UTKOZES become one.
#pragma once

#include "sim/simulation.h"

namespace sim {

// Joins body J into body I for every pair within UTKOZES, in row order, keeping the
// pair's mass and momentum at its centre of mass. A merge shortens the rest of the
// pass; the row that moves down into J is tested against I only in the next pass.
void merge_pass(Simulation& simulation);

// Merges row J into row I and closes the gap; rows beyond the new N keep stale copies.
void merge_bodies(Simulation& simulation, int I, int J);

}  // namespace sim
