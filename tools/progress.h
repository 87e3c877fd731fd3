// A line of progress on standard error while it is a terminal: frame k of FRAMES, the
// time taken and the time left.
#pragma once

namespace tools {

// Nothing is ever shown when standard error is not a terminal.
void start_progress(unsigned long long frames);

// After frame k: a clock read, and the line drawn at the first frame and then a few
// times a second.
void show_progress(unsigned long long k);

// Erases the line before fd (1 or 2) is written to, when fd shows on the terminal: the
// text then starts on a clean line. The next update draws it again.
void make_way_for(int fd);

}  // namespace tools
