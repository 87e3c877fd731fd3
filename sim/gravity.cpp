// The gravity pass and the drift. The order of the rounded operations below fixes the
// last bits of every velocity, and so the long-run motion: it must not change.
#include "sim/gravity.h"

#include <cmath>

#include "sim/bodies.h"
#include "sim/tiles.h"

namespace sim {

[[gnu::noinline]] void gravity_pass() {
#ifndef GRAVITY_STRAIGHTFORWARD
    // The tiles give the same bits; a pass they give back, this loop does in order,
    // so that a fault stops the program here, at the pair where it arises.
    if (N >= MIN_TILED_BODIES && gravity_in_tiles()) return;
#endif
    const int n = N;
    for (int I = 1; I <= n; ++I) {
        runtime::checked_word(I + 1);  // J starts as a word: 201 at I = 65535
        runtime::Extended* a = F.row(I);
        for (int J = I + 1; J <= n; ++J) {
            runtime::Extended* b = F.row(J);
            // x_J - x_I is exactly -(x_I - x_J), so one difference serves both the
            // squared distance and the impulse.
            runtime::Extended dx = b[X - 1] - a[X - 1];
            runtime::Extended dy = b[Y - 1] - a[Y - 1];
            runtime::Extended D2 = dx * dx + dy * dy;
            runtime::Extended r = runtime::ext_sqrt(D2);
            runtime::Extended DIX = (((dx * a[MASS - 1]) * b[MASS - 1]) / D2) / r;
            runtime::Extended DIY = (((dy * a[MASS - 1]) * b[MASS - 1]) / D2) / r;
            a[VX - 1] = DIX / a[MASS - 1] + a[VX - 1];
            a[VY - 1] = DIY / a[MASS - 1] + a[VY - 1];
            b[VX - 1] = b[VX - 1] - DIX / b[MASS - 1];
            b[VY - 1] = b[VY - 1] - DIY / b[MASS - 1];
        }
    }
}

[[gnu::noinline]] void drift() {
    for (int I = 1; I <= N; ++I) {
        F(I, X) = F(I, X) + F(I, VX);
        F(I, Y) = F(I, Y) + F(I, VY);
    }
}

}  // namespace sim
