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
extern ScreenMetrics screen_metrics;  // read once at start-up
extern ModeTable mode_table;

// Module start-up: reads the screen metrics, builds the mode table and puts
// GRAPHEXITPROC first in the exit chain.
void initialize();

void DETECTGRAPH(int16_t& driver, int16_t& mode);
void INITGRAPH(int16_t& driver, int16_t& mode, const runtime::ShortString& path);
void CLOSEGRAPH();

int16_t GETMAXX();
int16_t GETMAXY();
uint16_t GETMAXCOLOR();

// The state a successful open leaves: viewport the whole canvas with clipping on,
// drawing colour 15, the canvas writers installed.
void set_canvas_state(int width, int height);

}  // namespace graphics
