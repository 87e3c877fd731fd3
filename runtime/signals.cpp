// Signals that end the process by default, routed through SIGTERM's handler.
#include "runtime/signals.h"

#include <csignal>

namespace runtime {

namespace {

// The fault filter takes SIGSEGV, SIGFPE, SIGILL and SIGTRAP; the console takes
// SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGABRT and SIGBUS; SIGPIPE is ignored. SIGKILL
// cannot be caught. The rest of the signals that end the process by default:
constexpr int OTHER_ENDING_SIGNALS[] = {SIGALRM, SIGUSR1, SIGUSR2, SIGVTALRM, SIGPROF, SIGXCPU,
                                        SIGXFSZ, SIGIO,   SIGPWR,  SIGSTKFLT, SIGSYS};

void end_by(int signo) {
    struct sigaction term {};
    // Both calls are async-signal-safe; SIGTERM's handler is looked up now, since the
    // console installs it only when it takes over the terminal.
    if (sigaction(SIGTERM, nullptr, &term) == 0 && !(term.sa_flags & SA_SIGINFO) && term.sa_handler != SIG_DFL &&
        term.sa_handler != SIG_IGN && term.sa_handler != end_by)
        term.sa_handler(signo);
    signal(signo, SIG_DFL);
    raise(signo);  // delivered with its default action once this handler returns
}

}  // namespace

void end_like_sigterm() {
    struct sigaction sa {};
    sa.sa_handler = end_by;
    sigemptyset(&sa.sa_mask);
    for (int signo : OTHER_ENDING_SIGNALS) sigaction(signo, &sa, nullptr);
    for (int signo = SIGRTMIN; signo <= SIGRTMAX; ++signo) sigaction(signo, &sa, nullptr);
}

}  // namespace runtime
