// Terminal bytes into key presses: characters and extended keys with the PC
// keyboard's codes.
#pragma once
#include <cstddef>
#include <cstdint>

namespace console {

// The control characters the console knows by name.
inline constexpr uint8_t NUL = 0, BEL = 7, BS = 8, TAB = 9, LF = 10, CR = 13, CTRL_S = 19, CTRL_Y = 25, CTRL_Z = 26,
                         ESC = 27, DEL = 127;

// Modifier state bits of a key event.
inline constexpr uint32_t RIGHT_ALT = 0x1, LEFT_ALT = 0x2, RIGHT_CTRL = 0x4, LEFT_CTRL = 0x8, SHIFT = 0x10;

// The code of an extended key from its keyboard scan code and the modifiers held:
// Alt before Ctrl before Shift. (Alt with a keypad digit never arrives from a
// terminal, so no virtual-key code is needed.)
uint8_t REMAPSCANCODE(uint16_t scan, uint32_t modifiers);

struct Key {
    enum Kind : uint8_t { character, extended } kind = character;
    uint8_t code = 0;      // extended: the code READKEY gives after its 0
    uint16_t scan = 0;     // extended: the keyboard scan code and the modifiers held
    uint32_t modifiers = 0;
    uint8_t length = 0;    // character: its bytes (one, or a whole UTF-8 sequence)
    uint8_t bytes[4] = {};
};

// Collects bytes as they arrive, reads split across calls included, and hands out one
// key press at a time. An escape byte with nothing after it may begin a sequence:
// it stays pending until more bytes come or the caller says the input is idle.
class KeyDecoder {
public:
    void feed(const uint8_t* data, size_t n);
    // The next key, if one is complete. With input_idle, an incomplete sequence is
    // taken as it stands (a lone escape is the Esc key).
    bool next(Key& key, bool input_idle);
    bool empty() const { return length_ == 0; }
    // Bytes it can take: input is read no faster than keys are taken, so nothing
    // typed ahead is lost however much it is.
    size_t room() const { return sizeof buffer_ - length_; }

private:
    void drop(size_t n);
    uint8_t buffer_[256] = {};
    size_t length_ = 0;
};

}  // namespace console
