// The console keyboard: polling for a key, waiting for one, and the frame delay.
#pragma once
#include <cstdint>
#include <string_view>

#include "console/keys.h"

namespace console {

// True if a key is pending or has arrived; never waits. At the end of an input that
// is not a terminal, every poll finds an Enter, so a scripted run always ends.
bool KEYPRESSED();

// Waits for a key. An extended key gives 0, then its code on the next call; a
// character typed as several UTF-8 bytes gives them one call each.
uint8_t READKEY();

// How many more bytes of the character READKEY last gave are pending (a UTF-8
// character comes one byte per call).
int character_bytes_pending();

// Sleeps ms milliseconds (0: gives up the time slice), after the canvas has put
// everything drawn on the screen.
void DELAY(uint16_t ms);

// A line as if it were typed now, its Enter too: after the keys already read, before
// those still queued in the terminal. At most 255 bytes with the Enter.
void type_line(std::string_view line);

// Keys that arrived before the keyboard was first polled (during start-up).
KeyDecoder& typed_ahead();

}  // namespace console
