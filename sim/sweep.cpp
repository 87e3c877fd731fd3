// The sweep. Its tests are conservative: a pair passes them when its exact distance
// could come out within the merge distance after the pass's own rounding, so a
// pass it skips is a pass that would have done nothing.
#include "sim/sweep.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "sim/bodies.h"

namespace sim {

namespace {

// Below this, squares of differences are exact enough; above it they could overflow.
constexpr long double SAFE_COORDINATE = 1e2400L;
constexpr long double TINY_DIFFERENCE = 1e-2400L;

std::vector<int> order;

}  // namespace

bool may_merge(int n, long double distance) {
    if (n < 2) return false;
    for (int I = 1; I <= n; ++I)
        if (!(std::fabs(F(I, X)) < SAFE_COORDINATE && std::fabs(F(I, Y)) < SAFE_COORDINATE)) return true;
    if (distance < 0) return false;  // distances are never negative
    // Beyond this it reaches across almost any pair of such coordinates, and the margin
    // below would overflow near the largest extended value.
    if (!(distance < SAFE_COORDINATE)) return true;
    // Generous against the pass's rounding (a few units in the 64th bit), and against
    // squares that underflow to zero.
    const long double reach = distance * (1 + 0x1p-50L) + TINY_DIFFERENCE;
    order.resize(size_t(n));
    for (int I = 1; I <= n; ++I) order[size_t(I - 1)] = I;
    std::sort(order.begin(), order.end(), [](int a, int b) { return F(a, X) < F(b, X); });
    for (size_t i = 0; i < order.size(); ++i) {
        const long double x = F(order[i], X), y = F(order[i], Y);
        for (size_t j = i + 1; j < order.size() && F(order[j], X) - x <= reach; ++j)
            if (std::fabs(F(order[j], Y) - y) <= reach) return true;
    }
    return false;
}

}  // namespace sim
