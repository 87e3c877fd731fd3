// Drawing into the terminal's cells. Output is collected and sent whole at the end of
// each write statement and before each key is read.
#include "console/screen.h"

#include <cstring>

#include "console/codepage.h"
#include "console/terminal.h"
#include "runtime/shortstring.h"

namespace console {

namespace {

// The text window is the whole screen: it starts in the first row and column.
constexpr int32_t WINMINX = 1;
int32_t SCREENWIDTH = 80, SCREENHEIGHT = 25;  // 80 by 25 when the size cannot be read
int32_t WINMAXX = 80, WINMAXY = 25;
int32_t CURRX = 1, CURRY = 1;  // the module's cursor

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
    const runtime::ShortString digits = runtime::decimal(uint64_t(v));
    emit(digits.chars, digits.length);
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

void screen_setup(int columns, int rows, int column, int row, bool cursor_known) {
    SCREENWIDTH = columns;
    SCREENHEIGHT = rows;
    WINMAXX = columns;
    WINMAXY = rows;
    cursor_moved_elsewhere(column, row);
    if (!cursor_known) term_x = term_y = 0;  // the first cell is placed explicitly
}

void cursor_moved_elsewhere(int column, int row) {
    CURRX = column < 1 ? 1 : column > SCREENWIDTH ? SCREENWIDTH : column;
    CURRY = row < 1 ? 1 : row > SCREENHEIGHT ? SCREENHEIGHT : row;
    term_x = CURRX;
    term_y = CURRY;
}

void lines_echoed(int lines) { cursor_moved_elsewhere(1, CURRY + lines); }
int cursor_column() { return CURRX; }
int cursor_row() { return CURRY; }

void WRITECHAR(uint8_t c) {
    switch (c) {
    case BEL: return;  // no sound, no move
    case BS:
        if (CURRX > WINMINX) --CURRX;
        break;
    case LF: ++CURRY; break;
    case CR: CURRX = WINMINX; break;
    default: {
        char glyph[4];
        put_cell(glyph, size_t(glyph_of_byte(c, glyph)));
    }
    }
    after_byte();
}

void write_typed(const uint8_t* bytes, int length) {
    if (length == 1) return WRITECHAR(bytes[0]);  // a byte alone is a code page 852 byte
    char glyph[4];
    put_cell(glyph, size_t(glyph_of_typed(bytes, length, glyph)));
    after_byte();
}

void show_cursor() {
    move_terminal_cursor();
    flush_output();
}

}  // namespace console
