// The x87 control word and ROUND, or their likeness for the software extended reals.
#include "runtime/fpu.h"

namespace runtime {

#if GRAVITY_EXTENDED_SOFT

namespace {

// A new thread's words are those of an initialised unit: every exception masked.
thread_local uint16_t control_bits = bits_of(FPUCW_INITIAL);
thread_local uint16_t status_bits = 0;

}  // namespace

// Bit 6 has no function and reads as set, as on the x87.
FpuControlWord control_word() { return control_word_of(uint16_t(control_bits | 0x0040)); }
void load_control_word(FpuControlWord w) { control_bits = bits_of(w); }
uint16_t exception_flags() { return status_bits; }
void clear_exceptions() { status_bits = 0; }

void reset_fpu() {
    status_bits = 0;
    control_bits = bits_of(FPUCW);
}

unsigned raise_flags(unsigned flags) {
    const unsigned raised = flags & TRAPPING_FLAGS;
    status_bits = uint16_t(status_bits | raised);
    return raised & ~unsigned(control_bits);
}

// Kept out of line with its own frame: an error here is reported inside ROUND, one
// back-trace line deeper than its caller.
[[gnu::noinline]] int32_t ROUND(Extended x) {
    unsigned flags = 0;
    int32_t result = soft::round_int32(x.bits(), flags);
    if (flags & soft::FLAG_INVALID) fp_exception(flags);
    return result;
}

#else

FpuControlWord control_word() {
    uint16_t w;
    asm volatile("fnstcw %0" : "=m"(w));
    return control_word_of(w);
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
[[gnu::noinline]] int32_t ROUND(Extended x) {
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

#endif

uint16_t run_masked(void (*task)(int slot, void* context), void* context) {
    const FpuControlWord saved = control_word();
    load_control_word(FPUCW_MASKED);
    clear_exceptions();
    task(0, context);
    const uint16_t flags = exception_flags();
    clear_exceptions();
    load_control_word(saved);
    return flags;
}

}  // namespace runtime
