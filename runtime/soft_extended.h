// The 80-bit extended format in software: the x87's results and exception flags, bit
// for bit, on a processor without the x87. Normal operands, and zeros beside them,
// take the inline paths below; denormals, infinities, NaNs and results beyond the
// normal range go out of line. The inline paths keep to 64-bit words and short
// branches: 128-bit arithmetic and long branch-free chains spill registers and
// stretch the long formulas they are inlined into.
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
inline Ext sqrt(Ext a, unsigned& flags);

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
Ext sqrt_general(Ext a, unsigned& flags);
// Rounds sig * 2^(exp - BIAS - 127), sig's top bit at 127, whatever the exponent.
Ext round_pack(bool sign, int exp, u128 sig, unsigned& flags);

inline int exp_of(Ext a) { return a.sign_exp & EXP_MAX; }
inline bool is_zero(Ext a) { return (a.mant | exp_of(a)) == 0; }
inline bool normal(Ext a) { return (unsigned(exp_of(a) - 1) < unsigned(EXP_MAX - 1)) & bool(a.mant >> 63); }
// An exponent of neither 0 nor all ones leaves some of bits 1 to 14 set in itself
// plus one, whatever the sign.
inline bool both_normal(Ext a, Ext b) {
    return ((a.sign_exp + 1) & 0x7FFE) && ((b.sign_exp + 1) & 0x7FFE) && int64_t(a.mant & b.mant) < 0;
}

// An out-of-line call gathers its flags apart, so that the inline paths keep theirs
// in a register. Its result is copied, not passed on: WebAssembly returns a struct
// through memory, and handing that memory on as the caller's result would put every
// inline result there too (a fifth of the gravity pass's time there, in stalled loads).
template <class Call>
[[gnu::always_inline]] inline Ext out_of_line(Call call, unsigned& flags) {
    unsigned own = 0;
    const Ext r = call(own);
    flags |= own;
    return Ext{r.mant, r.sign_exp};
}

// A result of 64 bits rounded up or not, its exponent within the normal range with
// room for a carry: a carry out of the top leaves zero, and the top bit is set again.
[[gnu::always_inline]] inline Ext pack_rounded(uint16_t sign, int exp, uint64_t mant, bool up, bool inexact,
                                               unsigned& flags) {
    flags |= unsigned(inexact) * FLAG_INEXACT;
    mant += up;
    return {mant | TOP, uint16_t(sign | (exp + (mant == 0)))};
}

// Normal, with room for a carry out of the significand.
inline bool in_range(int exp) { return unsigned(exp - 1) < unsigned(EXP_MAX - 2); }

// The rounding of 64 bits with the 64 below them; an exponent out of the normal range
// is rounded out of line.
[[gnu::always_inline]] inline Ext round_words(uint16_t sign, int exp, uint64_t mant, uint64_t rest, unsigned& flags) {
    if (!in_range(exp)) [[unlikely]]
        return out_of_line([=](unsigned& f) { return round_pack(sign, exp, u128(mant) << 64 | rest, f); }, flags);
    // Just under a half, plus the low bit, carries out exactly when the rest is above
    // a half or is a half beside an odd significand: ties go to the even neighbour.
    uint64_t ignored;
    return pack_rounded(sign, exp, mant, __builtin_add_overflow(rest, (TOP - 1) + (mant & 1), &ignored), rest != 0,
                        flags);
}

// The smaller operand is shifted into a second word of guard bits, exactly.
[[gnu::always_inline]] inline Ext add_normal(Ext a, Ext b, unsigned& flags) {
    const int ea = exp_of(a), eb = exp_of(b);
    const bool swap = (ea < eb) | ((ea == eb) & (a.mant < b.mant));
    const uint64_t xm = swap ? b.mant : a.mant, ym = swap ? a.mant : b.mant;
    const int d = swap ? eb - ea : ea - eb;
    const uint16_t sign = (swap ? b.sign_exp : a.sign_exp) & 0x8000;
    if (d >= 64) [[unlikely]]
        return out_of_line([=](unsigned& f) { return add_general(a, b, f); }, flags);
    const uint64_t yhi = ym >> d, ylo = (ym << 1) << (63 - d);
    int exp = swap ? eb : ea;
    uint64_t mant, rest;
    if (!((a.sign_exp ^ b.sign_exp) & 0x8000)) {
        rest = ylo;
        if (__builtin_add_overflow(xm, yhi, &mant)) {
            rest = mant << 63 | rest >> 1 | (rest & 1);
            mant = TOP | mant >> 1;
            ++exp;
        }
    } else {
        rest = uint64_t(0) - ylo;
        mant = xm - yhi - (ylo != 0);
        if (!(mant & TOP)) {
            if (mant == 0) [[unlikely]] {
                if (rest == 0) return {0, 0};  // x - x is +0 when rounding to nearest
                return out_of_line([=](unsigned& f) { return add_general(a, b, f); }, flags);
            }
            const int shift = __builtin_clzll(mant);
            mant = mant << shift | (rest >> 1) >> (63 - shift);
            rest <<= shift;
            exp -= shift;
        }
    }
    return round_words(sign, exp, mant, rest, flags);
}

// The 128-bit product a * b: its high word, the low one in lo. A 64-bit processor
// multiplies into 128 bits; elsewhere (WebAssembly) that is a library call for a whole
// 128 x 128-bit product, and four products of 32-bit halves are much quicker.
[[gnu::always_inline]] inline uint64_t multiply_in_words(uint64_t a, uint64_t b, uint64_t& lo) {
    const uint64_t a0 = uint32_t(a), a1 = a >> 32, b0 = uint32_t(b), b1 = b >> 32;
    const uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0;
    const uint64_t middle = (p00 >> 32) + uint32_t(p01) + uint32_t(p10);
    lo = middle << 32 | uint32_t(p00);
    return a1 * b1 + (p01 >> 32) + (p10 >> 32) + (middle >> 32);
}

[[gnu::always_inline]] inline uint64_t multiply(uint64_t a, uint64_t b, uint64_t& lo) {
#if defined(__x86_64__) || defined(__aarch64__)
    const u128 p = u128(a) * b;
    lo = uint64_t(p);
    return uint64_t(p >> 64);
#else
    return multiply_in_words(a, b, lo);
#endif
}

[[gnu::always_inline]] inline Ext mul_normal(Ext a, Ext b, unsigned& flags) {
    uint64_t lo;
    uint64_t hi = multiply(a.mant, b.mant, lo);
    int exp = exp_of(a) + exp_of(b) - BIAS + 1;
    if (!(hi & TOP)) {  // a product below 2 is normalised by one
        hi = hi << 1 | lo >> 63;
        lo <<= 1;
        --exp;
    }
    return round_words((a.sign_exp ^ b.sign_exp) & 0x8000, exp, hi, lo, flags);
}

// One 32-bit digit of a long division by d (top bit set), d1 its high half: the digit of
// n * 2^32 + next / d, estimated from d1 and put right at most twice (Knuth's algorithm
// D); n < d. What is left of n * 2^32 + next goes to n.
[[gnu::always_inline]] inline uint64_t quotient_digit(uint64_t& n, uint64_t next, uint64_t d, uint64_t d1) {
    uint64_t q = n / d1, r = n - q * d1;
    while (q >> 32 || q * uint32_t(d) > (r << 32 | next)) {
        --q;
        r += d1;
        if (r >> 32) break;
    }
    n = (n << 32 | next) - q * d;
    return q;
}

// hi:lo divided by d, hi < d and d's top bit set, in 64-bit words: for processors
// without a 128-by-64-bit divide, where the library's 128-bit division is slow.
[[gnu::always_inline]] inline uint64_t divide_in_words(uint64_t hi, uint64_t lo, uint64_t d, uint64_t& rem) {
    const uint64_t q1 = quotient_digit(hi, lo >> 32, d, d >> 32);
    const uint64_t q0 = quotient_digit(hi, uint32_t(lo), d, d >> 32);
    rem = hi;
    return q1 << 32 | q0;
}

// hi:lo divided by d, hi < d and d's top bit set: the 64-bit quotient, and the remainder.
[[gnu::always_inline]] inline uint64_t divide(uint64_t hi, uint64_t lo, uint64_t d, uint64_t& rem) {
#if defined(__x86_64__)
    uint64_t q;
    asm("divq %[d]" : "=a"(q), "=d"(rem) : [d] "r"(d), "a"(lo), "d"(hi) : "cc");
    return q;
#else
    return divide_in_words(hi, lo, d, rem);
#endif
}

// A quotient of 64 bits with its top bit set; the remainder against what the divisor
// leaves of it tells the rounding. Never a tie: the dividend shifted by 64 would be
// the divisor times an odd number, so the divisor a multiple of 2^64. A denormal
// quotient needs more bits: out of line.
[[gnu::always_inline]] inline Ext div_normal(Ext a, Ext b, unsigned& flags) {
    uint64_t hi = a.mant, lo = 0;
    int exp = exp_of(a) - exp_of(b) + BIAS;
    if (a.mant < b.mant)
        --exp;
    else {
        lo = hi << 63;
        hi >>= 1;
    }
    const uint16_t sign = (a.sign_exp ^ b.sign_exp) & 0x8000;
    if (!in_range(exp)) [[unlikely]]
        return out_of_line([=](unsigned& f) { return div_general(a, b, f); }, flags);
    uint64_t rem;
    const uint64_t q = divide(hi, lo, b.mant, rem);
    const uint64_t other = b.mant - rem;
    return pack_rounded(sign, exp, q, rem > other, rem != 0, flags);
}

// The integer root of a significand shifted left by 63, or by 64 for an odd exponent,
// and the radicand less its square: the double root for 50 bits, then one Newton
// step through a double quotient, floored, leaves it within one of the root.
struct Root {
    uint64_t s;
    int64_t hi;  // the radicand less s squared
    uint64_t lo;
};
[[gnu::always_inline]] inline Root root_words(uint64_t m, bool odd) {
    const uint64_t rhi = odd ? m : m >> 1, rlo = odd ? 0 : m << 63;
    const auto less_square = [=](uint64_t s) {
        uint64_t square_lo;
        const uint64_t square_hi = multiply(s, s, square_lo);
        return Root{s, int64_t(rhi - square_hi - (rlo < square_lo)), rlo - square_lo};
    };
    const double root = __builtin_sqrt(double(int64_t(m >> 11)) * (odd ? 0x1p75 : 0x1p74));
    const double half_inverse = 0x1p15 / root;
    // Below 2^64 even when the double root rounded up to it; the remainder within
    // 2^78 either way, its bits from 16 up in a double.
    const Root r = less_square((uint64_t(int64_t(root * 0x1p-11)) << 11) - 1);
    const double step = double(int64_t(uint64_t(r.hi) << 48 | r.lo >> 16)) * half_inverse;
    return less_square(r.s + uint64_t(int64_t(step + 0x1p20)) - (uint64_t(1) << 20));  // floored
}

// A root is never exactly half-way, and never out of range. One off by a unit is
// put right out of line.
[[gnu::always_inline]] inline Ext sqrt_normal(Ext a, unsigned& flags) {
    const int u = exp_of(a) - BIAS;
    const Root r = root_words(a.mant, u & 1);
    const u128 rem = u128(r.hi) << 64 | r.lo;
    if ((r.hi < 0) | (rem > (u128(r.s >> 63) << 64 | r.s << 1))) [[unlikely]]
        return out_of_line([=](unsigned& f) { return sqrt_general(a, f); }, flags);
    return pack_rounded(0, (u >> 1) + BIAS, r.s, rem > r.s, rem != 0, flags);
}

}  // namespace detail

// Zeros beside normal operands are common (bodies in a row) and exact: inline too.
[[gnu::always_inline]] inline Ext add(Ext a, Ext b, unsigned& flags) {
    if (detail::both_normal(a, b)) [[likely]]
        return detail::add_normal(a, b, flags);
    if (detail::is_zero(b) & detail::normal(a)) return a;
    if (detail::is_zero(a) & detail::normal(b)) return b;
    return detail::out_of_line([=](unsigned& f) { return detail::add_general(a, b, f); }, flags);
}

[[gnu::always_inline]] inline Ext sub(Ext a, Ext b, unsigned& flags) {
    const Ext negated{b.mant, uint16_t(b.sign_exp ^ 0x8000)};
    if (detail::both_normal(a, b)) [[likely]]
        return detail::add_normal(a, negated, flags);
    if (detail::is_zero(b) & detail::normal(a)) return a;
    if (detail::is_zero(a) & detail::normal(b)) return negated;
    return detail::out_of_line([=](unsigned& f) { return detail::sub_general(a, b, f); }, flags);
}

[[gnu::always_inline]] inline Ext mul(Ext a, Ext b, unsigned& flags) {
    if (detail::both_normal(a, b)) [[likely]]
        return detail::mul_normal(a, b, flags);
    if ((detail::is_zero(a) | detail::normal(a)) & (detail::is_zero(b) | detail::normal(b)))
        return {0, uint16_t((a.sign_exp ^ b.sign_exp) & 0x8000)};
    return detail::out_of_line([=](unsigned& f) { return detail::mul_general(a, b, f); }, flags);
}

[[gnu::always_inline]] inline Ext div(Ext a, Ext b, unsigned& flags) {
    if (detail::both_normal(a, b)) [[likely]]
        return detail::div_normal(a, b, flags);
    if (detail::is_zero(a) & detail::normal(b)) return {0, uint16_t((a.sign_exp ^ b.sign_exp) & 0x8000)};
    return detail::out_of_line([=](unsigned& f) { return detail::div_general(a, b, f); }, flags);
}

// A positive normal operand inline; the rest out of line.
[[gnu::always_inline]] inline Ext sqrt(Ext a, unsigned& flags) {
    if ((a.sign_exp < 0x8000) & detail::normal(a)) [[likely]]
        return detail::sqrt_normal(a, flags);
    return detail::out_of_line([=](unsigned& f) { return detail::sqrt_general(a, f); }, flags);
}

}  // namespace runtime::soft
