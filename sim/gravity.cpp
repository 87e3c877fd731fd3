// The gravity pass and the drift, in row order.
#include "sim/gravity.h"

#include "sim/pair.h"
#include "sim/tiles.h"

namespace sim {

[[gnu::noinline]] void gravity_pass(Simulation& simulation) {
#ifndef GRAVITY_STRAIGHTFORWARD
    // The tiles give the same bits; a pass they give back, this loop does in order,
    // so that a fault stops the program here, at the pair where it arises.
    if (simulation.N >= MIN_TILED_BODIES && gravity_in_tiles(simulation)) return;
#endif
    BodyTable& F = simulation.F;
    const int n = simulation.N;
    for (int I = 1; I <= n; ++I) {
        runtime::checked_word(I + 1);  // J starts as a word: 201 at I = 65535
        Row a(F.row(I));
        for (int J = I + 1; J <= n; ++J) {
            Row b(F.row(J));
            exchange_impulse(a, a, b, b);
        }
    }
}

[[gnu::noinline]] void drift(Simulation& simulation) {
    BodyTable& F = simulation.F;
    for (int I = 1; I <= simulation.N; ++I) {
        F(I, X) = F(I, X) + F(I, VX);
        F(I, Y) = F(I, Y) + F(I, VY);
    }
}

}  // namespace sim
