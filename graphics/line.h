// Lines as pixels: clipping to a rectangle and stepping from the first endpoint.
#pragma once

namespace graphics {

// Region-code clipping against xmin..xmax, ymin..ymax (inclusive). True when nothing
// is left to draw; otherwise the endpoints are replaced by those of the visible part.
bool LINECLIPPED(int& x1, int& y1, int& x2, int& y2, int xmin, int ymin, int xmax, int ymax);

// Plots every pixel from (x1, y1) to (x2, y2): one per step on the major axis, an
// exact half going towards (x2, y2). So the same four arguments always set the same
// pixels: what a red line set, the same black line clears.
void step_line(int x1, int y1, int x2, int y2, void (*plot)(int x, int y));

}  // namespace graphics
