// The default colour table.
#include "graphics/palette.h"

#include <cstddef>

namespace graphics {

namespace {

constexpr RGB BASIC[16] = {
    {0, 0, 0},      {0, 0, 168},    {0, 168, 0},    {0, 168, 168},  {168, 0, 0},     {168, 0, 168},
    {168, 84, 0},   {168, 168, 168}, {84, 84, 84},  {84, 84, 252},  {84, 252, 84},   {84, 252, 252},
    {252, 84, 84},  {252, 84, 252}, {252, 252, 84}, {252, 252, 252},
};

constexpr uint16_t GREYS[16] = {0, 20, 32, 44, 56, 68, 80, 96, 112, 128, 144, 160, 180, 200, 224, 252};

// Nine blocks of 24 entries; each block's five levels L0..L4.
constexpr uint16_t LEVELS[9][5] = {
    {0, 64, 124, 188, 252},   {124, 156, 188, 220, 252}, {180, 196, 216, 232, 252},
    {0, 28, 56, 84, 112},     {56, 68, 84, 96, 112},     {80, 88, 96, 104, 112},
    {0, 16, 32, 48, 64},      {32, 40, 48, 56, 64},      {44, 48, 52, 60, 64},
};

// Entry k of a block walks the colour circle blue, magenta, red, yellow, green, cyan,
// one component one level per step.
constexpr RGB circle_entry(const uint16_t (&L)[5], int k) {
    if (k < 4) return {L[k], L[0], L[4]};
    if (k < 8) return {L[4], L[0], L[8 - k]};
    if (k < 12) return {L[4], L[k - 8], L[0]};
    if (k < 16) return {L[16 - k], L[4], L[0]};
    if (k < 20) return {L[0], L[4], L[k - 16]};
    return {L[0], L[24 - k], L[4]};
}

constexpr std::array<RGB, 256> make_default_colors() {
    std::array<RGB, 256> colors{};
    for (int i = 0; i < 16; ++i) colors[std::size_t(i)] = BASIC[i];
    for (int i = 0; i < 16; ++i) colors[std::size_t(16 + i)] = {GREYS[i], GREYS[i], GREYS[i]};
    for (int b = 0; b < 9; ++b)
        for (int k = 0; k < 24; ++k) colors[std::size_t(32 + 24 * b + k)] = circle_entry(LEVELS[b], k);
    return colors;  // 248..255 stay black
}

}  // namespace

const std::array<RGB, 256> DEFAULTCOLORS = make_default_colors();

}  // namespace graphics
