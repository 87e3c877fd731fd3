// What the platform's back end (runtime/posix/ or runtime/web/, chosen when the build is
// configured) gives the run-time's common code, beside what the public headers declare.
#pragma once
#include <cstdint>

namespace runtime::platform {

// Where a raising half was called from, and the frame of the routine that called it:
// the point a report names and where its back-trace starts. Called by the raising half
// itself, and never inlined into it, so that it knows how far up to look.
struct CallerPoint {
    uintptr_t address, frame;
};
[[gnu::noinline]] CallerPoint raising_caller();

}  // namespace runtime::platform
