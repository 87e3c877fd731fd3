// The raising halves of the run-time checks.
#include "runtime/checks.h"

#include <cstdlib>
#include <exception>
#include <new>

#include "runtime/errors.h"

namespace runtime {

namespace {

// The caller's saved frame pointer: the frame of the routine that made the check.
[[gnu::always_inline]] inline uintptr_t caller_frame() {
    return *static_cast<uintptr_t*>(__builtin_frame_address(0));
}

}  // namespace

void bound_error() {
    HANDLEERRORADDRFRAME(201, uintptr_t(__builtin_return_address(0)), caller_frame());
}

void INT_OVERFLOW() {
    HANDLEERRORADDRFRAME(215, uintptr_t(__builtin_return_address(0)), caller_frame());
}

void io_error() {
    uint16_t n = INOUTRES;
    INOUTRES = 0;
    HANDLEERRORADDRFRAME(n, uintptr_t(__builtin_return_address(0)), caller_frame());
}

void RUNERROR(uint16_t n) {
    HANDLEERRORADDRFRAME(n, uintptr_t(__builtin_return_address(0)), caller_frame());
}

// Called from std::terminate, on the stack of the failed allocation (an exception
// that finds no handler is not unwound first): the address is in the library that
// gave up, the back-trace runs on from there.
void uncaught_exception() {
    bool heap_overflow = false;
    try {
        if (std::exception_ptr e = std::current_exception()) std::rethrow_exception(e);
    } catch (const std::bad_alloc&) {
        heap_overflow = true;
    } catch (...) {
    }
    if (heap_overflow) HANDLEERRORADDRFRAME(203, uintptr_t(__builtin_return_address(0)), caller_frame());
    std::abort();
}

}  // namespace runtime
