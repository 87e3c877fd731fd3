// The process's asynchronous signals, all installed here: the ones that end it by
// default (one handler for all), SIGPIPE, and stop and continue. (Processor faults
// are the fault filter's.)
#pragma once

namespace runtime {

// Every signal whose default action ends the process is caught here, but those the
// fault filter takes (SIGSEGV, SIGFPE, SIGILL, SIGTRAP), SIGPIPE (ignored: a failed
// write instead), SIGKILL, and any signal ignored when the process started (under
// nohup, or an asynchronous command's SIGINT and SIGQUIT), which stays ignored. Each
// ends the process the same way: the cleanups run, then the signal itself, with its
// default action. SIGPIPE is ignored here too.
void catch_ending_signals();

// Catches this one also when it was ignored at start.
void catch_ending_signal(int signo);

// What must be undone before such a signal ends the process (the terminal's mode, a
// half-written file). A cleanup runs inside the handler: it may use only
// async-signal-safe calls on data prepared before it was added. At most four at once.
void add_signal_cleanup(void (*cleanup)());
void remove_signal_cleanup(void (*cleanup)());

// Stop (SIGTSTP) and continue (SIGCONT): before_stop runs before the process stops,
// after_continue when it goes on, also when the stop never happens (an orphaned
// process group discards it) and after a stop by SIGSTOP, which no handler sees. Both
// run inside handlers, under the same rules as the cleanups.
void handle_stop_and_continue(void (*before_stop)(), void (*after_continue)());

}  // namespace runtime
