// The process's asynchronous signals: the one handler of those that end it and the
// cleanups it runs, and the handlers of stop and continue.
#include "runtime/signals.h"

#include <atomic>
#include <csignal>
#include <pthread.h>

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

void (*stopping)() = nullptr;
void (*continuing)() = nullptr;
struct sigaction stop_action;

void let_stop_through(int how) {
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTSTP);
    pthread_sigmask(how, &stop, nullptr);
}

// The stop happens inside the handler, so that when the process goes on, or when the
// stop is discarded, what continuing does runs here.
void on_stop(int) {
    stopping();
    signal(SIGTSTP, SIG_DFL);
    let_stop_through(SIG_UNBLOCK);
    raise(SIGTSTP);
    let_stop_through(SIG_BLOCK);
    sigaction(SIGTSTP, &stop_action, nullptr);
    continuing();
}

void on_continue(int) { continuing(); }

}  // namespace

void handle_stop_and_continue(void (*before_stop)(), void (*after_continue)()) {
    stopping = before_stop;
    continuing = after_continue;
    stop_action.sa_handler = on_stop;
    sigemptyset(&stop_action.sa_mask);
    sigaction(SIGTSTP, &stop_action, nullptr);
    struct sigaction sa {};
    sa.sa_handler = on_continue;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGCONT, &sa, nullptr);
}

void catch_ending_signal(int signo) {
    struct sigaction sa {};
    sa.sa_handler = end_by;
    sigfillset(&sa.sa_mask);
    sigaction(signo, &sa, nullptr);
}

void catch_ending_signals() {
    // A closed pipe is a failed write with its error number, as on a console, not a
    // signal that would end the process before it can report.
    signal(SIGPIPE, SIG_IGN);
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
