// The four screen coordinates of a body: its pixel and the tip of its velocity line.
#pragma once

#include "runtime/checks.h"
#include "runtime/fpu.h"
#include "sim/simulation.h"

namespace sim {

struct ScreenCoords {
    runtime::Coord x1, y1, x2, y2;
};

// C times the velocity first, then added to the position; rounded ties-to-even (207
// when that does not fit 32 bits) and range-checked (201) one by one in the order
// y2, x2, y1, x1. Inlined, so that an error is reported in the calling routine.
[[gnu::always_inline]] inline ScreenCoords screen_coords(const Simulation& simulation, int I) {
    const BodyTable& F = simulation.F;
    const runtime::Extended& C = simulation.C;
    using runtime::checked_coord;
    using runtime::ROUND;
    ScreenCoords s;
    s.y2 = checked_coord(ROUND(F(I, Y) + C * F(I, VY)));
    s.x2 = checked_coord(ROUND(F(I, X) + C * F(I, VX)));
    s.y1 = checked_coord(ROUND(F(I, Y)));
    s.x1 = checked_coord(ROUND(F(I, X)));
    return s;
}

}  // namespace sim
