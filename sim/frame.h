// The frame loop: merge, draw, wait, erase, advance, until it is told to stop.
#pragma once

#include "sim/coords.h"

namespace sim {

// What a run of frames is handed: what happens besides the drawing, how long a frame
// stays and when the loop ends. The program's own is the window, the frame delay and
// the console's keyboard; the trace tool prints, draws into memory and counts.
class FrameIo {
public:
    virtual void drawn(int I, const ScreenCoords& s) = 0;  // body I is on the canvas
    virtual void wait() = 0;                                // the frame is complete
    virtual bool key_pressed() = 0;                         // polled after each frame
    virtual void read_key() = 0;                            // after the last frame
protected:
    ~FrameIo() = default;
};

// Runs frames until io says a key is pressed, then reads that key; at least one frame
// always runs. Its coordinate checks are its own, so a coordinate out of range is
// reported here, with the caller's frame next in the back-trace.
void FUTTAT(Simulation& simulation, FrameIo& io);

}  // namespace sim
