// The extended real of every computation: the x87's long double, or the same 80-bit
// format in software (configured with GRAVITY_EXTENDED=soft), which gives the same
// results bit for bit and raises the same errors at the same operations.
#pragma once
#include <cstdint>

#include "runtime/checks.h"
#include "runtime/soft_extended.h"

namespace runtime {

#if GRAVITY_EXTENDED_SOFT

// Every operation is inlined into the routine that computes, so that an error is
// reported there, as the x87's trap is.
class Extended {
public:
    Extended() = default;
    // Integers convert exactly, as the x87 loads them.
    constexpr Extended(int v) : bits_(soft::from_int64(v)) {}
    // No conversion from a host floating type: its rounding is not this format's.
    Extended(double) = delete;
    Extended(long double) = delete;

    static constexpr Extended from_bits(soft::Ext bits) { return Extended(bits); }
    constexpr soft::Ext bits() const { return bits_; }

#define GRAVITY_INLINE [[gnu::always_inline]]
    GRAVITY_INLINE friend Extended operator+(Extended a, Extended b) { return checked(soft::add, a, b); }
    GRAVITY_INLINE friend Extended operator-(Extended a, Extended b) { return checked(soft::sub, a, b); }
    GRAVITY_INLINE friend Extended operator*(Extended a, Extended b) { return checked(soft::mul, a, b); }
    GRAVITY_INLINE friend Extended operator/(Extended a, Extended b) { return checked(soft::div, a, b); }
    GRAVITY_INLINE friend Extended operator-(Extended a) { return Extended({a.bits_.mant, uint16_t(a.bits_.sign_exp ^ 0x8000)}); }

    // Ordered comparisons, as the x87's fcom: a NaN operand is an invalid operation.
    GRAVITY_INLINE friend bool operator<(Extended a, Extended b) { return compared(a, b) == -1; }
    GRAVITY_INLINE friend bool operator>(Extended a, Extended b) { return compared(a, b) == 1; }
    GRAVITY_INLINE friend bool operator<=(Extended a, Extended b) { return unsigned(compared(a, b) + 1) <= 1; }
    GRAVITY_INLINE friend bool operator>=(Extended a, Extended b) { return unsigned(compared(a, b)) <= 1; }
    GRAVITY_INLINE friend bool operator==(Extended a, Extended b) { return compared(a, b) == 0; }

    GRAVITY_INLINE friend Extended ext_sqrt(Extended a) {
        unsigned flags = 0;
        Extended r(soft::sqrt(a.bits_, flags));
        if (flags & TRAPPING) [[unlikely]]
            fp_exception(flags);
        return r;
    }
    GRAVITY_INLINE friend Extended ext_abs(Extended a) { return Extended({a.bits_.mant, uint16_t(a.bits_.sign_exp & 0x7FFF)}); }

private:
    static constexpr unsigned TRAPPING = soft::FLAG_INVALID | soft::FLAG_ZERODIVIDE | soft::FLAG_OVERFLOW;
    constexpr explicit Extended(soft::Ext bits) : bits_(bits) {}

    GRAVITY_INLINE static Extended checked(soft::Ext (*op)(soft::Ext, soft::Ext, unsigned&), Extended a, Extended b) {
        unsigned flags = 0;
        Extended r(op(a.bits_, b.bits_, flags));
        if (flags & TRAPPING) [[unlikely]]
            fp_exception(flags);
        return r;
    }
    GRAVITY_INLINE static int compared(Extended a, Extended b) {
        unsigned flags = 0;
        int c = soft::compare(a.bits_, b.bits_, flags);
        if (flags & TRAPPING) [[unlikely]]
            fp_exception(flags);
        return c;
    }
#undef GRAVITY_INLINE

    soft::Ext bits_;
};

// Found by qualified names too, not only beside an Extended argument.
Extended ext_sqrt(Extended a);
Extended ext_abs(Extended a);

constexpr Extended extended_from_bits(uint16_t sign_exp, uint64_t mant) { return Extended::from_bits({mant, sign_exp}); }

#else

using Extended = long double;
inline Extended ext_sqrt(Extended a) { return __builtin_sqrtl(a); }
inline Extended ext_abs(Extended a) { return __builtin_fabsl(a); }
Extended extended_from_bits(uint16_t sign_exp, uint64_t mant);

#endif

static_assert(sizeof(Extended) == 16 && alignof(Extended) >= 8, "80 bits of value in 16 bytes, as the x87 keeps them");

// The sign-and-exponent field and the 64-bit significand.
soft::Ext extended_bits(Extended v);

// The same value as the host's long double, for the C library's decimal formatting:
// the x87's format itself, or IEEE binary128 (arm64), which holds every value exactly.
long double host_long_double(Extended v);

}  // namespace runtime
