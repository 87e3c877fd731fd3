// The sweep. Its tests are conservative: a pair passes them when its exact distance
// could come out within the merge distance after the pass's own rounding, so a
// pass it skips is a pass that would have done nothing.
#include "sim/sweep.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace sim {

namespace {

constexpr uint64_t ONE = uint64_t(1) << 63;  // the significand of every power of two
constexpr int BIAS = 16383;
// Below 2^7970 (about 1e2399), squares of differences are exact enough; above it they
// could overflow. A difference of 2^-7970 or less may square to nothing.
const runtime::Extended SAFE_COORDINATE = runtime::extended_from_bits(BIAS + 7970, ONE);
const runtime::Extended TINY_DIFFERENCE = runtime::extended_from_bits(BIAS - 7970, ONE);
// 1 + 2^-50: a few units in the 64th bit of rounding, many times over.
const runtime::Extended ROUNDING_MARGIN = runtime::extended_from_bits(BIAS, ONE | ONE >> 50);

std::vector<int> order;

}  // namespace

bool may_merge(const Simulation& simulation) {
    const BodyTable& F = simulation.F;
    const int n = simulation.N;
    const runtime::Extended distance = simulation.UTKOZES;
    if (n < 2) return false;
    for (int I = 1; I <= n; ++I)
        if (!(runtime::ext_abs(F(I, X)) < SAFE_COORDINATE && runtime::ext_abs(F(I, Y)) < SAFE_COORDINATE)) return true;
    if (distance < 0) return false;  // distances are never negative
    // Beyond this it reaches across almost any pair of such coordinates, and the margin
    // below would overflow near the largest extended value.
    if (!(distance < SAFE_COORDINATE)) return true;
    // Generous against the pass's rounding (a few units in the 64th bit), and against
    // squares that underflow to zero.
    const runtime::Extended reach = distance * ROUNDING_MARGIN + TINY_DIFFERENCE;
    order.resize(size_t(n));
    for (int I = 1; I <= n; ++I) order[size_t(I - 1)] = I;
    std::sort(order.begin(), order.end(), [&F](int a, int b) { return F(a, X) < F(b, X); });
    for (size_t i = 0; i < order.size(); ++i) {
        const runtime::Extended x = F(order[i], X), y = F(order[i], Y);
        for (size_t j = i + 1; j < order.size() && F(order[j], X) - x <= reach; ++j)
            if (runtime::ext_abs(F(order[j], Y) - y) <= reach) return true;
    }
    return false;
}

}  // namespace sim
