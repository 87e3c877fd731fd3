// The call-site side of the run-time checks in WebAssembly, where no frame chain lies
// in memory: the engine's stack trace gives the code offsets of the calls on the stack,
// and a chain in the frame pointers' layout is built from them for the report's walk.
// Memory that cannot be had is error 203 at the call that asked for it.
#include <algorithm>
#include <cstdlib>
#include <emscripten.h>
#include <new>

#include "runtime/errors.h"
#include "runtime/platform.h"
#include "runtime/web/frames.h"

namespace runtime {

namespace {

constexpr int MAX_SITES = 1024;
uintptr_t sites[MAX_SITES];
int entry_sites = 0;  // the frames of EXE_ENTRY and below, while it runs the program

// Saved frame, then return address, as the walk reads them; the last record's saved
// frame is null, as the start routine makes it.
struct FrameRecord {
    uintptr_t frame, return_address;
};
alignas(8) FrameRecord chain[MAX_SITES];

// The code offsets of the calls on the stack, innermost (the caller of this) first;
// the count of all of them, of which at most max are stored.
EM_JS(int, stack_sites, (uintptr_t* to, int max), { return gravityCallSites(new Error().stack, to, max); });

// Records for the sites from first to the start routine's, outermost last.
uintptr_t chain_from(const uintptr_t* from, int stored, int total, int first) {
    const int last = std::min(stored, total - entry_sites + 1) - 1;
    if (first > last) return 0;
    for (int i = first; i <= last; ++i)
        chain[i - first] = {i < last ? uintptr_t(&chain[i - first + 1]) : 0, from[i]};
    return uintptr_t(&chain[0]);
}

// The routine level calls above the one that took the sites, and the chain of its
// callers.
platform::CallerPoint point_at(int total, int level) {
    const uintptr_t site = level < std::min(total, MAX_SITES) ? sites[level] : UNKNOWN_SITE;
    return {site, chain_from(sites, std::min(total, MAX_SITES), total, level + 1)};
}

}  // namespace

// Each takes the sites itself, so that it is the first of them whatever the optimiser
// inlines around it.
platform::CallerPoint platform::raising_caller() {
    return point_at(stack_sites(sites, MAX_SITES), 2);  // past the raising half
}

void out_of_memory() {
    const platform::CallerPoint caller = point_at(stack_sites(sites, MAX_SITES), 2);  // past operator new
    HANDLEERRORADDRFRAME(203, caller.address, caller.frame);
}

// Not counting itself.
void note_program_entry() { entry_sites = stack_sites(sites, 0) - 1; }

uintptr_t trap_chain(const uintptr_t* trap_sites, int stored, int total) {
    return chain_from(trap_sites, stored, total, 1);
}

}  // namespace runtime

// Called by the program's code itself (the library's allocators are inlined into it).
void* operator new(size_t size) {
    if (void* p = std::malloc(size != 0 ? size : 1)) return p;
    runtime::out_of_memory();
}

void* operator new[](size_t size) {
    if (void* p = std::malloc(size != 0 ? size : 1)) return p;
    runtime::out_of_memory();
}
