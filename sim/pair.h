// The pair formula: the impulse two bodies exchange in one unit of time, and what it
// does to their velocities. The gravity pass and its tiles both use it, so they give
// the same bits; the order of its rounded operations fixes the last bits of every
// velocity, and so the long-run motion: it must not change.
#pragma once

#include "runtime/extended.h"

namespace sim {

// Body a (the pair's first, earlier row) and body b. x_b - x_a is exactly -(x_a - x_b),
// so one difference serves both the squared distance and the impulse. Always inlined:
// a fault is reported in the pass that meets it, at the operation where it arises.
[[gnu::always_inline]] inline void exchange_impulse(const runtime::Extended& ma, const runtime::Extended& xa,
                                                    const runtime::Extended& ya, runtime::Extended& vxa,
                                                    runtime::Extended& vya, const runtime::Extended& mb,
                                                    const runtime::Extended& xb, const runtime::Extended& yb,
                                                    runtime::Extended& vxb, runtime::Extended& vyb) {
    runtime::Extended dx = xb - xa;
    runtime::Extended dy = yb - ya;
    runtime::Extended D2 = dx * dx + dy * dy;
    runtime::Extended r = runtime::ext_sqrt(D2);
    runtime::Extended DIX = (((dx * ma) * mb) / D2) / r;
    runtime::Extended DIY = (((dy * ma) * mb) / D2) / r;
    vxa = DIX / ma + vxa;
    vya = DIY / ma + vya;
    vxb = vxb - DIX / mb;
    vyb = vyb - DIY / mb;
}

}  // namespace sim
