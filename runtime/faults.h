// Processor faults (signals) turned into numbered run-time errors.
#pragma once
#include <cstdint>

namespace runtime {

// What the fault filter knows of one fault.
struct FaultInfo {
    int signo;
    int code;              // si_code
    uint16_t fpu_status;   // x87 status word at the fault
    uint16_t fpu_control;  // x87 control word at the fault
    bool near_stack_pointer;  // the faulting address lies at the stack pointer: an overflow
};

struct FaultClass {
    uint16_t error;  // 0: not handled; the platform's default handling ends the process
    bool fpu_reset;  // floating-point rows re-initialise the unit before the exit sequence
};

FaultClass classify_fault(const FaultInfo& fault);

// Installs the handlers for SIGFPE, SIGSEGV, SIGILL and SIGTRAP, with an alternate
// stack for this thread so that a stack overflow can still be reported.
void install_fault_filter();
void remove_fault_filter();

// Prepares a thread other than the program's for its faults: its own alternate signal
// stack (each thread needs one) and its stack top, which bounds its back-trace.
void install_thread_signal_stack();

}  // namespace runtime
