// The web back end's call sites: what its entry and its trap handling need of them.
#pragma once
#include <cstdint>

namespace runtime {

// A report is due only for a non-zero address: the point of an error whose site the
// engine's stack trace did not give.
inline constexpr uintptr_t UNKNOWN_SITE = 1;

// Counts the frames below the program, at the start routine's call of it: a back-trace
// ends with the start routine's own call, as the native one does.
[[gnu::noinline]] void note_program_entry();

// The chain of a trap's callers, from the sites of its stack trace (the trapping
// routine first): total of them, stored of which are at trap_sites.
uintptr_t trap_chain(const uintptr_t* trap_sites, int stored, int total);

// Error 203 at the call of operator new that could not be given its memory.
[[gnu::noinline, noreturn]] void out_of_memory();

}  // namespace runtime
