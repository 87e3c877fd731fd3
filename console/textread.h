// Reading text files: numbers token by token, lines into short strings, line skips.
#pragma once
#include <cstdint>

#include "runtime/shortstring.h"
#include "runtime/textfile.h"
#include "runtime/extended.h"

namespace console {

using runtime::TEXTREC;

// A number read skips white space (TAB, LF, CR, blank) and converts the next token.
// Data that ends in white space reads once more as 0; a read that finds no byte at
// all, or a token that does not convert, sets 106.
uint32_t READ_UINT(TEXTREC& f);
runtime::Extended READ_FLOAT(TEXTREC& f);
void READ_END(TEXTREC& f);

// The line up to (not including) its end, at most capacity bytes.
void READ_STRING(TEXTREC& f, runtime::ShortString& s, uint8_t capacity = 255);
// Discards the rest of the line and its end: LF, CR or CR LF.
void READLN_END(TEXTREC& f);

}  // namespace console
