// The control word's bits, the fault table, the order of rounded operations, and the
// helper threads' masked traps.
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>

#include "runtime/faults.h"
#include "runtime/fpu.h"
#include "runtime/workers.h"

using namespace runtime;

TEST(ControlWord, ProgramWordTrapsInvalidZeroDivideAndOverflowOnly) {
    EXPECT_EQ(bits_of(FPUCW), 0x1332);
    EXPECT_FALSE(FPUCW.invalid_masked);
    EXPECT_FALSE(FPUCW.zerodivide_masked);
    EXPECT_FALSE(FPUCW.overflow_masked);
    EXPECT_TRUE(FPUCW.denormal_masked && FPUCW.underflow_masked && FPUCW.precision_masked);
    EXPECT_EQ(FPUCW.precision_control, 3);
    EXPECT_EQ(FPUCW.rounding_control, 0);
    EXPECT_EQ(bits_of(ROUND_CW), 0x1372);
    EXPECT_EQ(std::bit_cast<uint16_t>(FPUCW), 0x1332);  // the bit-fields lie where the processor reads them
}

TEST(ControlWord, RoundRestoresTheCallersWord) {
    FpuControlWord before = control_word();
    EXPECT_EQ(ROUND(2.5L), 2);
    EXPECT_EQ(ROUND(-3.5L), -4);
    EXPECT_EQ(ROUND(1e9L + 0.5L), 1000000000);
    EXPECT_EQ(bits_of(control_word()), bits_of(before));
}

TEST(FaultTable, FloatingPointConditionsByStatusWord) {
    auto fpe = [](uint16_t status) { return classify_fault({SIGFPE, FPE_FLTINV, status, 0x1332, false}); };
    EXPECT_EQ(fpe(0x0001).error, 207);
    EXPECT_EQ(fpe(0x0041).error, 207);  // stack fault
    EXPECT_EQ(fpe(0x0004).error, 200);
    EXPECT_EQ(fpe(0x0008).error, 205);
    EXPECT_EQ(fpe(0x0028).error, 205);  // overflow with a masked inexact result
    EXPECT_TRUE(fpe(0x0008).fpu_reset);
    // A masked condition is not the cause: here the division by zero is.
    EXPECT_EQ(classify_fault({SIGFPE, FPE_FLTDIV, 0x0014, 0x1332, false}).error, 200);
}

TEST(FaultTable, IntegerAndAccessFaults) {
    EXPECT_EQ(classify_fault({SIGFPE, FPE_INTDIV, 0, 0x1332, false}).error, 200);
    EXPECT_FALSE(classify_fault({SIGFPE, FPE_INTDIV, 0, 0x1332, false}).fpu_reset);
    EXPECT_EQ(classify_fault({SIGFPE, FPE_INTOVF, 0, 0x1332, false}).error, 215);
    EXPECT_EQ(classify_fault({SIGSEGV, SEGV_MAPERR, 0, 0x1332, false}).error, 216);
    EXPECT_EQ(classify_fault({SIGSEGV, SEGV_MAPERR, 0, 0x1332, true}).error, 202);
    EXPECT_EQ(classify_fault({SIGILL, ILL_ILLOPC, 0, 0x1332, false}).error, 217);
    EXPECT_EQ(classify_fault({SIGTRAP, TRAP_TRACE, 0, 0x1332, false}).error, 217);
    EXPECT_EQ(classify_fault({SIGTRAP, TRAP_BRKPT, 0, 0x1332, false}).error, 0);  // a breakpoint
}

// The compiler must keep every operation as written: reassociating this sum would
// change its last bit.
TEST(Arithmetic, OperationsAreNotReassociated) {
    volatile long double big = 1.0L, small = 0x1p-64L;
    long double a = big, b = small;
    long double left = (a + b) + b;   // each half-ulp addition ties to even: stays 1
    long double right = a + (b + b);  // one whole ulp: 1 + 2^-63
    EXPECT_EQ(left, 1.0L);
    EXPECT_EQ(right, 1.0L + 0x1p-63L);
    EXPECT_EQ(__LDBL_MANT_DIG__, 64);
}

// The helper threads: every slot once per task, under masked traps, flags handed back.
namespace {

// Bit 6 has no function; processors read it back as they please.
uint16_t meaning(FpuControlWord w) { return bits_of(w) & ~0x0040; }

struct SlotLog {
    std::atomic<int> runs[8]{};
    uint16_t words[8]{};
    int divide_on = -1;  // the slot that divides by zero
};

void log_slot(int slot, void* context) {
    auto* log = static_cast<SlotLog*>(context);
    log->runs[slot].fetch_add(1);
    log->words[slot] = meaning(control_word());
    volatile long double zero = 0;
    if (slot == log->divide_on) [[maybe_unused]] volatile long double inf = 1.0L / zero;
}

}  // namespace

TEST(Workers, EverySlotRunsOnceATaskUnderMaskedTraps) {
    reset_fpu();
    SlotLog log;
    for (int task = 0; task < 3; ++task) EXPECT_EQ(run_on_workers(log_slot, &log) & TRAPPING_FLAGS, 0);
    ASSERT_GE(worker_slots(), 1);
    for (int slot = 0; slot < 8; ++slot) {
        EXPECT_EQ(log.runs[slot].load(), slot < worker_slots() ? 3 : 0) << "slot " << slot;
        if (slot < worker_slots()) {
            EXPECT_EQ(log.words[slot], 0x133F) << "slot " << slot;
        }
    }
    EXPECT_EQ(meaning(control_word()), meaning(FPUCW));
}

TEST(Workers, AnySlotsFaultComesBackAsAFlagAndTheCallerIsClear) {
    reset_fpu();
    for (int slot = 0; slot < worker_slots(); ++slot) {
        SlotLog log;
        log.divide_on = slot;
        EXPECT_EQ(run_on_workers(log_slot, &log) & TRAPPING_FLAGS, 0x0004) << "slot " << slot;
        EXPECT_EQ(exception_flags() & TRAPPING_FLAGS, 0);
        EXPECT_EQ(meaning(control_word()), meaning(FPUCW));
    }
    SlotLog quiet;  // flags do not linger into the next task
    EXPECT_EQ(run_on_workers(log_slot, &quiet) & TRAPPING_FLAGS, 0);
}
