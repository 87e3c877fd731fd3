// Number conversion. The real conversion's order of rounded operations is part of its
// result: r*10 then +d per digit, one division by the gathered power of ten for the
// fraction, and the exponent applied as one product or quotient by 10^e formed by
// repeated multiplication.
#include "console/val.h"

#include <cstdint>

namespace console {

namespace {

int digit_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 99;
}

bool is_decimal_digit(char c) { return c >= '0' && c <= '9'; }

// The exponent saturates instead of wrapping: any exponent this large overflows the
// power of ten, as every exponent from 4933 up does.
int32_t add_exponent_digit(int32_t e, int d) {
    if (e > (INT32_MAX - d) / 10) return INT32_MAX;
    return e * 10 + d;
}

}  // namespace

Converted<uint32_t> VALUNSIGNEDINT(const runtime::ShortString& token) {
    std::string_view s = token.view();
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && s[i] == '+') ++i;
    else if (i < s.size() && s[i] == '-') negative = true, ++i;
    uint32_t base = 10;
    if (i < s.size()) {
        if (s[i] == '$') base = 16, ++i;
        else if (s[i] == '%') base = 2, ++i;
        else if (s[i] == '&') base = 8, ++i;
    }
    if (negative || i == s.size()) return {0, false};
    uint32_t number = 0;
    for (; i < s.size(); ++i) {
        uint32_t value = uint32_t(digit_value(s[i]));
        if (value >= base) return {0, false};
        if ((UINT32_MAX - value) / base < number) return {0, false};
        number = number * base + value;
    }
    return {number, true};
}

Converted<runtime::Extended> VALFLOAT(const runtime::ShortString& token) {
    std::string_view s = token.view();
    size_t i = 0;
    runtime::Extended r = 0;
    runtime::Extended sign = 1;
    bool digit_seen = false;
    if (i < s.size() && s[i] == '+') ++i;
    else if (i < s.size() && s[i] == '-') sign = -1, ++i;
    for (; i < s.size() && is_decimal_digit(s[i]); ++i) {
        r = r * 10 + (s[i] - '0');
        digit_seen = true;
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        runtime::Extended q = 1;
        for (; i < s.size() && is_decimal_digit(s[i]); ++i) {
            r = r * 10 + (s[i] - '0');
            q = q * 10;
            digit_seen = true;
        }
        r = r / q;
    }
    if (!digit_seen) return {0, false};
    int32_t e = 0;
    bool negative_exponent = false;
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
        ++i;
        if (i < s.size() && s[i] == '+') ++i;
        else if (i < s.size() && s[i] == '-') negative_exponent = true, ++i;
        if (i == s.size() || !is_decimal_digit(s[i])) return {0, false};
        for (; i < s.size() && is_decimal_digit(s[i]); ++i) e = add_exponent_digit(e, s[i] - '0');
    }
    runtime::Extended q = 1;
    // Traps with 205 at the 4933rd product; the bound only matters with overflow masked.
    for (int32_t k = 0; k < e && k <= 4933; ++k) q = q * 10;
    r = negative_exponent ? r / q : r * q;
    if (i != s.size()) return {0, false};
    return {r * sign, true};
}

}  // namespace console
