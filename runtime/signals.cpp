// The asynchronous signals that end the process by default: their one handler and
// the cleanups it runs.
#include "runtime/signals.h"

#include <atomic>
#include <csignal>

namespace runtime {

namespace {

// The fault filter's four, SIGPIPE and SIGKILL aside; the real-time signals besides.
constexpr int ENDING_SIGNALS[] = {SIGHUP, SIGINT, SIGQUIT, SIGABRT, SIGBUS, SIGUSR1, SIGUSR2, SIGALRM, SIGTERM,
                                  SIGSTKFLT, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF, SIGIO, SIGPWR, SIGSYS};

using Cleanup = void (*)();
std::atomic<Cleanup> cleanups[4];
static_assert(std::atomic<Cleanup>::is_always_lock_free, "read inside a signal handler");

// Every other signal is blocked meanwhile, so the cleanups run once.
void end_by(int signo) {
    for (auto& slot : cleanups)
        if (Cleanup cleanup = slot.load()) cleanup();
    signal(signo, SIG_DFL);
    raise(signo);  // delivered with its default action once this handler returns
}

}  // namespace

void catch_ending_signal(int signo) {
    struct sigaction sa {};
    sa.sa_handler = end_by;
    sigfillset(&sa.sa_mask);
    sigaction(signo, &sa, nullptr);
}

void catch_ending_signals() {
    auto catch_unless_ignored = [](int signo) {
        struct sigaction found {};
        if (sigaction(signo, nullptr, &found) == 0 && found.sa_handler != SIG_IGN) catch_ending_signal(signo);
    };
    for (int signo : ENDING_SIGNALS) catch_unless_ignored(signo);
    for (int signo = SIGRTMIN; signo <= SIGRTMAX; ++signo) catch_unless_ignored(signo);
}

void add_signal_cleanup(void (*cleanup)()) {
    for (auto& slot : cleanups) {
        Cleanup empty = nullptr;
        if (slot.compare_exchange_strong(empty, cleanup)) return;
    }
}

void remove_signal_cleanup(void (*cleanup)()) {
    for (auto& slot : cleanups) {
        Cleanup mine = cleanup;
        slot.compare_exchange_strong(mine, nullptr);
    }
}

}  // namespace runtime
