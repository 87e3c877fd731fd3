// The terminal the console services own: its descriptors, its mode (restored on
// every way out of the process), its size and the cursor position it reports.
#pragma once
#include <cstddef>
#include <cstdint>

#include "console/keys.h"

namespace console::terminal {

// Output goes to standard output when that is a terminal, else to the controlling
// terminal. False when there is neither.
bool open_output();
int output_fd();

// The character set of the terminal, as the locale (LC_CTYPE) names it.
void learn_charset();

// Input without line handling or echo, signal keys kept. The mode found at start-up
// comes back at every end, for good (nothing that arrives later changes it): the exit
// sequence, and the signals that end the process (before their default action). A
// stop gives the shell the mode found; when the process goes on, or when the stop is
// discarded, the program's mode of the moment comes back.
void enter_key_mode();
void restore_mode();

// The terminal's own line handling and echo while a file is read from it directly.
void file_read_guard(bool reading);

// Columns and rows; false when they cannot be read.
bool size(int& columns, int& rows);

// Asks the terminal where its cursor is (1-based). Keys typed meanwhile go to
// typed_ahead, as much as it has room for (the rest stays in the terminal). False
// when no answer came in time, and from then on without asking.
bool cursor_position(int& column, int& row, KeyDecoder& typed_ahead);

void write_all(const char* data, size_t n);

// Reads what input has arrived, waiting up to timeout_ms (-1: until something
// comes). Returns the bytes read; 0 on a timeout. end_of_input is set once the input
// has ended (a file or pipe at its end, a terminal gone).
size_t read_input(uint8_t* buffer, size_t capacity, int timeout_ms, bool& end_of_input);

}  // namespace console::terminal
