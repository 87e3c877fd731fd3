// The memory driver: a text file read from bytes in memory, beside the disk's driver.
#pragma once
#include <cstdint>

#include "runtime/textfile.h"

namespace runtime {

// Binds f to size bytes at data, which must stay while f is read, under a name for
// messages (a path names nothing here). RESET opens it and
// the refills hand the bytes on as a disk file's would, so reading, conversion and
// their errors are those of a file with these bytes. Opening it for writing fails
// with 5 (access denied).
void assign_memory(TEXTREC& f, const ShortString& name, const char* data, uint32_t size);

}  // namespace runtime
