// The x87 control word every thread computes under, and rounding to a 32-bit integer.
// With the software extended reals, each thread's control and status words are kept
// in memory with the same bits, and the software raises what the x87 would trap on.
#pragma once
#include <cstdint>

#include "runtime/extended.h"

namespace runtime {

// The x87 control word, bit by bit. A set mask bit lets the processor produce its
// default result; a clear one makes the condition trap (SIGFPE on the next x87
// instruction that waits).
struct FpuControlWord {
    uint16_t invalid_masked : 1;     // bit 0: 0/0, inf-inf, sqrt(-1), bad integer store
    uint16_t denormal_masked : 1;    // bit 1: denormal operand
    uint16_t zerodivide_masked : 1;  // bit 2: finite non-zero / 0
    uint16_t overflow_masked : 1;    // bit 3: result beyond the extended range
    uint16_t underflow_masked : 1;   // bit 4: tiny result (gradual underflow when masked)
    uint16_t precision_masked : 1;   // bit 5: inexact result
    uint16_t reserved6 : 1;          // bit 6: no function
    uint16_t reserved7 : 1;
    uint16_t precision_control : 2;  // bits 8-9: 3 = 64-bit significand (80-bit format)
    uint16_t rounding_control : 2;   // bits 10-11: 0 = to nearest, ties to even
    uint16_t infinity_control : 1;   // bit 12: ignored by every processor since the 387
    uint16_t reserved13 : 3;
};
static_assert(sizeof(FpuControlWord) == 2, "the x87 control word is 16 bits");

// The word's 16 bits, spelled out (not every compiler can bit_cast bit-fields in a
// constant expression; the layout itself is checked by the tests).
inline constexpr uint16_t bits_of(FpuControlWord w) {
    return uint16_t(w.invalid_masked | w.denormal_masked << 1 | w.zerodivide_masked << 2 | w.overflow_masked << 3 |
                    w.underflow_masked << 4 | w.precision_masked << 5 | w.reserved6 << 6 | w.reserved7 << 7 |
                    w.precision_control << 8 | w.rounding_control << 10 | w.infinity_control << 12 |
                    w.reserved13 << 13);
}

// The word with these 16 bits, field by field (std::bit_cast is not in every C++
// library this builds with).
inline constexpr FpuControlWord control_word_of(uint16_t bits) {
    FpuControlWord w{};
    w.invalid_masked = bits & 1;
    w.denormal_masked = bits >> 1 & 1;
    w.zerodivide_masked = bits >> 2 & 1;
    w.overflow_masked = bits >> 3 & 1;
    w.underflow_masked = bits >> 4 & 1;
    w.precision_masked = bits >> 5 & 1;
    w.reserved6 = bits >> 6 & 1;
    w.reserved7 = bits >> 7 & 1;
    w.precision_control = bits >> 8 & 3;
    w.rounding_control = bits >> 10 & 3;
    w.infinity_control = bits >> 12 & 1;
    w.reserved13 = bits >> 13 & 7;
    return w;
}
static_assert(bits_of(control_word_of(0xABCD)) == 0xABCD);

// The program's word: invalid operation, division by zero and overflow trap;
// denormal, underflow and precision do not; 64-bit precision; round to nearest even.
inline constexpr FpuControlWord FPUCW = [] {
    FpuControlWord w{};
    w.denormal_masked = 1;
    w.underflow_masked = 1;
    w.precision_masked = 1;
    w.precision_control = 3;
    w.infinity_control = 1;
    return w;
}();
static_assert(bits_of(FPUCW) == 0x1332);

// ROUND's word differs only in the functionless bit 6.
inline constexpr FpuControlWord ROUND_CW = [] {
    FpuControlWord w = FPUCW;
    w.reserved6 = 1;
    return w;
}();
static_assert(bits_of(ROUND_CW) == 0x1372);

// A worker thread's word: the same, but the three trapping conditions only raise
// their flags, which the worker reads after its task (see exception_flags).
inline constexpr FpuControlWord FPUCW_MASKED = [] {
    FpuControlWord w = FPUCW;
    w.invalid_masked = 1;
    w.zerodivide_masked = 1;
    w.overflow_masked = 1;
    return w;
}();
static_assert(bits_of(FPUCW_MASKED) == 0x133F);

// An initialised unit's word (fninit): every exception masked, 64-bit precision, to
// nearest. A new thread starts with it, and the C library's formatting runs under it.
inline constexpr FpuControlWord FPUCW_INITIAL = {.invalid_masked = 1, .denormal_masked = 1, .zerodivide_masked = 1,
                                                  .overflow_masked = 1, .underflow_masked = 1, .precision_masked = 1,
                                                  .reserved6 = 1, .reserved7 = 0, .precision_control = 3,
                                                  .rounding_control = 0, .infinity_control = 0, .reserved13 = 0};
static_assert(bits_of(FPUCW_INITIAL) == 0x037F);

// The status word's sticky flags of the conditions FPUCW traps on: invalid
// operation (bit 0, a stack fault included), division by zero (2), overflow (3).
inline constexpr uint16_t TRAPPING_FLAGS = 0x000D;

FpuControlWord control_word();
void load_control_word(FpuControlWord w);

// The status word's six exception flags, and clearing them (fnclex). The software
// extended reals keep only the three that trap.
uint16_t exception_flags();
void clear_exceptions();

// task(0, context) on the calling thread, as a worker slot runs it: with every
// exception masked, and the flags it raised returned; the thread's own word is put back.
uint16_t run_masked(void (*task)(int slot, void* context), void* context);

#if GRAVITY_EXTENDED_SOFT
// Raises the trapping ones of the flags an operation gave; returns those the
// thread's control word does not mask.
unsigned raise_flags(unsigned flags);
#endif

// Re-initialises the unit (clearing any pending exception) and loads FPUCW.
void reset_fpu();

// Nearest 32-bit integer, ties to even. A NaN, an infinity or a value that does not
// fit raises 207 from inside ROUND itself.
int32_t ROUND(Extended x);

}  // namespace runtime
