// The software extended type against the x87 itself: results and flags, bit for bit.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "runtime/fpu.h"
#include "runtime/soft_extended.h"

#if defined(__x86_64__)
namespace {

using runtime::soft::Ext;

Ext ext(long double x) {
    Ext e;
    std::memcpy(&e, &x, sizeof e.mant + sizeof e.sign_exp);
    return e;
}
long double ld(Ext e) {
    long double x = 0;
    std::memcpy(&x, &e, sizeof e.mant + sizeof e.sign_exp);
    return x;
}
unsigned x87_flags() {
    uint16_t sw;
    asm volatile("fnstsw %0" : "=m"(sw));
    return sw & 0x3F;
}

// Operands from every region that rounds differently: any bits, denormals, values
// near 1 with short significands (exact ties), significands of nearly all ones (roots
// just below a whole number), the top and bottom of the range, zeros, infinities and
// NaNs, and equal or opposite pairs for cancellation.
struct Operands {
    std::mt19937_64 rng{20261207};
    Ext next() {
        uint64_t m = rng() | uint64_t(1) << 63;
        int e = 16383 + int(rng() % 200) - 100;
        switch (rng() % 10) {
        case 0: m = rng(), e = int(rng() & 0x7FFF); break;
        case 1: m = rng() >> (rng() % 64), e = 0; break;
        case 2: m &= ~((uint64_t(1) << (rng() % 64)) - 1), e = 16383 + int(rng() % 5) - 2; break;
        case 3: e = 0x7FFE - int(rng() % 3); break;
        case 4: e = 1 + int(rng() % 3); break;
        case 5: m = 0, e = 0; break;
        case 6: m = rng() % 3 ? rng() >> 1 | uint64_t(1) << 63 : uint64_t(1) << 63, e = 0x7FFF; break;
        case 7: m = ~uint64_t(0) << (rng() % 8); break;
        }
        return {m, uint16_t(e | (rng() & 1) << 15)};
    }
};

struct Case {
    const char* name;
    Ext (*soft)(Ext, Ext, unsigned&);
    long double (*x87)(long double, long double);
};
const Case CASES[] = {
    {"add", runtime::soft::add, [](long double a, long double b) { return a + b; }},
    {"sub", runtime::soft::sub, [](long double a, long double b) { return a - b; }},
    {"mul", runtime::soft::mul, [](long double a, long double b) { return a * b; }},
    {"div", runtime::soft::div, [](long double a, long double b) { return a / b; }},
    {"sqrt", [](Ext a, Ext, unsigned& f) { return runtime::soft::sqrt(a, f); },
     [](long double a, long double) { long double r; asm("fsqrt" : "=t"(r) : "0"(a)); return r; }},
    {"compare", [](Ext a, Ext b, unsigned& f) { return runtime::soft::from_int64(runtime::soft::compare(a, b, f)); },
     [](long double a, long double b) -> long double { volatile bool lt = a < b; return lt ? -1 : a > b ? 1 : a == b ? 0 : 2; }},
    {"round", [](Ext a, Ext, unsigned& f) { return runtime::soft::from_int64(runtime::soft::round_int32(a, f)); },
     [](long double a, long double) -> long double { int32_t r; asm volatile("fistpl %0" : "=m"(r) : "t"(a) : "st"); return r; }},
};

TEST(SoftExtended, EveryOperationGivesTheX87sResultAndFlags) {
    const uint16_t all_masked = runtime::bits_of(runtime::FPUCW_INITIAL);
    uint16_t saved;
    asm volatile("fnstcw %0; fnclex; fldcw %1" : "=m"(saved) : "m"(all_masked));
    Operands gen;
    int failures = 0;
    for (int i = 0; i < 1'000'000 && failures < 10; ++i) {
        Ext a = gen.next(), b = i % 8 ? gen.next() : Ext{a.mant, uint16_t(a.sign_exp ^ (i & 0x8000))};
        for (const Case& c : CASES) {
            unsigned flags = 0;
            Ext s = c.soft(a, b, flags);
            asm volatile("fnclex");
            volatile long double h = c.x87(ld(a), ld(b));
            unsigned want = x87_flags();
            Ext x = ext(h);
            if (s.mant == x.mant && s.sign_exp == x.sign_exp && flags == want) continue;
            ++failures;
            ADD_FAILURE() << c.name << std::hex << " of " << a.sign_exp << ':' << a.mant << ", " << b.sign_exp << ':'
                          << b.mant << " gives " << s.sign_exp << ':' << s.mant << " flags " << flags << ", the x87 "
                          << x.sign_exp << ':' << x.mant << " flags " << want;
        }
    }
    asm volatile("fnclex; fldcw %0" : : "m"(saved));
}

TEST(SoftExtended, IntegersConvertExactly) {
    for (int64_t v : {int64_t(0), int64_t(1), int64_t(-3), INT64_MAX, INT64_MIN, int64_t(1) << 40}) {
        Ext e = runtime::soft::from_int64(v);
        EXPECT_EQ(ld(e), static_cast<long double>(v)) << v;
    }
}

// The product and the quotient in 64-bit words (WebAssembly's) against the 128-bit ones.
TEST(SoftExtended, WordArithmeticGivesThe128BitResults) {
    using runtime::soft::detail::u128;
    std::mt19937_64 rng{26};
    for (int i = 0; i < 1000000; ++i) {
        const uint64_t a = rng() >> (i % 64), d = rng() | uint64_t(1) << 63, hi = (i % 3 ? rng() : d - 1 - i) % d, lo = rng();
        uint64_t low, rem;
        ASSERT_EQ(u128(runtime::soft::detail::multiply_in_words(a, d, low)) << 64 | low, u128(a) * d) << a;
        ASSERT_EQ(u128(runtime::soft::detail::divide_in_words(hi, lo, d, rem)) << 64 | rem,
                  u128((u128(hi) << 64 | lo) / d) << 64 | uint64_t((u128(hi) << 64 | lo) % d)) << hi << " " << lo << " " << d;
    }
}

}  // namespace
#endif
