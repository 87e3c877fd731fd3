// The raising halves of the run-time checks.
#include "runtime/checks.h"

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

void HALT(uint8_t n) {
    EXITCODE = n;
    DO_EXIT();
}

}  // namespace runtime
