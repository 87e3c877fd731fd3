// The default colour table: colour number to RGB.
#pragma once
#include <array>
#include <cstdint>

namespace graphics {

struct RGB {
    uint16_t red, green, blue;  // each 4 times a 6-bit value: 0..252
};

// Entries 0..15 are the colours 16- and 256-colour modes share; 16..255 the standard
// VGA 256-colour palette, each 6-bit value times 4.
extern const std::array<RGB, 256> DEFAULTCOLORS;

// The colour numbers the program draws with, and the grey of a picture's paths.
inline constexpr uint16_t BLACK = 0, RED = 4, DARKGRAY = 8, WHITE = 15;

}  // namespace graphics
