// Faults planted on purpose in a test build, to see the way out from every thread.
#pragma once

#ifdef GRAVITY_PLANTED_FAULTS
#include <cstdlib>
#include <cstring>
#endif

namespace runtime {

// In a build configured with -DGRAVITY_PLANTED_FAULTS=ON, faults here when the
// environment's GRAVITY_PLANT names this place: "PLACE" writes through a null pointer,
// "PLACE/div" divides an integer by zero. Nothing at all in the product's build.
inline void planted_fault([[maybe_unused]] const char* place) {
#ifdef GRAVITY_PLANTED_FAULTS
    const char* want = std::getenv("GRAVITY_PLANT");
    if (want == nullptr) return;
    size_t n = std::strlen(place);
    if (std::strncmp(want, place, n) != 0) return;
    if (want[n] == '\0') *static_cast<volatile int*>(nullptr) = 0;
    if (std::strcmp(want + n, "/div") == 0) {
        volatile int zero = 0;
        volatile int quotient = 1 / zero;
        (void)quotient;
    }
#endif
}

}  // namespace runtime
