// Opening and closing the canvas window in the mode the screen allows: the mode table,
// the result code, and the shutdown hook that closes the window before a run-time
// error report.
#pragma once
#include <cstdint>

#include "graphics/modes.h"
#include "runtime/shortstring.h"

namespace graphics {

// Module start-up: starts reading the screen metrics (the window manager's answers
// are collected when the mode table is first needed, so that no window shows before
// the program asks for one) and puts GRAPHEXITPROC first in the exit chain.
void initialize();

// Completes the metrics and builds the mode table, once; DETECTGRAPH starts with it.
void build_mode_table();

void DETECTGRAPH(int16_t& driver, int16_t& mode);
void INITGRAPH(int16_t& driver, int16_t& mode, const runtime::ShortString& path);
void CLOSEGRAPH();

// The result of the last operation: 0 success, -1 not in graphics mode, -10 no such
// mode, -11 the window failed.
int16_t GRAPHRESULT();
bool ISGRAPHMODE();

// What the window system told of the screen: complete once the mode table is built.
const ScreenMetrics& screen_metrics();

}  // namespace graphics
