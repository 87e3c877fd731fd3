// What differs between the processors the program runs on: a faulting thread's
// registers as the signal's context holds them, resuming that thread in a routine of
// ours as if it had called it, and the hint for a thread that spins.
#pragma once
#include <cstdint>
#include <ucontext.h>

#include "runtime/fpu.h"

namespace runtime::machine {

struct Registers {
    uintptr_t pc, sp, frame;
    // The x87's status and control words at the fault; without the x87, no flag and
    // every exception masked.
    uint16_t fpu_status, fpu_control;
};

#if defined(__x86_64__)

inline Registers registers_of(const ucontext_t* uc) {
    const greg_t* regs = uc->uc_mcontext.gregs;
    const auto* fpu = uc->uc_mcontext.fpregs;
    return {uintptr_t(regs[REG_RIP]), uintptr_t(regs[REG_RSP]), uintptr_t(regs[REG_RBP]),
            fpu ? fpu->swd : uint16_t(0), fpu ? fpu->cwd : bits_of(FPUCW_INITIAL)};
}

// Clears the pending exceptions the thread would trap on again, and loads control.
inline void reset_fpu_state(ucontext_t* uc, uint16_t clear_bits, uint16_t control) {
    if (auto* fpu = uc->uc_mcontext.fpregs) {
        fpu->swd &= uint16_t(~clear_bits);
        fpu->cwd = control;
    }
}

// The call's return address is a null one: the routine never returns.
inline void redirect(ucontext_t* uc, void (*target)(), uintptr_t sp, const uintptr_t (&args)[4]) {
    greg_t* regs = uc->uc_mcontext.gregs;
    sp = (sp & ~uintptr_t(15)) - 8;  // as just after a call
    *reinterpret_cast<uintptr_t*>(sp) = 0;
    regs[REG_RDI] = greg_t(args[0]);
    regs[REG_RSI] = greg_t(args[1]);
    regs[REG_RDX] = greg_t(args[2]);
    regs[REG_RCX] = greg_t(args[3]);
    regs[REG_RSP] = greg_t(sp);
    regs[REG_RIP] = greg_t(reinterpret_cast<uintptr_t>(target));
}

inline void cpu_relax() { __builtin_ia32_pause(); }

// The frame pointer's number in the unwinder's (DWARF) numbering: rbp.
constexpr int FRAME_REGISTER = 6;

#elif defined(__aarch64__)

inline Registers registers_of(const ucontext_t* uc) {
    const auto& m = uc->uc_mcontext;
    return {uintptr_t(m.pc), uintptr_t(m.sp), uintptr_t(m.regs[29]), 0, bits_of(FPUCW_INITIAL)};
}

inline void reset_fpu_state(ucontext_t*, uint16_t, uint16_t) {}

// The stack stays 16-byte aligned, as the ABI wants at every call; a null link
// register: the routine never returns.
inline void redirect(ucontext_t* uc, void (*target)(), uintptr_t sp, const uintptr_t (&args)[4]) {
    auto& m = uc->uc_mcontext;
    for (int i = 0; i < 4; ++i) m.regs[i] = args[i];
    m.regs[30] = 0;
    m.sp = sp & ~uintptr_t(15);
    m.pc = reinterpret_cast<uintptr_t>(target);
}

inline void cpu_relax() { asm volatile("yield"); }

// The frame pointer's number in the unwinder's (DWARF) numbering: x29.
constexpr int FRAME_REGISTER = 29;

#else
#error "the start-up and fault handling know x86-64 and arm64"
#endif

}  // namespace runtime::machine
