// The frame-pointer side of the run-time checks: the routine that called a raising half,
// and the program's own call below the library's frames when memory ran out.
#include <exception>
#include <new>
#include <unwind.h>

#include "runtime/posix/frames.h"
#include "runtime/errors.h"
#include "runtime/platform.h"
#include "runtime/posix/machine.h"

// The program's own code lies between these two linker symbols.
extern "C" char __executable_start[], etext[];

namespace runtime {

// A frame record is the saved frame pointer, then the return address. This routine's
// record leads to the raising half's, which holds the point in the checking routine
// and that routine's frame.
platform::CallerPoint platform::raising_caller() {
    const auto* raising_half = *static_cast<uintptr_t* const*>(__builtin_frame_address(0));
    return {raising_half[1], raising_half[0]};
}

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
