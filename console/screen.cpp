// Drawing into the terminal's cells. Output is collected and sent whole at the end of
// each write statement and before each key is read.
#include "console/screen.h"

#include <cstring>

#include "console/codepage.h"
#include "console/terminal.h"

namespace console {

int32_t SCREENWIDTH = 80, SCREENHEIGHT = 25;
int32_t WINMINX = 1, WINMINY = 1, WINMAXX = 80, WINMAXY = 25;
int32_t CURRX = 1, CURRY = 1;
uint8_t TEXTATTR = 0x07;

namespace {

bool utf8_terminal = true;
int term_x = 0, term_y = 0;  // where the terminal's cursor is; 0 when not known
char out[4096];
size_t used = 0;

void flush_output() {
    terminal::write_all(out, used);
    used = 0;
}

void emit(const char* bytes, size_t n) {
    if (used + n > sizeof out) flush_output();
    std::memcpy(out + used, bytes, n);
    used += n;
}

void emit_number(int v) {
    char digits[12];
    int n = 0;
    do digits[n++] = char('0' + v % 10), v /= 10;
    while (v > 0);
    while (n > 0) emit(&digits[--n], 1);
}

void move_terminal_cursor() {
    if (term_x == CURRX && term_y == CURRY) return;
    emit("\x1b[", 2);
    emit_number(CURRY);
    emit(";", 1);
    emit_number(CURRX);
    emit("H", 1);
    term_x = CURRX;
    term_y = CURRY;
}

void put_cell(const char* bytes, size_t n) {
    move_terminal_cursor();
    emit(bytes, n);
    // In the last column the terminal holds its cursor there, waiting to wrap: the
    // next cell is placed explicitly.
    term_x = CURRX < SCREENWIDTH ? CURRX + 1 : 0;
    ++CURRX;
}

// The window scrolls up one row: the top row is lost, the bottom one blank.
void REMOVELINE() {
    emit("\x1b[", 2);
    emit_number(WINMAXY);
    emit(";1H\n", 4);
    term_x = term_y = 0;
}

void after_byte() {
    if (CURRX > WINMAXX) {
        CURRX = WINMINX;
        ++CURRY;
    }
    while (CURRY > WINMAXY) {
        REMOVELINE();
        --CURRY;
    }
}

}  // namespace

void screen_setup(int columns, int rows, int column, int row, bool cursor_known, bool utf8) {
    SCREENWIDTH = columns;
    SCREENHEIGHT = rows;
    WINMINX = WINMINY = 1;
    WINMAXX = columns;
    WINMAXY = rows;
    utf8_terminal = utf8;
    cursor_moved_elsewhere(column, row);
    if (!cursor_known) term_x = term_y = 0;  // the first cell is placed explicitly
}

void cursor_moved_elsewhere(int column, int row) {
    CURRX = column < 1 ? 1 : column > SCREENWIDTH ? SCREENWIDTH : column;
    CURRY = row < 1 ? 1 : row > SCREENHEIGHT ? SCREENHEIGHT : row;
    term_x = CURRX;
    term_y = CURRY;
}

void WRITECHAR(uint8_t c) {
    switch (c) {
    case 7: return;  // no sound, no move
    case 8:
        if (CURRX > WINMINX) --CURRX;
        break;
    case 10: ++CURRY; break;
    case 13: CURRX = WINMINX; break;
    default:
        if (!utf8_terminal) {
            char byte = c < 0x20 || c == 0x7F ? '?' : char(c);
            put_cell(&byte, 1);
        } else {
            char bytes[3];
            put_cell(bytes, size_t(utf8_encode(unicode_of(c), bytes)));
        }
    }
    after_byte();
}

void write_typed(const uint8_t* bytes, int length) {
    if (length == 1 && (bytes[0] < 0x80 || !utf8_terminal)) return WRITECHAR(bytes[0]);
    put_cell(reinterpret_cast<const char*>(bytes), size_t(length));
    after_byte();
}

void show_cursor() {
    move_terminal_cursor();
    flush_output();
}

}  // namespace console
