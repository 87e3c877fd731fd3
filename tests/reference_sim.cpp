// The reference passes: every expression as the rules write it, recomputed where it appears, nothing shared.
#include "tests/reference_sim.h"

#include <cmath>

namespace reference {

void merge(System& s) {
    auto& F = s.F;
    for (int I = 1, count = s.N; I <= count; ++I)
        for (int J = I + 1; J <= s.N; J = J + 1) {
            runtime::Extended D = runtime::ext_sqrt((F[I][2] - F[J][2]) * (F[I][2] - F[J][2]) + (F[I][3] - F[J][3]) * (F[I][3] - F[J][3]));
            if (D > s.UTKOZES) continue;
            s.N = s.N - 1;
            runtime::Extended SUMM = F[I][1] + F[J][1];
            for (int K = 2; K <= 5; ++K) F[I][K] = (F[I][1] / SUMM) * F[I][K] + (F[J][1] / SUMM) * F[J][K];
            F[I][1] = SUMM;
            for (int K = J; K <= s.N; ++K) F[K] = F[K + 1];
        }
}

void gravity(System& s) {
    auto& F = s.F;
    for (int I = 1; I <= s.N; ++I)
        for (int J = I + 1; J <= s.N; ++J) {
            runtime::Extended D2 = (F[I][2] - F[J][2]) * (F[I][2] - F[J][2]) + (F[I][3] - F[J][3]) * (F[I][3] - F[J][3]);
            runtime::Extended DIX = ((((F[J][2] - F[I][2]) * F[I][1]) * F[J][1]) / D2) / runtime::ext_sqrt(D2);
            runtime::Extended DIY = ((((F[J][3] - F[I][3]) * F[I][1]) * F[J][1]) / D2) / runtime::ext_sqrt(D2);
            F[I][4] = DIX / F[I][1] + F[I][4];
            F[I][5] = DIY / F[I][1] + F[I][5];
            F[J][4] = F[J][4] - DIX / F[J][1];
            F[J][5] = F[J][5] - DIY / F[J][1];
        }
}

void drift(System& s) {
    for (int I = 1; I <= s.N; ++I) s.F[I][2] = s.F[I][2] + s.F[I][4], s.F[I][3] = s.F[I][3] + s.F[I][5];
}

}  // namespace reference
