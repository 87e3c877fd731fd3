// The short string: a length byte and at most 255 single-byte characters.
#pragma once
#include <cstdint>
#include <string_view>

namespace runtime {

struct ShortString {
    uint8_t length = 0;
    char chars[255];

    ShortString() = default;
    ShortString(std::string_view s) { assign(s); }  // NOLINT: strings convert implicitly
    ShortString(const char* s) { assign(s); }       // NOLINT

    std::string_view view() const { return {chars, length}; }
    void assign(std::string_view s) {
        length = 0;
        append(s);
    }
    // Characters beyond the 255th are cut off.
    void append(std::string_view s) {
        for (char c : s) {
            if (length == 255) return;
            chars[length++] = c;
        }
    }
    void push(char c) {
        if (length < 255) chars[length++] = c;
    }
};

// Decimal digits of v, no leading zeros or blanks.
inline ShortString decimal(uint64_t v) {
    char digits[20];
    int n = 0;
    do {
        digits[n++] = char('0' + v % 10);
        v /= 10;
    } while (v != 0);
    ShortString s;
    while (n > 0) s.push(digits[--n]);
    return s;
}

// Upper-case hexadecimal with leading zeros, at least min_digits long.
inline ShortString hexadecimal(uint64_t v, int min_digits) {
    static constexpr char HEXDIGITS[] = "0123456789ABCDEF";
    char digits[16];
    int n = 0;
    do {
        digits[n++] = HEXDIGITS[v & 15];
        v >>= 4;
    } while (v != 0);
    while (n < min_digits && n < 16) digits[n++] = '0';
    ShortString s;
    while (n > 0) s.push(digits[--n]);
    return s;
}

}  // namespace runtime
