// The raising halves of the run-time checks.
#include "runtime/checks.h"

#include "runtime/errors.h"
#include "runtime/fpu.h"
#include "runtime/platform.h"

namespace runtime {

namespace {

[[noreturn]] void raise_in_caller(uint16_t n, platform::CallerPoint caller) {
    HANDLEERRORADDRFRAME(n, caller.address, caller.frame);
}

}  // namespace

void bound_error() {
    raise_in_caller(201, platform::raising_caller());
}

void INT_OVERFLOW() {
    raise_in_caller(215, platform::raising_caller());
}

void io_error() {
    uint16_t n = INOUTRES;
    INOUTRES = 0;
    raise_in_caller(n, platform::raising_caller());
}

void RUNERROR(uint16_t n) {
    raise_in_caller(n, platform::raising_caller());
}

#if GRAVITY_EXTENDED_SOFT
// What the x87 would have trapped on: invalid operation first, as it reports it.
void fp_exception(unsigned flags) {
    const unsigned unmasked = raise_flags(flags);
    if (unmasked == 0) return;
    const uint16_t n = unmasked & soft::FLAG_INVALID ? 207 : unmasked & soft::FLAG_ZERODIVIDE ? 200 : 205;
    raise_in_caller(n, platform::raising_caller());
}
#endif

}  // namespace runtime
