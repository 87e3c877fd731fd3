// The file driver: named files and the standard streams on Linux descriptors.
#pragma once
#include <cstddef>
#include <cstdint>

#include "runtime/textfile.h"

namespace runtime {

// Binds f to the named file (empty: the standard input or output, by mode), closed.
void ASSIGN(TEXTREC& f, const ShortString& name);

// Binds the four standard files to descriptors 0, 1, 1 and 2.
void OPENSTDIO();

void FILEOPENFUNC(TEXTREC& f);   // opens by mode: input reads an existing file, or fd 0
void FILEREADFUNC(TEXTREC& f);   // refill
void FILEWRITEFUNC(TEXTREC& f);  // pass the buffer on
void FILECLOSEFUNC(TEXTREC& f);

// Writes all n bytes to fd, again after an interruption or a part written. Returns 0,
// or the error of the write that failed (ENOSPC for one that took nothing). Only
// write is called: it serves on the way out of a fault too.
int write_everything(int fd, const char* data, size_t n);

// Called before (data null) and after (with the bytes read) each read of a terminal,
// so that the console can give the terminal its own line handling for that read.
void set_terminal_read_guard(void (*guard)(const char* data, int32_t length));

// Binds an open record to an existing descriptor (the standard files).
void bind_descriptor(TEXTREC& f, int fd, FileMode mode);

// The pending error for an error code with its Windows meaning:
// 19..31 become 150..162, a sharing violation (32) becomes 5, others stay.
uint16_t ERRNO2INOUTRES(uint32_t code);

// The Windows-meaning code of a Linux errno. The name tells "file not found" (2)
// from "a directory on the way is missing" (3), which Linux both calls ENOENT.
uint32_t host_error_code(int err, const char* name, bool reading);

}  // namespace runtime
