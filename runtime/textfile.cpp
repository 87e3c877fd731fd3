// Opening, writing and closing text files through their drivers; the pending error and
// the standard text files.
#include "runtime/textfile.h"

namespace runtime {

uint16_t INOUTRES = 0;
TEXTREC INPUT, OUTPUT, STDOUT, STDERR;

namespace {

bool is_open(const TEXTREC& f) { return f.mode == FileMode::input || f.mode == FileMode::output; }

void OPENTEXT(TEXTREC& f, FileMode mode) {
    if (INOUTRES != 0) return;
    if (f.mode != FileMode::closed && !is_open(f)) {
        fail_on(f, 102);
        return;
    }
    if (is_open(f)) CLOSE(f);
    f.mode = mode;
    f.bufpos = 0;
    f.bufend = 0;
    f.openfunc(f);
    if (INOUTRES != 0) f.mode = FileMode::closed;
}

// Whether bytes may be written; sets 105 or 103 when not.
bool writable(TEXTREC& f) {
    if (f.mode == FileMode::output) return true;
    fail_on(f, f.mode == FileMode::input ? 105 : 103);
    return false;
}

void put_byte(TEXTREC& f, char c) {
    if (f.bufpos >= f.bufsize) f.inoutfunc(f);
    f.bufptr[f.bufpos++] = c;
}

void flush(TEXTREC& f) {
    if (f.flushfunc != nullptr) f.flushfunc(f);
}

IoFailure io_failure;

}  // namespace

std::string_view name_of(const TEXTREC& f) {
    if (f.shown_name != nullptr) return f.shown_name;
    if (f.name[0] != '\0') return f.name;
    if (f.handle == 2) return "standard error";
    return f.mode == FileMode::input ? "standard input" : "standard output";
}

void fail_on(const TEXTREC& f, uint16_t n, const ShortString* token) {
    INOUTRES = n;
    const std::string_view name = name_of(f).substr(0, sizeof io_failure.file - 1);
    name.copy(io_failure.file, name.size());
    io_failure.file[name.size()] = '\0';
    io_failure.has_token = token != nullptr;
    if (token != nullptr) io_failure.token = *token;
    io_failure.code = n;
}

const IoFailure& last_io_failure() { return io_failure; }

void RESET(TEXTREC& f) { OPENTEXT(f, FileMode::input); }
void REWRITE(TEXTREC& f) { OPENTEXT(f, FileMode::output); }

void CLOSE(TEXTREC& f) {
    if (!is_open(f)) {
        if (INOUTRES == 0) fail_on(f, 103);
        return;
    }
    if (f.mode != FileMode::input && f.inoutfunc != nullptr) f.inoutfunc(f);
    if (f.closefunc != nullptr) f.closefunc(f);
    f.mode = FileMode::closed;
}

void WRITE_STR(int32_t width, TEXTREC& f, const ShortString& s) {
    if (INOUTRES != 0 || !writable(f)) return;
    for (int32_t pad = width - s.length; pad > 0; --pad) put_byte(f, ' ');
    for (char c : s.view()) put_byte(f, c);
}

void WRITE_END(TEXTREC& f) { flush(f); }

void WRITELN_END(TEXTREC& f) {
    if (INOUTRES != 0 || !writable(f)) return;
    put_byte(f, '\r');
    put_byte(f, '\n');
    flush(f);
}

}  // namespace runtime
