// The merge pass.
#include "sim/merge.h"

#include <cstring>

#include "sim/sweep.h"

namespace sim {

void merge_bodies(Simulation& simulation, int I, int J) {
    BodyTable& F = simulation.F;
    const Word N = simulation.N = Word(simulation.N - 1);
    runtime::Extended SUMM = F(I, MASS) + F(J, MASS);
    for (int K = X; K <= VY; ++K) {
        // The weights are divided first; F[I,1] is still I's old mass here.
        runtime::Extended own = (F(I, MASS) / SUMM) * F(I, K);
        runtime::Extended other = (F(J, MASS) / SUMM) * F(J, K);
        F(I, K) = own + other;
    }
    F(I, MASS) = SUMM;
    for (int K = J; K <= N; ++K) std::memcpy(F.row(K), F.row(K + 1), sizeof F.cells[0]);
}

[[gnu::noinline]] void merge_pass(Simulation& simulation) {
    const BodyTable& F = simulation.F;
    const Word count = simulation.N;  // taken once: merges do not shorten the run of I
    // When no pair can merge or fault, only the last row's start check remains of the
    // pass: with 65535 bodies it still stops there, at the same place.
#ifdef GRAVITY_STRAIGHTFORWARD
    const int first = 1;
#else
    const int first = may_merge(simulation) ? 1 : count;
#endif
    for (int I = first; I <= count; ++I) {
        // J = I + 1 is a word: with 65535 bodies the pass stops here at I = 65535.
        int J = runtime::checked_word(I + 1);
        for (; J <= simulation.N; ++J) {  // N re-read: a merge shortens the run of J
            runtime::Extended dx = F(I, X) - F(J, X);
            runtime::Extended dy = F(I, Y) - F(J, Y);
            runtime::Extended D = runtime::ext_sqrt(dx * dx + dy * dy);
            if (D <= simulation.UTKOZES) merge_bodies(simulation, I, J);
        }
    }
}

}  // namespace sim
