// Faults planted on purpose in a test build, to see the way out from every thread.
#pragma once

#ifdef GRAVITY_PLANTED_FAULTS
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <sys/syscall.h>
#include <system_error>
#include <unistd.h>
#endif

namespace runtime {

#ifdef GRAVITY_PLANTED_FAULTS
// Whether one of the comma-separated places in want is place followed by kind.
inline bool planted_here(const char* want, const char* place, const char* kind) {
    const size_t n = std::strlen(place), k = std::strlen(kind);
    for (; want != nullptr; want = std::strchr(want, ',') ? std::strchr(want, ',') + 1 : nullptr)
        if (std::strncmp(want, place, n) == 0 && std::strncmp(want + n, kind, k) == 0 &&
            (want[n + k] == '\0' || want[n + k] == ','))
            return true;
    return false;
}
#endif

// In a build configured with -DGRAVITY_PLANTED_FAULTS=ON, faults here when the
// environment's GRAVITY_PLANT names this place: "PLACE" writes through a null pointer,
// "PLACE/div" divides an integer by zero, "PLACE/throw" throws what a library call
// refused for want of resources throws, "PLACE/cont" sends the process a SIGCONT (a
// "kill -CONT" arriving just then). Several places are separated by commas
// ("tile-helper,workers-stop/div": a fault, then another in the exit sequence).
// Nothing at all in the product's build.
inline void planted_fault([[maybe_unused]] const char* place) {
#ifdef GRAVITY_PLANTED_FAULTS
    const char* want = std::getenv("GRAVITY_PLANT");
    if (planted_here(want, place, "")) *static_cast<volatile int*>(nullptr) = 0;
    if (planted_here(want, place, "/div")) {
#if defined(__aarch64__)
        // arm64 divides by zero without a trap: the fault that x86-64's division
        // raises, sent to this thread, arrives here as the processor would deliver it.
        siginfo_t info{};
        info.si_signo = SIGFPE, info.si_code = FPE_INTDIV;
        syscall(SYS_rt_tgsigqueueinfo, getpid(), gettid(), SIGFPE, &info);
#else
        // Both operands from memory: with a constant dividend the compiler folds
        // the division into a comparison, and nothing faults.
        volatile int one = 1, zero = 0;
        volatile int quotient = one / zero;
        (void)quotient;
#endif
    }
    if (planted_here(want, place, "/throw"))
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again), place);
    if (planted_here(want, place, "/cont")) raise(SIGCONT);
#endif
}

}  // namespace runtime
