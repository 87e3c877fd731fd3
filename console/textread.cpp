// Reading text files through their 256-byte buffer, with no allocation per number
// or per line.
#include "console/textread.h"

#include "console/val.h"
#include "runtime/in_words.h"

namespace console {

using runtime::FileMode;
using runtime::INOUTRES;
using runtime::ShortString;

namespace {

bool is_white(char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }

bool buffer_empty(const TEXTREC& f) { return f.bufpos >= f.bufend; }

void refill(TEXTREC& f) { f.inoutfunc(f); }

// Refills an empty buffer; true when there is still nothing (end of data).
bool ran_out(TEXTREC& f) {
    if (!buffer_empty(f)) return false;
    refill(f);
    return buffer_empty(f);
}

// End of data in a line skip: the statement ends here.
void end_of_line_skip(TEXTREC& f) {
    if (f.flushfunc != nullptr) f.flushfunc(f);
}

// Whether the file may be read; sets 104 (open for output) or 103 (not open) when not.
bool readable(TEXTREC& f) {
    if (INOUTRES != 0) return false;
    if (f.mode == FileMode::input) return true;
    runtime::fail_on(f, f.mode == FileMode::output ? 104 : 103);
    return false;
}

// Steps past white space, refilling as needed. False only when the buffer was empty
// on entry (no byte at all); true otherwise, also when the data ran out.
bool IGNORESPACES(TEXTREC& f) {
    if (buffer_empty(f)) return false;
    for (;;) {
        if (ran_out(f)) return true;
        if (!is_white(f.bufptr[f.bufpos])) return true;
        ++f.bufpos;
    }
}

// Cuts a token starting at the current (non-white) byte. The white byte that ends it
// stays; a run longer than 255 bytes goes on as the next token.
void READNUMERIC(TEXTREC& f, ShortString& token) {
    token.length = 0;
    for (;;) {
        token.push(f.bufptr[f.bufpos++]);
        if (token.length == 255 || ran_out(f)) return;
        if (is_white(f.bufptr[f.bufpos])) return;
    }
}

// The token of the next number, left empty when there is no byte at all. False when
// only white space came before the end of the data: the read gives 0 without error.
bool next_token(TEXTREC& f, ShortString& token) {
    if (buffer_empty(f)) refill(f);
    if (IGNORESPACES(f)) {
        if (buffer_empty(f)) return false;
        READNUMERIC(f, token);
    }
    return true;
}

}  // namespace

uint32_t READ_UINT(TEXTREC& f) {
    if (!readable(f)) return 0;
    ShortString token;
    if (!next_token(f, token)) return 0;
    auto [value, ok] = VALUNSIGNEDINT(token);
    if (!ok) runtime::fail_on(f, runtime::NOT_A_NUMBER, &token);
    return value;
}

runtime::Extended READ_FLOAT(TEXTREC& f) {
    if (!readable(f)) return 0;
    ShortString token;
    if (!next_token(f, token)) return 0;
    runtime::converting(&f, &token);
    auto [value, ok] = VALFLOAT(token);
    runtime::converting(nullptr, nullptr);
    if (!ok) runtime::fail_on(f, runtime::NOT_A_NUMBER, &token);
    return value;
}

void READ_END(TEXTREC& f) {
    if (f.flushfunc != nullptr) f.flushfunc(f);
}

void READ_STRING(TEXTREC& f, ShortString& s, uint8_t capacity) {
    s.length = 0;
    if (!readable(f)) return;
    while (s.length < capacity) {
        if (ran_out(f)) return;
        char c = f.bufptr[f.bufpos];
        if (c == '\r' || c == '\n') return;
        s.push(c);
        ++f.bufpos;
    }
}

void READLN_END(TEXTREC& f) {
    if (!readable(f)) return;
    if (ran_out(f)) return end_of_line_skip(f);
    for (;;) {
        char c = f.bufptr[f.bufpos++];
        if (c == '\n') return;
        if (ran_out(f)) return end_of_line_skip(f);
        if (c == '\r') {
            if (f.bufptr[f.bufpos] == '\n') ++f.bufpos;
            return;
        }
    }
}

}  // namespace console
