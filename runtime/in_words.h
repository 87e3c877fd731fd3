// Errors in words on standard error: the line after a report (what each number means,
// the file and the token an input/output error arose on) and what to do after a stop.
#pragma once
#include <cstdint>
#include <string_view>

#include "runtime/shortstring.h"

namespace runtime {

struct TEXTREC;

// A real is being converted from token, read from f (null, null: done). An overflow
// meanwhile (205) is that token's: too large to read. Kept as pointers, as a number
// is read in no time; the token lives on the reader's stack, which a trap leaves be.
void converting(const TEXTREC* f, const ShortString* token);

// The name messages begin with; by default the name the program was started by.
void name_in_messages(const char* name);

// A message on standard error, after the program's name as Linux commands begin them:
// what a user can do about a stop that has no report.
void say_in_words(std::string_view text);

// After the report, on standard error, one line:
//   PROGRAM: [FILE: ]MEANING (run-time error N)
// built in a buffer of its own and handed over in one write: no allocation, no lock,
// so also on the way out of a fault.
void write_in_words(uint16_t n);

}  // namespace runtime
