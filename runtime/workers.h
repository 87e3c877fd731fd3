// Helper threads that share the program thread's number crunching.
#pragma once
#include <cstdint>

namespace runtime {

// The threads a shared task runs on: the calling thread and one helper for every
// further processor the process may use.
int worker_slots();

// Runs task(slot, context) once for every slot from 0 to worker_slots() - 1, all at
// the same time: slot 0 on the calling thread, the others on helper threads created
// at the first call and kept until the exit sequence. Every slot computes under
// FPUCW_MASKED, so nothing traps; the result is the OR of the slots' exception flags,
// after which the caller's control word is back and its flags are clear.
uint16_t run_on_workers(void (*task)(int slot, void* context), void* context);

}  // namespace runtime
