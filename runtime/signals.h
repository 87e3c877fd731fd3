// The asynchronous signals that end the process by default.
#pragma once

namespace runtime {

// Every signal whose default action ends the process and that neither the fault
// filter nor SIGPIPE's ignoring already takes is made to end it as SIGTERM does: by
// whatever handler SIGTERM has when the signal arrives (the console's puts the
// terminal back, then ends the process by the signal it was given), and in any case
// by the signal itself, with its default action. So a handler that cleans up on
// SIGTERM must take the signal's number as given and end the process by that number.
void end_like_sigterm();

}  // namespace runtime
