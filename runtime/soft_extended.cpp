// The extended operations' out-of-line half: special operands and results beyond the
// normal range, each computed exactly in 128 bits (with a sticky bit for what falls
// off) and rounded once, as the x87 does.
#include "runtime/soft_extended.h"

namespace runtime::soft {

namespace detail {

namespace {

constexpr uint64_t QUIET = uint64_t(1) << 62;
// The x87's default NaN, its "real indefinite".
constexpr Ext INDEFINITE{TOP | QUIET, 0xFFFF};

enum class Kind { zero, finite, infinity, nan, unsupported };

bool sign_of(Ext a) { return a.sign_exp >> 15; }
Ext make(bool sign, int exp, uint64_t mant) { return {mant, uint16_t((sign ? 0x8000 : 0) | exp)}; }
Ext infinity(bool sign) { return make(sign, EXP_MAX, TOP); }
Ext zero(bool sign) { return make(sign, 0, 0); }
Ext negated(Ext a) { return {a.mant, uint16_t(a.sign_exp ^ 0x8000)}; }

// Unnormals, pseudo-NaNs and pseudo-infinities are operands the x87 rejects as invalid.
Kind kind_of(Ext a) {
    int e = exp_of(a);
    if (e == EXP_MAX) {
        if (!(a.mant & TOP)) return Kind::unsupported;
        return (a.mant << 1) == 0 ? Kind::infinity : Kind::nan;
    }
    if (e == 0) return a.mant == 0 ? Kind::zero : Kind::finite;
    return (a.mant & TOP) ? Kind::finite : Kind::unsupported;
}

bool is_signaling(Ext a) { return kind_of(a) == Kind::nan && !(a.mant & QUIET); }
Ext quieted(Ext a) { return {a.mant | QUIET, a.sign_exp}; }

// A denormal (or pseudo-denormal) operand raises the denormal flag and counts with
// exponent 1.
void note_denormal(Ext a, unsigned& flags) {
    if (exp_of(a) == 0 && a.mant != 0) flags |= FLAG_DENORMAL;
}
int effective_exp(Ext a) { return exp_of(a) == 0 ? 1 : exp_of(a); }

// The NaN an operation with NaN operands gives: a quiet one in preference to a
// signaling one, else the one with the larger significand, else the positive one.
Ext propagate(Ext a, Ext b, unsigned& flags) {
    bool an = kind_of(a) == Kind::nan, bn = kind_of(b) == Kind::nan;
    if (is_signaling(a) || is_signaling(b)) flags |= FLAG_INVALID;
    if (an && bn) {
        if (is_signaling(a) != is_signaling(b)) return quieted(is_signaling(a) ? b : a);
        if ((a.mant << 1) != (b.mant << 1)) return quieted((a.mant << 1) > (b.mant << 1) ? a : b);
        return quieted(sign_of(a) ? b : a);
    }
    return quieted(an ? a : b);
}

Ext invalid(unsigned& flags) {
    flags |= FLAG_INVALID;
    return INDEFINITE;
}

// True, and the result, when an operand is unsupported or a NaN.
bool nan_operands(Ext a, Ext b, unsigned& flags, Ext& result) {
    Kind ka = kind_of(a), kb = kind_of(b);
    if (ka == Kind::unsupported || kb == Kind::unsupported) {
        result = invalid(flags);
        return true;
    }
    if (ka == Kind::nan || kb == Kind::nan) {
        result = propagate(a, b, flags);
        return true;
    }
    return false;
}

int leading_bit(u128 v) {
    uint64_t hi = uint64_t(v >> 64);
    return hi ? 127 - __builtin_clzll(hi) : 63 - __builtin_clzll(uint64_t(v));
}

// Shifts right, folding every bit shifted out into bit 0.
u128 shift_right_sticky(u128 v, int n) {
    if (n <= 0) return v;
    if (n >= 128) return v != 0;
    return (v >> n) | ((v << (128 - n)) != 0);
}

// Normalises v, whose bit 126 weighs 2^(exp - BIAS), and rounds it.
Ext normalize_round(bool sign, int exp, u128 v, unsigned& flags) {
    if (v == 0) return zero(sign);
    int p = leading_bit(v);
    return round_pack(sign, exp + p - 126, v << (127 - p), flags);
}

// Any two numbers, neither a NaN nor unsupported. Invalid operation comes first, then
// the denormal operand.
Ext add_numbers(Ext a, Ext b, unsigned& flags) {
    Kind ka = kind_of(a), kb = kind_of(b);
    if (ka == Kind::infinity && kb == Kind::infinity && sign_of(a) != sign_of(b)) return invalid(flags);
    note_denormal(a, flags);
    note_denormal(b, flags);
    if (ka == Kind::infinity || kb == Kind::infinity) return ka == Kind::infinity ? a : b;
    if (ka == Kind::zero && kb == Kind::zero) return zero(sign_of(a) && sign_of(b));
    if (ka == Kind::zero) std::swap(a, b);
    int ea = effective_exp(a), eb = effective_exp(b);
    if (kind_of(b) == Kind::zero) return normalize_round(sign_of(a), ea, u128(a.mant) << 63, flags);
    if (ea < eb || (ea == eb && a.mant < b.mant)) {
        std::swap(a, b);
        std::swap(ea, eb);
    }
    u128 x = u128(a.mant) << 63, y = shift_right_sticky(u128(b.mant) << 63, ea - eb);
    if (sign_of(a) == sign_of(b)) return normalize_round(sign_of(a), ea, x + y, flags);
    if (x == y) return zero(false);  // x - x is +0 when rounding to nearest
    return normalize_round(sign_of(a), ea, x - y, flags);
}

// A finite non-zero operand's significand with its top bit set, and the exponent
// that goes with it.
void normalized(Ext a, uint64_t& mant, int& exp) {
    int shift = __builtin_clzll(a.mant);
    mant = a.mant << shift;
    exp = effective_exp(a) - shift;
}

// A denormal quotient is rounded at its own precision: the 64 bits below the
// quotient's first 64 are needed too.
Ext divide_normalized(bool sign, uint64_t ma, int ea, uint64_t mb, int eb, unsigned& flags) {
    bool below = ma < mb;
    int exp = ea - eb + BIAS - (below ? 1 : 0);
    uint64_t rem, q = below ? divide(ma, 0, mb, rem) : divide(ma >> 1, ma << 63, mb, rem);
    uint64_t rem2, q2 = divide(rem, 0, mb, rem2);
    return round_pack(sign, exp, u128(q) << 64 | q2 | (rem2 != 0), flags);
}

}  // namespace

// Tininess is judged after rounding, as the x87 does; a denormal is rounded at its
// own precision; a carry out of a denormal gives the smallest normal.
Ext round_pack(bool sign, int exp, u128 sig, unsigned& flags) {
    if (sig == 0) return zero(sign);
    bool tiny = false;
    if (exp < 1) {
        bool carries_to_normal = exp == 0 && uint64_t(sig >> 64) == ~uint64_t(0) && (uint64_t(sig) & TOP);
        tiny = !carries_to_normal;
        sig = shift_right_sticky(sig, 1 - exp);
        exp = 0;
    }
    uint64_t mant = uint64_t(sig >> 64), rest = uint64_t(sig);
    if (rest != 0) flags |= FLAG_INEXACT | (tiny ? unsigned(FLAG_UNDERFLOW) : 0u);
    if (rest > TOP || (rest == TOP && (mant & 1))) {
        if (++mant == 0) {
            mant = TOP;
            ++exp;
        }
    }
    if (exp == 0 && (mant & TOP)) exp = 1;
    if (exp >= EXP_MAX) {
        flags |= FLAG_OVERFLOW | FLAG_INEXACT;
        return infinity(sign);
    }
    return make(sign, exp, mant);
}

Ext add_general(Ext a, Ext b, unsigned& flags) {
    Ext r;
    if (nan_operands(a, b, flags, r)) return r;
    return add_numbers(a, b, flags);
}

Ext sub_general(Ext a, Ext b, unsigned& flags) {
    Ext r;
    if (nan_operands(a, b, flags, r)) return r;  // a NaN keeps its sign
    return add_numbers(a, negated(b), flags);
}

Ext mul_general(Ext a, Ext b, unsigned& flags) {
    Ext r;
    if (nan_operands(a, b, flags, r)) return r;
    Kind ka = kind_of(a), kb = kind_of(b);
    bool sign = sign_of(a) != sign_of(b);
    if ((ka == Kind::infinity || kb == Kind::infinity) && (ka == Kind::zero || kb == Kind::zero)) return invalid(flags);
    note_denormal(a, flags);
    note_denormal(b, flags);
    if (ka == Kind::infinity || kb == Kind::infinity) return infinity(sign);
    if (ka == Kind::zero || kb == Kind::zero) return zero(sign);
    u128 p = u128(a.mant) * b.mant;  // weighs 2^(ea + eb - 2 BIAS - 126)
    return normalize_round(sign, effective_exp(a) + effective_exp(b) - BIAS, p, flags);
}

Ext div_general(Ext a, Ext b, unsigned& flags) {
    Ext r;
    if (nan_operands(a, b, flags, r)) return r;
    Kind ka = kind_of(a), kb = kind_of(b);
    bool sign = sign_of(a) != sign_of(b);
    // Invalid operation and division by zero come before the denormal operand.
    if (ka == Kind::infinity && kb == Kind::infinity) return invalid(flags);
    if (kb == Kind::zero) {
        if (ka == Kind::zero) return invalid(flags);
        if (ka != Kind::infinity) flags |= FLAG_ZERODIVIDE;
        return infinity(sign);
    }
    note_denormal(a, flags);
    note_denormal(b, flags);
    if (ka == Kind::infinity) return infinity(sign);
    if (kb == Kind::infinity || ka == Kind::zero) return zero(sign);
    uint64_t ma, mb;
    int ea, eb;
    normalized(a, ma, ea);
    normalized(b, mb, eb);
    return divide_normalized(sign, ma, ea, mb, eb, flags);
}

Ext sqrt_general(Ext a, unsigned& flags) {
    Kind k = kind_of(a);
    if (k == Kind::unsupported) return invalid(flags);
    if (k == Kind::nan) return propagate(a, a, flags);
    if (k == Kind::zero) return a;
    if (sign_of(a)) return invalid(flags);
    note_denormal(a, flags);
    if (k == Kind::infinity) return a;
    uint64_t m;
    int e;
    normalized(a, m, e);
    const int u = e - BIAS;
    const bool odd = u & 1;
    // The last unit by exact squares: the remainder of the right root is at most
    // twice the root.
    Root r = root_words(m, odd);
    uint64_t s = r.s;
    __int128 rem = __int128(u128(r.hi) << 64 | r.lo);
    for (; rem < 0; --s) rem += 2 * __int128(s) - 1;
    for (; rem > 2 * __int128(s); ++s) rem -= 2 * __int128(s) + 1;
    // Above the half-way point exactly when rem > s; never on it.
    const uint64_t rest = rem == 0 ? 0 : rem > __int128(s) ? TOP | 1 : 1;
    const int half = odd ? (u - 1) / 2 : u / 2;
    return round_pack(false, half + BIAS, u128(s) << 64 | rest, flags);
}

}  // namespace detail

using namespace detail;

int compare(Ext a, Ext b, unsigned& flags) {
    Kind ka = kind_of(a), kb = kind_of(b);
    if (ka == Kind::unsupported || kb == Kind::unsupported || ka == Kind::nan || kb == Kind::nan) {
        flags |= FLAG_INVALID;
        return 2;
    }
    note_denormal(a, flags);
    note_denormal(b, flags);
    if (ka == Kind::zero && kb == Kind::zero) return 0;
    bool sa = sign_of(a), sb = sign_of(b);
    if (sa != sb) return sa ? -1 : 1;
    // The same sign: magnitudes by exponent (a zero below every denormal, a
    // pseudo-denormal a normal of exponent 1), then by significand.
    int ea = ka == Kind::zero ? -1 : exp_of(a), eb = kb == Kind::zero ? -1 : exp_of(b);
    if (ea == 0 && (a.mant & TOP)) ea = 1;
    if (eb == 0 && (b.mant & TOP)) eb = 1;
    int mag = ea != eb ? (ea < eb ? -1 : 1) : (a.mant == b.mant ? 0 : (a.mant < b.mant ? -1 : 1));
    return sa ? -mag : mag;
}

int32_t round_int32(Ext a, unsigned& flags) {
    Kind k = kind_of(a);
    if (k == Kind::zero) return 0;
    if (k != Kind::finite) {
        flags |= FLAG_INVALID;
        return INT32_MIN;
    }
    int e = effective_exp(a) - BIAS;  // the value is mant * 2^(e - 63)
    if (e > 31) {
        flags |= FLAG_INVALID;
        return INT32_MIN;
    }
    u128 fixed = shift_right_sticky(u128(a.mant) << 64, 63 - e);  // 64 fraction bits
    uint64_t whole = uint64_t(fixed >> 64), frac = uint64_t(fixed);
    if (frac > TOP || (frac == TOP && (whole & 1))) ++whole;
    uint64_t limit = sign_of(a) ? uint64_t(1) << 31 : (uint64_t(1) << 31) - 1;
    if (whole > limit) {
        flags |= FLAG_INVALID;
        return INT32_MIN;
    }
    if (frac != 0) flags |= FLAG_INEXACT;
    return sign_of(a) ? int32_t(-int64_t(whole)) : int32_t(whole);
}

}  // namespace runtime::soft
