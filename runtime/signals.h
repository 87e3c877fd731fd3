// The asynchronous signals that end the process by default: one handler for all.
#pragma once

namespace runtime {

// Every signal whose default action ends the process is caught here, but those the
// fault filter takes (SIGSEGV, SIGFPE, SIGILL, SIGTRAP), SIGPIPE (ignored: a failed
// write instead), SIGKILL, and any signal ignored when the process started (under
// nohup, or an asynchronous command's SIGINT and SIGQUIT), which stays ignored. Each
// ends the process the same way: the cleanups run, then the signal itself, with its
// default action.
void catch_ending_signals();

// Catches this one also when it was ignored at start.
void catch_ending_signal(int signo);

// What must be undone before such a signal ends the process (the terminal's mode, a
// half-written file). A cleanup runs inside the handler: it may use only
// async-signal-safe calls on data prepared before it was added. At most four at once.
void add_signal_cleanup(void (*cleanup)());
void remove_signal_cleanup(void (*cleanup)());

}  // namespace runtime
