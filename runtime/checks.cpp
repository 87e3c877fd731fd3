// The raising halves of the run-time checks.
#include "runtime/checks.h"

#include <exception>
#include <new>
#include <unwind.h>

#include "runtime/errors.h"
#include "runtime/fpu.h"
#include "runtime/machine.h"

// The program's own code lies between these two linker symbols.
extern "C" char __executable_start[], etext[];

namespace runtime {

namespace {

// The caller's saved frame pointer: the frame of the routine that made the check.
[[gnu::always_inline]] inline uintptr_t caller_frame() {
    return *static_cast<uintptr_t*>(__builtin_frame_address(0));
}

}  // namespace

void bound_error() {
    HANDLEERRORADDRFRAME(201, uintptr_t(__builtin_return_address(0)), caller_frame());
}

void INT_OVERFLOW() {
    HANDLEERRORADDRFRAME(215, uintptr_t(__builtin_return_address(0)), caller_frame());
}

void io_error() {
    uint16_t n = INOUTRES;
    INOUTRES = 0;
    HANDLEERRORADDRFRAME(n, uintptr_t(__builtin_return_address(0)), caller_frame());
}

void RUNERROR(uint16_t n) {
    HANDLEERRORADDRFRAME(n, uintptr_t(__builtin_return_address(0)), caller_frame());
}

#if GRAVITY_EXTENDED_SOFT
// What the x87 would have trapped on: invalid operation first, as it reports it.
void fp_exception(unsigned flags) {
    const unsigned unmasked = raise_flags(flags);
    if (unmasked == 0) return;
    const uint16_t n = unmasked & soft::FLAG_INVALID ? 207 : unmasked & soft::FLAG_ZERODIVIDE ? 200 : 205;
    HANDLEERRORADDRFRAME(n, uintptr_t(__builtin_return_address(0)), caller_frame());
}
#endif

namespace {

// The first point in the program's own code below the library's frames (std::terminate,
// the throw, the allocator): the call that threw or asked for the memory. Its frame
// pointer is that routine's frame.
struct ProgramCaller {
    bool in_library = false;
    uintptr_t address = 0, frame = 0;
};

_Unwind_Reason_Code find_program_caller(_Unwind_Context* context, void* arg) {
    auto* caller = static_cast<ProgramCaller*>(arg);
    uintptr_t ip = _Unwind_GetIP(context);
    bool ours = ip >= uintptr_t(__executable_start) && ip < uintptr_t(etext);
    if (!ours) caller->in_library = true;
    if (!ours || !caller->in_library) return _URC_NO_REASON;
    caller->address = ip;
    caller->frame = _Unwind_GetGR(context, machine::FRAME_REGISTER);
    return _URC_NORMAL_STOP;
}

}  // namespace

// Called from std::terminate, on the stack of the throw: an exception that finds no
// handler is not unwound first. Memory the allocator could not obtain is a heap
// overflow; any other exception nobody handles is 217, as an unhandled processor
// exception is. Where no call of the program's own code is found, the error is
// placed at std::terminate's call, without a back-trace.
void uncaught_exception() {
    uint16_t n = 217;
    try {
        if (std::exception_ptr e = std::current_exception()) std::rethrow_exception(e);
    } catch (const std::bad_alloc&) {
        n = 203;
    } catch (...) {
    }
    ProgramCaller caller{false, uintptr_t(__builtin_return_address(0)), 0};
    _Unwind_Backtrace(find_program_caller, &caller);
    HANDLEERRORADDRFRAME(n, caller.address, caller.frame);
}

}  // namespace runtime
