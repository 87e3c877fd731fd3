// The run-time checks the program's code calls: each returns, or raises its error
// at the instruction after the check's call, in the frame of the routine that checked.
#pragma once
#include <cstdint>

#include "runtime/textfile.h"

namespace runtime {

// The raising halves, kept out of line: their return address is the reported point
// and their caller's frame the reported frame. Not declared noreturn, so that the
// return address still lies inside the checking routine. INT_OVERFLOW and RUNERROR
// keep the design's names; the halves of INT_BOUNDCHECK and INT_IOCHECK are ours.
[[gnu::noinline]] void bound_error();  // 201
[[gnu::noinline]] void INT_OVERFLOW();  // 215
[[gnu::noinline]] void io_error();      // INOUTRES, cleared
[[gnu::noinline]] void RUNERROR(uint16_t n);

// The trapping flags a software extended operation raised: error 207, 200 or 205 at
// that operation, in the routine that computed, unless the thread masks them (a
// helper thread), which only gathers them.
[[gnu::noinline]] void fp_exception(unsigned flags);

[[gnu::always_inline]] inline void INT_BOUNDCHECK(int32_t value, int32_t low, int32_t high) {
    if (value < low || value > high) [[unlikely]]
        bound_error();
}

[[gnu::always_inline]] inline void INT_IOCHECK() {
    if (INOUTRES != 0) [[unlikely]]
        io_error();
}

// A checked assignment to a variable of range Low..High: the value as it will be
// stored, or error 201 at the assignment.
template <int32_t Low, int32_t High>
[[gnu::always_inline]] inline int32_t checked(int64_t value) {
    if (value < Low || value > High) [[unlikely]]
        bound_error();
    return int32_t(value);
}

using Word = uint16_t;    // 0..65535
using Coord = int16_t;    // -32768..32767

[[gnu::always_inline]] inline Word checked_word(int64_t v) { return Word(checked<0, 65535>(v)); }
[[gnu::always_inline]] inline Coord checked_coord(int64_t v) { return Coord(checked<-32768, 32767>(v)); }

}  // namespace runtime
