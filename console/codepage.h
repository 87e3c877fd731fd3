// The console's code page: what character each byte of the program's texts shows.
#pragma once
#include <cstdint>

namespace console {

// The character of a byte in code page 852; control bytes give their PC glyphs.
char16_t unicode_of(uint8_t byte);

// UTF-8 bytes of a character of the Basic Multilingual Plane; returns their count.
int utf8_encode(char16_t c, char out[3]);

}  // namespace console
