// The console's text files and line editor.
#include "console/crt.h"

#include "console/keyboard.h"
#include "console/screen.h"
#include "console/terminal.h"
#include "runtime/checks.h"
#include "runtime/errors.h"
#include "runtime/filedriver.h"

namespace console {

using runtime::FileMode;
using runtime::TEXTREC;

namespace {

constexpr int LINE_LIMIT = 254;  // the buffer less CR LF
bool utf8 = true;

bool continuation(uint8_t b) { return utf8 && (b & 0xC0) == 0x80; }

int utf8_length(uint8_t lead) {
    if (!utf8 || lead < 0xC2) return 1;
    return lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF8 ? 4 : 1;
}

// The line being edited: bytes, the edit position P and the length L. One character
// (one cell) may take several bytes.
struct Line {
    uint8_t* b;
    int P = 0, L = 0;

    int previous(int at) const {
        do --at;
        while (at > 0 && continuation(b[at]));
        return at;
    }
    int following(int at) const {
        do ++at;
        while (at < L && continuation(b[at]));
        return at;
    }
    void draw_at_P() { write_typed(b + P, following(P) - P); }
};

void BACKSPACE(Line& line) {
    if (line.P == 0 || line.P != line.L) return;
    WRITECHAR(8);
    WRITECHAR(' ');
    WRITECHAR(8);
    line.P = line.previous(line.P);
    line.L = line.P;
}

void edit_key(Line& line, uint8_t k) {
    switch (k) {
    case 0x47:  // Home
        while (line.P > 0) line.P = line.previous(line.P), WRITECHAR(8);
        break;
    case 0x4B:  // Left
        if (line.P > 0) line.P = line.previous(line.P), WRITECHAR(8);
        break;
    case 0x4D:  // Right
        if (line.P < line.L) line.draw_at_P(), line.P = line.following(line.P);
        break;
    case 0x4F:  // End
        while (line.P < line.L) line.draw_at_P(), line.P = line.following(line.P);
        break;
    default: break;  // every other extended key is ignored
    }
}

// Overtypes the character at P with c (and the rest of its UTF-8 bytes).
void type_character(Line& line, uint8_t c) {
    uint8_t ch[4] = {c};
    int n = utf8_length(c);
    for (int i = 1; i < n; ++i) ch[i] = READKEY();
    int replaced = line.P < line.L ? line.following(line.P) - line.P : 0;
    if (line.P >= LINE_LIMIT || line.L - replaced + n > LINE_LIMIT) return;  // full: ignored
    if (replaced != n) {
        for (int i = line.L - 1; n > replaced && i >= line.P + replaced; --i) line.b[i + n - replaced] = line.b[i];
        for (int i = line.P + replaced; n < replaced && i < line.L; ++i) line.b[i + n - replaced] = line.b[i];
        line.L += n - replaced;
    }
    for (int i = 0; i < n; ++i) line.b[line.P + i] = ch[i];
    line.P += n;
    write_typed(ch, n);
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
    if (lines > 0) cursor_moved_elsewhere(1, CURRY + lines);
}

}  // namespace

void ASSIGNCRT(TEXTREC& f) {
    runtime::ASSIGN(f, "");
    f.openfunc = CRTOPEN;
}

void CRTWRITE(TEXTREC& f) {
    for (int32_t i = 0; i < f.bufpos; ++i) WRITECHAR(uint8_t(f.bufptr[i]));
    f.bufpos = 0;
    show_cursor();
}

void CRTREAD(TEXTREC& f) {
    Line line{reinterpret_cast<uint8_t*>(f.bufptr)};
    for (;;) {
        if (line.P > line.L) line.L = line.P;
        show_cursor();
        uint8_t c = READKEY();
        if (c == 0) {
            edit_key(line, READKEY());
        } else if (c == 8 || c == 19) {
            BACKSPACE(line);
        } else if (c == 13) {
            WRITECHAR(13);
            WRITECHAR(10);
            line.b[line.L] = 13;
            line.b[line.L + 1] = 10;
            line.L += 2;
            break;
        } else if (c == 25 || c == 27) {
            line.P = line.L;
            while (line.L > 0) BACKSPACE(line);
        } else if (c != 26) {
            type_character(line, c);
        }
    }
    f.bufpos = 0;
    f.bufend = line.L;
    show_cursor();
}

void initialize() {
    if (!terminal::open_output()) {
        runtime::write_statement(runtime::STDERR, "No way to get the console handle", true);
        runtime::INT_IOCHECK();
        runtime::HALT(1);
    }
    utf8 = terminal::output_is_utf8();
    int columns = 80, rows = 25;
    terminal::size(columns, rows);
    terminal::enter_key_mode();
    runtime::add_finalization(finalize);
    // Without an answer, the bottom row: a shell leaves its cursor at a line start, and
    // text written from the bottom up overwrites nothing.
    int column = 1, row = rows;
    bool known = terminal::cursor_position(column, row, typed_ahead());
    screen_setup(columns, rows, column, row, known, utf8);
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
