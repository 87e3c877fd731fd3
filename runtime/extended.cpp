// The extended real's bits, and its value as the host's long double.
#include "runtime/extended.h"

#include <cfloat>
#include <cstring>

namespace runtime {

#if GRAVITY_EXTENDED_SOFT

soft::Ext extended_bits(Extended v) { return v.bits(); }

#else

Extended extended_from_bits(uint16_t sign_exp, uint64_t mant) {
    long double v = 0;
    std::memcpy(&v, &mant, sizeof mant);
    std::memcpy(reinterpret_cast<char*>(&v) + sizeof mant, &sign_exp, sizeof sign_exp);
    return v;
}

soft::Ext extended_bits(Extended v) {
    soft::Ext e;
    std::memcpy(&e.mant, &v, sizeof e.mant);
    std::memcpy(&e.sign_exp, reinterpret_cast<const char*>(&v) + sizeof e.mant, sizeof e.sign_exp);
    return e;
}

#endif

long double host_long_double(Extended v) {
    const soft::Ext e = extended_bits(v);
#if LDBL_MANT_DIG == 64
    long double h = 0;
    std::memcpy(&h, &e.mant, sizeof e.mant);
    std::memcpy(reinterpret_cast<char*>(&h) + sizeof e.mant, &e.sign_exp, sizeof e.sign_exp);
    return h;
#elif LDBL_MANT_DIG == 113
    // The same sign, bias and exponent field; the fraction below the explicit integer
    // bit, widened. A denormal (exponent field 0) keeps its value too: both formats
    // give it the exponent of the smallest normal.
    using u128 = unsigned __int128;
    const u128 bits = u128(e.sign_exp) << 112 | u128(e.mant << 1) << 48;
    long double h;
    static_assert(sizeof h == sizeof bits);
    std::memcpy(&h, &bits, sizeof h);
    return h;
#else
#error "the host's long double holds the extended values neither as the x87's format nor as binary128"
#endif
}

}  // namespace runtime
