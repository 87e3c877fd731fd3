// The helper threads: started once, parked between tasks, stopped by the exit sequence.
#include "runtime/workers.h"

#include <atomic>
#include <csignal>
#include <ctime>
#include <pthread.h>
#include <sched.h>

#include "runtime/errors.h"
#include "runtime/faults.h"
#include "runtime/fpu.h"
#include "runtime/plant.h"
#include "runtime/posix/machine.h"

namespace runtime {

namespace {

constexpr int MAX_SLOTS = 8;
// How long the exit sequence waits for the helpers to leave. One that has not left
// by then is stuck (held after its own fault, say) and ends with the process.
constexpr time_t STOP_LIMIT_SECONDS = 2;

struct Pool {
    pthread_t helpers[MAX_SLOTS - 1];
    int helper_count = 0;
    bool started = false;
    std::atomic<bool> quitting{false};
    void (*task)(int, void*) = nullptr;
    void* context = nullptr;
    std::atomic<uint32_t> generation{0};  // one step per task: wakes the helpers
    std::atomic<int> busy{0};             // helpers still inside the current task
    std::atomic<uint16_t> flags{0};
};

Pool pool;

void* helper_main(void* slot_number) {
    const int slot = int(reinterpret_cast<intptr_t>(slot_number));
    reset_fpu();
    load_control_word(FPUCW_MASKED);
    install_thread_signal_stack();
    uint32_t seen = 0;
    for (;;) {
        pool.generation.wait(seen, std::memory_order_acquire);
        seen = pool.generation.load(std::memory_order_acquire);
        if (pool.quitting.load(std::memory_order_acquire)) return nullptr;
        clear_exceptions();
        pool.task(slot, pool.context);
        pool.flags.fetch_or(exception_flags(), std::memory_order_relaxed);
        if (pool.busy.fetch_sub(1, std::memory_order_acq_rel) == 1) pool.busy.notify_one();
    }
}

// May run on any thread, a helper among them: it never joins the thread it runs on,
// and waits for the others only so long.
void stop_helpers() {
    if (!pool.started) return;
    pool.quitting.store(true, std::memory_order_release);
    pool.generation.fetch_add(1, std::memory_order_release);
    pool.generation.notify_all();
    planted_fault("workers-stop");
    timespec deadline;
    clock_gettime(CLOCK_REALTIME, &deadline);
    deadline.tv_sec += STOP_LIMIT_SECONDS;
    for (int i = 0; i < pool.helper_count; ++i)
        if (!pthread_equal(pool.helpers[i], pthread_self())) pthread_timedjoin_np(pool.helpers[i], nullptr, &deadline);
    pool.helper_count = 0;
    pool.started = false;
    pool.quitting.store(false, std::memory_order_relaxed);
}

// A process that ends without the exit sequence (a test, a benchmark) still leaves no
// thread parked in a destroyed pool.
struct StopAtProcessEnd {
    ~StopAtProcessEnd() { stop_helpers(); }
} stop_at_process_end;

// Helpers are born with the asynchronous signals blocked, so that Ctrl+C and the like
// are handled on the program's thread; their own faults are still delivered to them.
// As many as can be had: none at all leaves the calling thread to do every task.
void start_helpers() {
    sigset_t all, saved;
    sigfillset(&all);
    for (int signo : {SIGSEGV, SIGFPE, SIGILL, SIGBUS, SIGTRAP}) sigdelset(&all, signo);
    pthread_sigmask(SIG_BLOCK, &all, &saved);
    pool.generation.store(0, std::memory_order_relaxed);
    cpu_set_t set;
    int cpus = sched_getaffinity(0, sizeof set, &set) == 0 ? CPU_COUNT(&set) : 1;
    for (int slot = 1; slot < cpus && slot < MAX_SLOTS; ++slot) {
        void* slot_number = reinterpret_cast<void*>(intptr_t(slot));
        if (pthread_create(&pool.helpers[pool.helper_count], nullptr, helper_main, slot_number) != 0) break;
        ++pool.helper_count;
    }
    pthread_sigmask(SIG_SETMASK, &saved, nullptr);
    pool.started = true;
    add_finalization(stop_helpers);
}

}  // namespace

int worker_slots() {
    if (!pool.started) start_helpers();
    return 1 + pool.helper_count;
}

bool workers_stopping() { return pool.quitting.load(std::memory_order_relaxed); }

void relax_while_waiting() { machine::cpu_relax(); }

uint16_t run_on_workers(void (*task)(int slot, void* context), void* context) {
    if (!pool.started) start_helpers();
    pool.task = task;
    pool.context = context;
    pool.flags.store(0, std::memory_order_relaxed);
    pool.busy.store(pool.helper_count, std::memory_order_relaxed);
    pool.generation.fetch_add(1, std::memory_order_release);
    pool.generation.notify_all();

    uint16_t flags = run_masked(task, context);
    // A helper that faulted never comes back: the exit sequence under way on it ends
    // the process while this thread waits here.
    for (int left; (left = pool.busy.load(std::memory_order_acquire)) != 0;) pool.busy.wait(left, std::memory_order_acquire);
    return uint16_t(flags | pool.flags.load(std::memory_order_relaxed));
}

}  // namespace runtime
