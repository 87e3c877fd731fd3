// The 80-bit extended format in software: the x87's results and exception flags, bit
// for bit, on a processor without the x87. Normal operands take the inline paths
// below; zeros, denormals, infinities, NaNs and results beyond the normal range go
// out of line.
#pragma once
#include <cstdint>
#include <utility>

namespace runtime::soft {

// The x87 layout: a 64-bit significand with an explicit integer bit, then the sign
// and a 15-bit exponent biased by 16383.
struct Ext {
    uint64_t mant;
    uint16_t sign_exp;
};

// Exception flags, at the bits the x87 status word gives them.
enum : unsigned {
    FLAG_INVALID = 0x01,
    FLAG_DENORMAL = 0x02,
    FLAG_ZERODIVIDE = 0x04,
    FLAG_OVERFLOW = 0x08,
    FLAG_UNDERFLOW = 0x10,
    FLAG_INEXACT = 0x20,
};

// Each operation rounds to nearest, ties to even, at 64-bit precision, gives the
// x87's default result for a masked exception and ORs that exception's flag into
// flags.
inline Ext add(Ext a, Ext b, unsigned& flags);
inline Ext sub(Ext a, Ext b, unsigned& flags);
inline Ext mul(Ext a, Ext b, unsigned& flags);
inline Ext div(Ext a, Ext b, unsigned& flags);
Ext sqrt(Ext a, unsigned& flags);

// -1, 0 or 1; 2 when unordered (a NaN operand, which is an invalid operation).
int compare(Ext a, Ext b, unsigned& flags);

// Exact.
constexpr Ext from_int64(int64_t v) {
    if (v == 0) return {0, 0};
    bool negative = v < 0;
    uint64_t m = negative ? uint64_t(0) - uint64_t(v) : uint64_t(v);
    int shift = __builtin_clzll(m);
    return {m << shift, uint16_t((negative ? 0x8000 : 0) | (16383 + 63 - shift))};
}

// Nearest 32-bit integer, ties to even; a NaN, an infinity or a value that does not
// fit is an invalid operation and gives the integer indefinite, INT32_MIN.
int32_t round_int32(Ext a, unsigned& flags);

namespace detail {

using u128 = unsigned __int128;
constexpr int EXP_MAX = 0x7FFF;
constexpr int BIAS = 16383;
constexpr uint64_t TOP = uint64_t(1) << 63;

Ext add_general(Ext a, Ext b, unsigned& flags);
Ext sub_general(Ext a, Ext b, unsigned& flags);
Ext mul_general(Ext a, Ext b, unsigned& flags);
Ext div_general(Ext a, Ext b, unsigned& flags);
// Rounds sig * 2^(exp - BIAS - 127), sig's top bit at 127, whatever the exponent.
Ext round_pack(bool sign, int exp, u128 sig, unsigned& flags);

inline int exp_of(Ext a) { return a.sign_exp & EXP_MAX; }
inline bool normal(Ext a) { return (unsigned(exp_of(a) - 1) < unsigned(EXP_MAX - 1)) & bool(a.mant >> 63); }
// Bitwise, not short-circuit: no branch to mispredict on the common path.
inline bool both_normal(Ext a, Ext b) { return normal(a) & normal(b); }

// The rounding of a result with a normal exponent, from its 64 bits and the 64 below.
[[gnu::always_inline]] inline Ext round_words(bool sign, int exp, uint64_t mant, uint64_t rest, unsigned& flags) {
    if (unsigned(exp - 1) >= unsigned(EXP_MAX - 1)) [[unlikely]]
        return round_pack(sign, exp, u128(mant) << 64 | rest, flags);
    if (rest != 0) flags |= FLAG_INEXACT;
    uint64_t up = (rest > TOP) | ((rest == TOP) & mant);
    mant += up;
    if (mant == 0) [[unlikely]]  // a carry out of the top
        return round_pack(sign, exp + 1, u128(TOP) << 64, flags);
    return {mant, uint16_t((sign ? 0x8000 : 0) | exp)};
}

// The smaller operand is shifted into a second word of guard bits, every bit shifted
// beyond it folded into the lowest: enough for a correct rounding, since a result
// needs more than one bit of normalisation only when the exponents are within one of
// each other, and then nothing was folded.
[[gnu::always_inline]] inline Ext add_normal(Ext a, Ext b, unsigned& flags) {
    const bool swap = (exp_of(a) < exp_of(b)) | ((exp_of(a) == exp_of(b)) & (a.mant < b.mant));
    const Ext x = swap ? b : a, y = swap ? a : b;
    const int ea = exp_of(x), d = ea - exp_of(y);
    const bool sign = x.sign_exp >> 15;
    uint64_t bhi = y.mant >> (d & 63), blo = (y.mant << 1) << (63 - (d & 63));
    if (d >= 64) [[unlikely]] {
        bhi = 0;
        blo = d == 64 ? y.mant : d < 128 ? y.mant >> (d - 64) | ((y.mant << (128 - d)) != 0) : 1;
    }
    if (!((x.sign_exp ^ y.sign_exp) & 0x8000)) {
        uint64_t hi = x.mant + bhi;
        if (hi >= x.mant) return round_words(sign, ea, hi, blo, flags);
        return round_words(sign, ea + 1, TOP | hi >> 1, hi << 63 | blo >> 1 | (blo & 1), flags);
    }
    uint64_t lo = uint64_t(0) - blo, hi = x.mant - bhi - (blo != 0);
    if (hi & TOP) return round_words(sign, ea, hi, lo, flags);
    if ((hi | lo) == 0) return {0, 0};  // x - x is +0 when rounding to nearest
    int shift = hi ? __builtin_clzll(hi) : 64 + __builtin_clzll(lo);
    u128 v = (u128(hi) << 64 | lo) << shift;
    return round_words(sign, ea - shift, uint64_t(v >> 64), uint64_t(v), flags);
}

[[gnu::always_inline]] inline Ext mul_normal(Ext a, Ext b, unsigned& flags) {
    u128 p = u128(a.mant) * b.mant;
    int carry = int(p >> 127);
    p <<= 1 - carry;
    return round_words((a.sign_exp ^ b.sign_exp) >> 15, exp_of(a) + exp_of(b) - BIAS + carry, uint64_t(p >> 64),
                       uint64_t(p), flags);
}

// hi:lo divided by d, hi < d: the 64-bit quotient, and the remainder.
[[gnu::always_inline]] inline uint64_t divide(uint64_t hi, uint64_t lo, uint64_t d, uint64_t& rem) {
#if defined(__x86_64__)
    uint64_t q;
    asm("divq %[d]" : "=a"(q), "=d"(rem) : [d] "r"(d), "a"(lo), "d"(hi) : "cc");
    return q;
#else
    u128 n = u128(hi) << 64 | lo;
    uint64_t q = uint64_t(n / d);
    rem = uint64_t(n - u128(q) * d);
    return q;
#endif
}

// A quotient of 64 bits with its top bit set; the remainder tells the rounding. A
// denormal quotient needs more bits: out of line.
[[gnu::always_inline]] inline Ext div_normal(Ext a, Ext b, unsigned& flags) {
    const bool below = a.mant < b.mant;
    const int exp = exp_of(a) - exp_of(b) + BIAS - below;
    if (exp < 1) [[unlikely]]
        return div_general(a, b, flags);
    uint64_t rem, q = divide(a.mant >> !below, (a.mant << 63) & (uint64_t(below) - 1), b.mant, rem);
    // Beyond the quotient: half or more (twice the remainder against the divisor),
    // and whether anything is left below that.
    const u128 twice = u128(rem) << 1;
    const bool above = twice > b.mant, half = twice == b.mant;
    const uint64_t rest = uint64_t(above | half) << 63 | uint64_t((rem != 0) & !half);
    return round_words((a.sign_exp ^ b.sign_exp) >> 15, exp, q, rest, flags);
}

}  // namespace detail

[[gnu::always_inline]] inline Ext add(Ext a, Ext b, unsigned& flags) {
    if (detail::both_normal(a, b)) [[likely]]
        return detail::add_normal(a, b, flags);
    return detail::add_general(a, b, flags);
}

[[gnu::always_inline]] inline Ext sub(Ext a, Ext b, unsigned& flags) {
    if (detail::both_normal(a, b)) [[likely]]
        return detail::add_normal(a, {b.mant, uint16_t(b.sign_exp ^ 0x8000)}, flags);
    return detail::sub_general(a, b, flags);
}

[[gnu::always_inline]] inline Ext mul(Ext a, Ext b, unsigned& flags) {
    if (detail::both_normal(a, b)) [[likely]]
        return detail::mul_normal(a, b, flags);
    return detail::mul_general(a, b, flags);
}

[[gnu::always_inline]] inline Ext div(Ext a, Ext b, unsigned& flags) {
    if (detail::both_normal(a, b)) [[likely]]
        return detail::div_normal(a, b, flags);
    return detail::div_general(a, b, flags);
}

}  // namespace runtime::soft
