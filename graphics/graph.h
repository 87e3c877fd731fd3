// The graphics state: the mode table from the screen, opening and closing the canvas
// window, the result code, and the shutdown hook that closes the window before a
// run-time error report.
#pragma once
#include <cstdint>

#include "graphics/modes.h"
#include "runtime/shortstring.h"

namespace graphics {

extern int16_t GRAPHRESULT;  // 0 success, -1 not in graphics mode, -11 window failed
extern bool ISGRAPHMODE;
extern ScreenMetrics screen_metrics;  // complete once the mode table is built
extern ModeTable mode_table;

// Module start-up: starts reading the screen metrics (the window manager's answers
// are collected when the mode table is first needed, so that no window shows before
// the program asks for one) and puts GRAPHEXITPROC first in the exit chain.
void initialize();

// Completes the metrics and builds the mode table, once; DETECTGRAPH starts with it.
void build_mode_table();

void DETECTGRAPH(int16_t& driver, int16_t& mode);
void INITGRAPH(int16_t& driver, int16_t& mode, const runtime::ShortString& path);
void CLOSEGRAPH();

int16_t GETMAXX();
int16_t GETMAXY();
uint16_t GETMAXCOLOR();

}  // namespace graphics
