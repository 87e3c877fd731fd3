// The x87 control word and ROUND.
#include "runtime/fpu.h"

namespace runtime {

FpuControlWord control_word() {
    uint16_t w;
    asm volatile("fnstcw %0" : "=m"(w));
    return std::bit_cast<FpuControlWord>(w);
}

void load_control_word(FpuControlWord w) {
    uint16_t bits = bits_of(w);
    asm volatile("fldcw %0" : : "m"(bits));
}

uint16_t exception_flags() {
    uint16_t status;
    asm volatile("fnstsw %0" : "=m"(status));
    return status & 0x3F;
}

void clear_exceptions() { asm volatile("fnclex"); }

void reset_fpu() {
    asm volatile("fninit");
    load_control_word(FPUCW);
}

// Kept out of line with its own frame: a fault here is reported inside ROUND, one
// back-trace line deeper than its caller. The fwait makes an invalid store trap here
// rather than at whatever x87 instruction the caller happens to run next.
[[gnu::noinline]] int32_t ROUND(long double x) {
    uint16_t saved;
    uint16_t round_cw = bits_of(ROUND_CW);
    int32_t result;
    asm volatile(
        "fnstcw %[saved]\n\t"
        "fldcw %[cw]\n\t"
        "fldt %[x]\n\t"
        "fistpl %[result]\n\t"
        "fwait\n\t"
        "fldcw %[saved]"
        : [saved] "=m"(saved), [result] "=m"(result)
        : [cw] "m"(round_cw), [x] "m"(x)
        : "st");
    return result;
}

}  // namespace runtime
