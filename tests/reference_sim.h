// Merge, gravity and drift written straight from the rules, on a table of their own: the product's yardstick.
#pragma once
#include <array>
#include <vector>

namespace reference {

struct System {
    std::vector<std::array<long double, 6>> F;  // F[I][K], I from 1, K from 1 to 5
    int N = 0;
    long double UTKOZES = 0;
};

void merge(System& s);
void gravity(System& s);
void drift(System& s);

}  // namespace reference
