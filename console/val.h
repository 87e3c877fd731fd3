// Number conversion: tokens of the parameter file into unsigned integers and reals.
#pragma once
#include <cstdint>

#include "runtime/shortstring.h"
#include "runtime/extended.h"

namespace console {

template <typename T>
struct Converted {
    T value;  // 0 when the conversion failed
    bool ok;
};

// Optional sign ('-' always fails), base prefix $ % & and digits; at most 4294967295.
Converted<uint32_t> VALUNSIGNEDINT(const runtime::ShortString& token);

// Decimal real, every step a rounded 80-bit operation in a fixed order. A power of ten
// or a scaled value beyond the extended range traps (205) before any test for
// characters left.
Converted<runtime::Extended> VALFLOAT(const runtime::ShortString& token);

}  // namespace console
