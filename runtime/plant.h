// Faults planted on purpose in a test build, to see the way out from every thread.
#pragma once

#ifdef GRAVITY_PLANTED_FAULTS
#include <cstdlib>
#include <cstring>
#endif

namespace runtime {

// In a build configured with -DGRAVITY_PLANTED_FAULTS=ON, faults here when the
// environment's GRAVITY_PLANT names this place: "PLACE" writes through a null pointer,
// "PLACE/div" divides an integer by zero. Several places are separated by commas
// ("tile-helper,workers-stop/div": a fault, then another in the exit sequence).
// Nothing at all in the product's build.
inline void planted_fault([[maybe_unused]] const char* place) {
#ifdef GRAVITY_PLANTED_FAULTS
    const char* want = std::getenv("GRAVITY_PLANT");
    const size_t n = std::strlen(place);
    for (; want != nullptr; want = std::strchr(want, ',') ? std::strchr(want, ',') + 1 : nullptr) {
        if (std::strncmp(want, place, n) != 0) continue;
        if (want[n] == '\0' || want[n] == ',') *static_cast<volatile int*>(nullptr) = 0;
        if (std::strncmp(want + n, "/div", 4) == 0 && (want[n + 4] == '\0' || want[n + 4] == ',')) {
            // Both operands from memory: with a constant dividend the compiler folds
            // the division into a comparison, and nothing faults.
            volatile int one = 1, zero = 0;
            volatile int quotient = one / zero;
            (void)quotient;
        }
    }
#endif
}

}  // namespace runtime
