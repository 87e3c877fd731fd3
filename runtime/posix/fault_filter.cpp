// The fault filter: turns a signal into its error, which the faulting thread then raises
// in the error path instead of going on at the faulting instruction.
#include "runtime/faults.h"

#include <csignal>
#include <cstdlib>
#include <pthread.h>
#include <ucontext.h>

#include "runtime/errors.h"
#include "runtime/fpu.h"
#include "runtime/posix/machine.h"

namespace runtime {

namespace {

constexpr int HANDLED_SIGNALS[] = {SIGFPE, SIGSEGV, SIGILL, SIGTRAP};

// Exception flags, stack fault, error summary and busy: cleared so that the error path
// does not trap again on its first x87 instruction.
constexpr uint16_t FPU_PENDING_BITS = 0x80FF;

// Each thread's alternate stack, on which the fault filter runs.
constexpr size_t SIGNAL_STACK_SIZE = 64 * 1024;
alignas(16) char main_signal_stack[SIGNAL_STACK_SIZE];
// Where the error path runs after a stack overflow: the thread's own stack is full.
alignas(16) char overflow_stack[256 * 1024];

// An access that faults this far below the stack pointer (a routine's locals, touched
// before the pointer has moved over them) or within a page above it (a push, a call)
// is the stack running into its guard: a stack overflow, not a stray pointer.
constexpr uintptr_t OVERFLOW_REACH_BELOW_SP = 64 * 1024;
constexpr uintptr_t OVERFLOW_REACH_ABOVE_SP = 4096;
// The error path is entered as if called from the faulting routine, whose red zone
// (the bytes below the stack pointer that a leaf routine may use without moving it)
// must survive: its frame is the back-trace's first.
constexpr uintptr_t RED_ZONE = 128;

// A thread that already has an alternate stack (a sanitizer gives every thread one,
// and takes it back itself when the thread ends) keeps it.
void use_signal_stack(char* stack, size_t size) {
    stack_t current{};
    if (sigaltstack(nullptr, &current) == 0 && !(current.ss_flags & SS_DISABLE)) return;
    stack_t ss{};
    ss.ss_sp = stack;
    ss.ss_size = size;
    sigaltstack(&ss, nullptr);
}

// Entered in place of the faulting instruction, on the faulting thread, as if called
// from there; not a signal handler, so the whole exit sequence may run.
[[noreturn]] void fault_error_path(uint16_t error, uintptr_t address, uintptr_t frame, bool fpu_reset) {
    if (fpu_reset) reset_fpu();
    HANDLEERRORADDRFRAME(error, address, frame);
}

void fault_filter(int signo, siginfo_t* info, void* context) {
    auto* uc = static_cast<ucontext_t*>(context);
    const machine::Registers regs = machine::registers_of(uc);
    uintptr_t fault_address = uintptr_t(info->si_addr);
    FaultClass fault = classify_fault(
        {signo, info->si_code, regs.fpu_status, regs.fpu_control,
         signo == SIGSEGV && fault_address + OVERFLOW_REACH_BELOW_SP >= regs.sp &&
             fault_address < regs.sp + OVERFLOW_REACH_ABOVE_SP});
    if (fault.error == 0) {
        signal(signo, SIG_DFL);  // returning re-runs the instruction under the default action
        if (signo == SIGTRAP) raise(signo);
        return;
    }
    if (fault.fpu_reset) machine::reset_fpu_state(uc, FPU_PENDING_BITS, bits_of(FPUCW));
    uintptr_t frame = regs.frame;
    uintptr_t top = stack_top();
    if (frame < regs.sp || (top != 0 && frame >= top)) frame = 0;  // not a frame of ours
    uintptr_t new_sp = fault.error == 202 ? uintptr_t(overflow_stack + sizeof overflow_stack) : regs.sp - RED_ZONE;
    // For x87 faults, the faulting address is the instruction that delivered it.
    machine::redirect(uc, reinterpret_cast<void (*)()>(&fault_error_path), new_sp,
                      {fault.error, regs.pc, frame, fault.fpu_reset});
}

}  // namespace

void install_thread_signal_stack() {
    alignas(16) static thread_local char stack[SIGNAL_STACK_SIZE];
    use_signal_stack(stack, sizeof stack);
    pthread_attr_t attr;
    void* low = nullptr;
    size_t size = 0;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return;
    if (pthread_attr_getstack(&attr, &low, &size) == 0) note_stack_top(uintptr_t(low) + size);
    pthread_attr_destroy(&attr);
}

void install_fault_filter() {
    use_signal_stack(main_signal_stack, sizeof main_signal_stack);
    struct sigaction sa {};
    sa.sa_sigaction = fault_filter;
    sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&sa.sa_mask);
    for (int signo : HANDLED_SIGNALS) sigaction(signo, &sa, nullptr);
}

void remove_fault_filter() {
    for (int signo : HANDLED_SIGNALS) signal(signo, SIG_DFL);
}

}  // namespace runtime
