// The console's screen: the module's cursor and text window, and drawing bytes into
// the terminal's cells with explicit cursor moves, so that wrapping at the right edge
// and scrolling at the bottom are the module's own.
#pragma once
#include <cstdint>

namespace console {

// Sets up the screen: its size and where the module's cursor starts (where the
// terminal's cursor is, when it said so).
void screen_setup(int columns, int rows, int column, int row, bool cursor_known);

// One byte of the program's text, in code page 852: 7 nothing, 8 left, 10 down,
// 13 to the first column, anything else one cell, in the terminal's character set.
void WRITECHAR(uint8_t c);

// One typed character: one cell. A UTF-8 sequence shows its character; a byte
// alone (as the code of an extended key typed into a line) its code page 852 glyph.
void write_typed(const uint8_t* bytes, int length);

// Puts the terminal's cursor at the module's cursor and sends everything drawn.
void show_cursor();

// The terminal's cursor has moved by other ways: the module's cursor is taken from it.
void cursor_moved_elsewhere(int column, int row);

// Lines the terminal itself echoed and ended: the module's cursor goes to the first
// column, that many rows down.
void lines_echoed(int lines);

// Where the module's cursor is (from 1).
int cursor_column();
int cursor_row();

}  // namespace console
