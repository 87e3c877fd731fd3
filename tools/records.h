// The trace tool's records on standard output: collected, and written in large pieces.
#pragma once
#include <cstddef>
#include <initializer_list>
#include <string_view>
#include "runtime/extended.h"

namespace tools {

void emit(const char* text, size_t len);
void emit(const char* text);
void emit_integer(long long v);           // a blank, then the number
void emit_real(runtime::Extended v, bool hex);  // a blank, then the real

// Hands over what is collected. Records that cannot be written end the run with
// error 101, said on standard error, since standard output is what failed.
void flush_records();

// A message on standard error: "gravity-trace: ", the parts (paths of any length), a
// line end.
void say(std::initializer_list<std::string_view> parts);

}  // namespace tools
