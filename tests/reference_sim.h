// Merge, gravity and drift written straight from the rules, on a table of their own: the product's yardstick.
#pragma once
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "runtime/extended.h"

namespace reference {

struct System {
    std::vector<std::array<runtime::Extended, 6>> F;  // F[I][K], I from 1, K from 1 to 5
    int N = 0;
    runtime::Extended UTKOZES = 0;
};

// A double's value, exactly: its 53-bit integer significand, scaled by a power of two.
inline runtime::Extended exactly(double d) {
    int e = 0;
    const int64_t m = int64_t(std::ldexp(std::frexp(d, &e), 53));
    const runtime::Extended significand = runtime::Extended(int(m >> 26)) * (1 << 26) + int(m & ((1 << 26) - 1));
    return significand * runtime::extended_from_bits(uint16_t(16383 + e - 53), uint64_t(1) << 63);
}

void merge(System& s);
void gravity(System& s);
void drift(System& s);

}  // namespace reference
