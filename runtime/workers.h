// Helper threads that share the program thread's number crunching.
#pragma once
#include <cstdint>

namespace runtime {

// The threads a shared task runs on: the calling thread and the helpers, one for
// every further processor the process may use, as many of them as could be started
// (they are started at the first call of this or of run_on_workers). 1: no helper.
int worker_slots();

// Runs task(slot, context) once for every slot from 0 to worker_slots() - 1, all at
// the same time: slot 0 on the calling thread, the others on the helpers, kept until
// the exit sequence stops them. Every slot computes under FPUCW_MASKED, so nothing
// traps; the result is the OR of the slots' exception flags, after which the caller's
// control word is back and its flags are clear.
uint16_t run_on_workers(void (*task)(int slot, void* context), void* context);

// True once the exit sequence has begun to stop the helpers: a task that waits for
// another slot's progress must give up, since that slot may never make any.
bool workers_stopping();

// The processor's hint for a thread that spins, waiting for another slot's progress.
void relax_while_waiting();

}  // namespace runtime
