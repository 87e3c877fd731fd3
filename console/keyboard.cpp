// Key polling and waiting on the terminal's bytes.
#include "console/keyboard.h"

#include <cerrno>
#include <chrono>
#include <ctime>
#include <sched.h>

#include "console/terminal.h"
#include "runtime/wait.h"

namespace console {

namespace {

uint8_t SCANCODE = 0;     // the pending key: a character or an extended key's code
bool SPECIALKEY = false;  // the pending key is an extended key

// How long an escape byte waits for the rest of a sequence before it is the Esc key.
constexpr int ESCAPE_WAIT_MS = 50;

KeyDecoder decoder;
bool input_ended = false;
uint8_t tail[3];  // the further bytes of a UTF-8 character whose first is pending
int tail_length = 0;
int character_rest = 0;  // bytes still to come of the character READKEY last gave
std::chrono::steady_clock::time_point last_byte_at;

// Reads no more than the decoder has room for: what is not read stays queued in the
// terminal, so keys typed ahead are never dropped.
void take_input(int timeout_ms) {
    uint8_t bytes[256];
    size_t room = decoder.room() < sizeof bytes ? decoder.room() : sizeof bytes;
    if (room == 0) return;
    size_t n = terminal::read_input(bytes, room, timeout_ms, input_ended);
    if (n > 0) {
        decoder.feed(bytes, n);
        last_byte_at = std::chrono::steady_clock::now();
    }
}

bool escape_waited_out() {
    return std::chrono::steady_clock::now() - last_byte_at >= std::chrono::milliseconds(ESCAPE_WAIT_MS);
}

void make_pending(const Key& key) {
    if (key.kind == Key::extended) {
        SPECIALKEY = true;
        SCANCODE = key.code;
        return;
    }
    SPECIALKEY = false;
    SCANCODE = key.bytes[0];
    tail_length = key.length - 1;
    for (int i = 0; i < tail_length; ++i) tail[i] = key.bytes[i + 1];
}

}  // namespace

KeyDecoder& typed_ahead() { return decoder; }

void type_line(std::string_view line) {
    decoder.feed(reinterpret_cast<const uint8_t*>(line.data()), line.size());
    decoder.feed(&CR, 1);
}

int character_bytes_pending() { return character_rest; }

bool KEYPRESSED() {
    if (SCANCODE != 0) return true;
    Key key;
    bool got = decoder.next(key, false);  // keys already read come first
    if (!got && !input_ended) take_input(0);
    if (got || decoder.next(key, input_ended || escape_waited_out())) {
        make_pending(key);
        return true;
    }
    if (input_ended && decoder.empty()) {
        SCANCODE = 13;  // the input has ended: Enter, so that every wait ends
        SPECIALKEY = false;
        return true;
    }
    return false;
}

uint8_t READKEY() {
    runtime::before_wait();
    while (!KEYPRESSED()) take_input(decoder.empty() ? -1 : ESCAPE_WAIT_MS);
    if (SPECIALKEY) {
        SPECIALKEY = false;
        return 0;  // the code stays pending for the next call
    }
    uint8_t c = SCANCODE;
    SCANCODE = 0;
    character_rest = 0;
    if (tail_length > 0) {
        SCANCODE = tail[0];
        for (int i = 1; i < tail_length; ++i) tail[i - 1] = tail[i];
        character_rest = tail_length--;
    }
    return c;
}

void DELAY(uint16_t ms) {
    runtime::before_wait();
    if (ms == 0) {
        sched_yield();
        return;
    }
    timespec left{ms / 1000, long(ms % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

}  // namespace console
