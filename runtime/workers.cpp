// The helper threads: started once, parked between tasks, joined by the exit sequence.
#include "runtime/workers.h"

#include <atomic>
#include <csignal>
#include <pthread.h>
#include <sched.h>
#include <thread>

#include "runtime/errors.h"
#include "runtime/faults.h"
#include "runtime/fpu.h"

namespace runtime {

namespace {

constexpr int MAX_SLOTS = 8;

struct Pool {
    std::thread helpers[MAX_SLOTS - 1];
    int helper_count = 0;
    bool started = false;
    bool quitting = false;  // written before a generation is published
    void (*task)(int, void*) = nullptr;
    void* context = nullptr;
    std::atomic<uint32_t> generation{0};  // one step per task: wakes the helpers
    std::atomic<int> busy{0};             // helpers still inside the current task
    std::atomic<uint16_t> flags{0};

    void stop() {
        if (!started) return;
        quitting = true;
        generation.fetch_add(1, std::memory_order_release);
        generation.notify_all();
        for (int i = 0; i < helper_count; ++i) helpers[i].join();
        helper_count = 0;
        quitting = false;
        started = false;
    }
    // A process that ends without the exit sequence (a test, a benchmark) still parks
    // no thread in a destroyed pool.
    ~Pool() { stop(); }
};

Pool pool;

void helper_main(int slot) {
    reset_fpu();
    load_control_word(FPUCW_MASKED);
    install_thread_signal_stack();
    uint32_t seen = 0;
    for (;;) {
        pool.generation.wait(seen, std::memory_order_acquire);
        seen = pool.generation.load(std::memory_order_acquire);
        if (pool.quitting) return;
        clear_exceptions();
        pool.task(slot, pool.context);
        pool.flags.fetch_or(exception_flags(), std::memory_order_relaxed);
        if (pool.busy.fetch_sub(1, std::memory_order_acq_rel) == 1) pool.busy.notify_one();
    }
}

void stop_helpers() { pool.stop(); }

// Helpers are born with the asynchronous signals blocked, so that Ctrl+C and the like
// are handled on the program's thread; their own faults are still delivered to them.
void start_helpers() {
    sigset_t all, saved;
    sigfillset(&all);
    for (int signo : {SIGSEGV, SIGFPE, SIGILL, SIGBUS, SIGTRAP}) sigdelset(&all, signo);
    pthread_sigmask(SIG_BLOCK, &all, &saved);
    pool.generation.store(0, std::memory_order_relaxed);
    for (int slot = 1; slot < worker_slots(); ++slot) pool.helpers[pool.helper_count++] = std::thread(helper_main, slot);
    pthread_sigmask(SIG_SETMASK, &saved, nullptr);
    pool.started = true;
    add_finalization(stop_helpers);
}

// The slot the calling thread takes: traps masked, flags collected, its own word back.
uint16_t run_masked(void (*task)(int slot, void* context), void* context) {
    FpuControlWord saved = control_word();
    load_control_word(FPUCW_MASKED);
    clear_exceptions();
    task(0, context);
    uint16_t flags = exception_flags();
    clear_exceptions();
    load_control_word(saved);
    return flags;
}

}  // namespace

int worker_slots() {
    static const int slots = [] {
        cpu_set_t set;
        int cpus = sched_getaffinity(0, sizeof set, &set) == 0 ? CPU_COUNT(&set) : 1;
        return cpus < 1 ? 1 : cpus > MAX_SLOTS ? MAX_SLOTS : cpus;
    }();
    return slots;
}

uint16_t run_on_workers(void (*task)(int slot, void* context), void* context) {
    if (!pool.started) start_helpers();
    pool.task = task;
    pool.context = context;
    pool.flags.store(0, std::memory_order_relaxed);
    pool.busy.store(pool.helper_count, std::memory_order_relaxed);
    pool.generation.fetch_add(1, std::memory_order_release);
    pool.generation.notify_all();

    uint16_t flags = run_masked(task, context);
    for (int left; (left = pool.busy.load(std::memory_order_acquire)) != 0;) pool.busy.wait(left, std::memory_order_acquire);
    return uint16_t(flags | pool.flags.load(std::memory_order_relaxed));
}

}  // namespace runtime
