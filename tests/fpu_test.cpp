// The control word's bits, the fault table, and the order of rounded operations.
#include <gtest/gtest.h>

#include <csignal>

#include "runtime/faults.h"
#include "runtime/fpu.h"

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
