// The drawing state and the drawing primitives: SETCOLOR, LINE with its clipping,
// PUTPIXEL, through replaceable pixel-level entry points.
#pragma once
#include <cstdint>

namespace graphics {

using Coord = int16_t;

extern uint16_t CURRENTCOLOR;
extern int16_t STARTXVIEWPORT, STARTYVIEWPORT, VIEWWIDTH, VIEWHEIGHT;  // extent minus one
extern bool CLIPPIXELS;

// The pixel-level entry points the selected mode fills in.
extern void (*DIRECTPUTPIXEL)(int x, int y);
extern void (*PUTPIXEL_ENTRY)(int x, int y, uint16_t color);
extern void (*HLINE)(int x1, int x2, int y);
extern void (*VLINE)(int x, int y1, int y2);

// Spans set pixel by pixel through DIRECTPUTPIXEL: the routines installed before a
// mode's own (and after an INITGRAPH that failed).
void generic_hline(int x1, int x2, int y);
void generic_vline(int x, int y1, int y2);

void SETCOLOR(uint16_t color);
void LINE(Coord x1, Coord y1, Coord x2, Coord y2);
void PUTPIXEL(Coord x, Coord y, uint16_t color);

// Region-code clipping against xmin..xmax, ymin..ymax (inclusive). True when nothing
// is left to draw; otherwise the endpoints are replaced by those of the visible part.
bool LINECLIPPED(int& x1, int& y1, int& x2, int& y2, int xmin, int ymin, int xmax, int ymax);

}  // namespace graphics
