// The console services: they take over the standard text files INPUT and OUTPUT, so
// that the program's text is drawn on the terminal and its lines are typed into the
// line editor.
#pragma once
#include <cstdint>

#include "runtime/textfile.h"

namespace console {

// Module start-up, before the program's first statement: the terminal, its mode,
// size and cursor, and INPUT and OUTPUT bound to the console. Without a terminal for
// output it ends the process: "No way to get the console handle", exit code 1.
void initialize();

// The longest line the line editor takes: its buffer less CR LF.
inline constexpr int LINE_LIMIT = 254;

void ASSIGNCRT(runtime::TEXTREC& f);

// The line editor: one line typed, edited and echoed, left in f's buffer with CR LF.
void CRTREAD(runtime::TEXTREC& f);
// Draws f's buffered bytes and puts the cursor after them.
void CRTWRITE(runtime::TEXTREC& f);

}  // namespace console
