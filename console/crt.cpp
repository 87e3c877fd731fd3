// The console's text files and line editor.
#include "console/crt.h"

#include "console/keyboard.h"
#include "console/screen.h"
#include "console/terminal.h"
#include "runtime/checks.h"
#include "runtime/errors.h"
#include "runtime/filedriver.h"
#include "runtime/in_words.h"

namespace console {

using runtime::FileMode;
using runtime::TEXTREC;

namespace {

// The keys of the line editor: characters, and extended keys by their codes.
constexpr uint8_t EXTENDED = 0, BACKSPACE_KEY = BS, ENTER = CR;
constexpr uint8_t HOME = 0x47, LEFT = 0x4B, RIGHT = 0x4D, END = 0x4F;

// The line being edited: bytes, the edit position and the length. One character
// (one cell) may take several bytes; start marks the first byte of each.
struct Line {
    uint8_t* bytes;
    int position = 0, length = 0;
    bool start[256] = {};

    int previous(int at) const {
        do --at;
        while (at > 0 && !start[at]);
        return at;
    }
    int following(int at) const {
        do ++at;
        while (at < length && !start[at]);
        return at;
    }
    void draw_at_position() { write_typed(bytes + position, following(position) - position); }
    void step_left() {
        position = previous(position);
        WRITECHAR(BS);
    }
    void step_right() {
        draw_at_position();
        position = following(position);
    }
    // Moves the bytes from at to the end by delta, their marks with them.
    void shift_rest(int at, int delta) {
        for (int k = 0; k < length - at; ++k) {
            int i = delta > 0 ? length - 1 - k : at + k;  // from the end when moving right
            bytes[i + delta] = bytes[i];
            start[i + delta] = start[i];
        }
        length += delta;
    }
};

void BACKSPACE(Line& line) {
    if (line.position == 0 || line.position != line.length) return;
    WRITECHAR(BS);
    WRITECHAR(' ');
    WRITECHAR(BS);
    line.position = line.previous(line.position);
    line.length = line.position;
}

void edit_key(Line& line, uint8_t k) {
    switch (k) {
    case HOME:
        while (line.position > 0) line.step_left();
        break;
    case LEFT:
        if (line.position > 0) line.step_left();
        break;
    case RIGHT:
        if (line.position < line.length) line.step_right();
        break;
    case END:
        while (line.position < line.length) line.step_right();
        break;
    default: break;  // every other extended key is ignored
    }
}

// Overtypes the character at position with c and the rest of its bytes.
void type_character(Line& line, uint8_t c) {
    uint8_t ch[4] = {c};
    int n = 1;
    while (n < 4 && character_bytes_pending() > 0) ch[n++] = READKEY();
    int replaced = line.position < line.length ? line.following(line.position) - line.position : 0;
    if (line.position >= LINE_LIMIT || line.length - replaced + n > LINE_LIMIT) return;  // full: ignored
    if (replaced != n) line.shift_rest(line.position + replaced, n - replaced);
    for (int i = 0; i < n; ++i) {
        line.bytes[line.position + i] = ch[i];
        line.start[line.position + i] = i == 0;
    }
    line.position += n;
    write_typed(ch, n);
}

// Whatever else writes to the terminal (a message on standard error, a library's
// warning) moves its cursor: the module's cursor follows, so that its next text goes
// below that and overwrites nothing.
void follow_terminal_cursor() {
    int column, row;
    if (terminal::cursor_position(column, row, typed_ahead()) && (column != cursor_column() || row != cursor_row()))
        cursor_moved_elsewhere(column, row);
}

void CRTOPEN(TEXTREC& f);
void CRTRETURN(TEXTREC&) {}
void CRTCLOSE(TEXTREC& f) { f.mode = FileMode::closed; }

void CRTOPEN(TEXTREC& f) {
    if (f.mode == FileMode::output) {
        f.inoutfunc = CRTWRITE;
        f.flushfunc = CRTWRITE;
    } else {
        f.mode = FileMode::input;
        f.inoutfunc = CRTREAD;
        f.flushfunc = CRTRETURN;
    }
    f.closefunc = CRTCLOSE;
}

void finalize() {
    show_cursor();
    terminal::restore_mode();
}

// A parameter file read straight from the terminal gets the terminal's own line
// handling and echo. Each line it read was echoed and ended there, so the module's
// cursor follows to the start of the next row. (Asking the terminal instead would
// take the user's next lines out of the file.)
void file_read_guard(const char* data, int32_t length) {
    terminal::file_read_guard(data == nullptr);
    if (data == nullptr) return;
    int lines = 0;
    for (int32_t i = 0; i < length; ++i) lines += data[i] == '\n';
    if (lines > 0) lines_echoed(lines);
}

}  // namespace

void ASSIGNCRT(TEXTREC& f) {
    runtime::ASSIGN(f, "");
    f.openfunc = CRTOPEN;
}

void CRTWRITE(TEXTREC& f) {
    follow_terminal_cursor();
    for (int32_t i = 0; i < f.bufpos; ++i) WRITECHAR(uint8_t(f.bufptr[i]));
    f.bufpos = 0;
    show_cursor();
}

void CRTREAD(TEXTREC& f) {
    follow_terminal_cursor();
    Line line{reinterpret_cast<uint8_t*>(f.bufptr)};
    for (;;) {
        if (line.position > line.length) line.length = line.position;
        show_cursor();
        uint8_t c = READKEY();
        if (c == ENTER) break;
        switch (c) {
        case EXTENDED: edit_key(line, READKEY()); break;
        case BACKSPACE_KEY:
        case CTRL_S: BACKSPACE(line); break;
        case CTRL_Y:
        case ESC:
            line.position = line.length;
            while (line.length > 0) BACKSPACE(line);
            break;
        case CTRL_Z: break;
        default: type_character(line, c);
        }
    }
    WRITECHAR(CR);
    WRITECHAR(LF);
    line.bytes[line.length] = CR;
    line.bytes[line.length + 1] = LF;
    f.bufpos = 0;
    f.bufend = line.length + 2;
    show_cursor();
}

void initialize() {
    if (!terminal::open_output()) {
        runtime::write_statement(runtime::STDERR, "No way to get the console handle", true);
        runtime::INT_IOCHECK();
        runtime::say_in_words("the dialogue needs a terminal: start it from one (ssh -t for a command over ssh)");
        runtime::HALT(1);
    }
    terminal::learn_charset();
    int columns = 80, rows = 25;
    terminal::size(columns, rows);
    terminal::enter_key_mode();
    runtime::add_finalization(finalize);
    // Without an answer, the bottom row: a shell leaves its cursor at a line start, and
    // text written from the bottom up overwrites nothing.
    int column = 1, row = rows;
    bool known = terminal::cursor_position(column, row, typed_ahead());
    screen_setup(columns, rows, column, row, known);
    runtime::set_terminal_read_guard(file_read_guard);
    ASSIGNCRT(runtime::OUTPUT);
    runtime::REWRITE(runtime::OUTPUT);
    runtime::INT_IOCHECK();
    runtime::OUTPUT.handle = terminal::output_fd();
    ASSIGNCRT(runtime::INPUT);
    runtime::RESET(runtime::INPUT);
    runtime::INT_IOCHECK();
    runtime::INPUT.handle = 0;
}

}  // namespace console
