// The pair formula: the impulse two bodies exchange in one unit of time, and what it
// does to their velocities. The gravity pass and its tiles both use it, so they give
// the same bits; the order of its rounded operations fixes the last bits of every
// velocity, and so the long-run motion: it must not change.
#pragma once

#include "runtime/extended.h"

namespace sim {

// Body a (the pair's first, earlier row) and body b, each read through its own kind of
// record: m, x and y of the bodies, vx and vy of their velocities. The tiles keep those
// in two kinds of struct, so that the compiler knows a velocity written is never a
// mass or a position read (held in registers, they cost a third more on the x87).
// x_b - x_a is exactly -(x_a - x_b), so one difference serves both the squared
// distance and the impulse. Always inlined: a fault is reported in the pass that meets
// it, at the operation where it arises.
template <class Body, class Velocity>
[[gnu::always_inline]] inline void exchange_impulse(const Body& a, Velocity& va, const Body& b, Velocity& vb) {
    runtime::Extended dx = b.x - a.x;
    runtime::Extended dy = b.y - a.y;
    runtime::Extended D2 = dx * dx + dy * dy;
    runtime::Extended r = runtime::ext_sqrt(D2);
    runtime::Extended DIX = (((dx * a.m) * b.m) / D2) / r;
    runtime::Extended DIY = (((dy * a.m) * b.m) / D2) / r;
    va.vx = DIX / a.m + va.vx;
    va.vy = DIY / a.m + va.vy;
    vb.vx = vb.vx - DIX / b.m;
    vb.vy = vb.vy - DIY / b.m;
}

}  // namespace sim
