// What a processor fault is as a numbered run-time error: the same table for every
// platform's way of catching faults.
#include "runtime/faults.h"

#include <csignal>

namespace runtime {

namespace {

// x87 status word exception flags, in the order the processor would report them.
constexpr uint16_t FPU_INVALID = 0x01, FPU_DENORMAL = 0x02, FPU_ZERODIVIDE = 0x04, FPU_OVERFLOW = 0x08,
                   FPU_UNDERFLOW = 0x10;

FaultClass classify_fpe(const FaultInfo& f) {
    if (f.code == FPE_INTDIV) return {200, false};
    if (f.code == FPE_INTOVF) return {215, false};
    uint16_t unmasked = f.fpu_status & uint16_t(~f.fpu_control) & 0x3F;
    if (unmasked & FPU_INVALID) return {207, true};  // also the stack fault, which sets it too
    if (unmasked & FPU_DENORMAL) return {216, true};
    if (unmasked & FPU_ZERODIVIDE) return {200, true};
    if (unmasked & FPU_OVERFLOW) return {205, true};
    if (unmasked & FPU_UNDERFLOW) return {206, true};
    switch (f.code) {  // not the x87: an SSE fault, classified by the kernel
    case FPE_FLTINV: return {207, true};
    case FPE_FLTDIV: return {200, true};
    case FPE_FLTOVF: return {205, true};
    case FPE_FLTUND: return {206, true};
    default: return {0, false};  // inexact result: not handled
    }
}

}  // namespace

FaultClass classify_fault(const FaultInfo& f) {
    switch (f.signo) {
    case SIGFPE: return classify_fpe(f);
    case SIGSEGV: return {uint16_t(f.near_stack_pointer ? 202 : 216), false};
    case SIGILL: return {217, false};
    case SIGTRAP: return {uint16_t(f.code == TRAP_TRACE ? 217 : 0), false};
    default: return {0, false};
    }
}

}  // namespace runtime
