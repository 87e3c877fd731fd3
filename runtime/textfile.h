// The text-file record, the pending input/output error and the standard text files.
#pragma once
#include <cstdint>
#include <string_view>

#include "runtime/shortstring.h"

namespace runtime {

enum class FileMode : int32_t { closed = 0xD7B0, input = 0xD7B1, output = 0xD7B2 };

struct TEXTREC;
using TextFunc = void (*)(TEXTREC&);

inline constexpr int32_t TEXTBUFSIZE = 256;

struct TEXTREC {
    int32_t handle;     // operating-system descriptor, -1 when none
    FileMode mode;
    int32_t bufsize;    // always TEXTBUFSIZE
    int32_t bufpos;     // next byte to hand out (input) or to fill (output)
    int32_t bufend;     // valid bytes in the buffer (input)
    char* bufptr;
    TextFunc openfunc;
    TextFunc inoutfunc;  // input: refill; output: pass the buffer on and empty it
    TextFunc flushfunc;  // called at the end of a statement; may be null
    TextFunc closefunc;
    unsigned char userdata[16];  // free for the driver
    char name[256];     // the bound name, NUL-terminated
    char buffer[TEXTBUFSIZE];
    const char* shown_name;  // what messages call the file when not its bound name
};

// The pending input/output error: 0 when none. While it is set, the file operations
// do nothing, so one failure stays the one that is reported. Process-wide, as the
// checks that every layer makes read it, and the exit sequence clears it before the
// report is written.
extern uint16_t INOUTRES;

// Leaves the pending error n, arisen on f; for 106 the token that did not convert
// (empty when no number was left). The line in words after a report names them.
void fail_on(const TEXTREC& f, uint16_t n, const ShortString* token = nullptr);

// The pending error of a number that does not convert, or of no number left.
inline constexpr uint16_t NOT_A_NUMBER = 106;

// The particulars of the failure last left pending, copied when it was left: the
// record may be bound anew before its error is raised.
struct IoFailure {
    uint16_t code = 0;
    char file[4096] = {};  // what messages call the record
    bool has_token = false;
    ShortString token;
};
const IoFailure& last_io_failure();

// What messages call a record: the name it was bound to, or the standard stream.
std::string_view name_of(const TEXTREC& f);

// The standard text files, bound by OPENSTDIO at start-up. The report goes to STDOUT,
// which always stays on descriptor 1 with the plain file driver. Process-wide like the
// process's own descriptors: the console takes over INPUT and OUTPUT, and the exit
// sequence writes the report to STDOUT from whichever thread ends the process.
extern TEXTREC INPUT, OUTPUT, STDOUT, STDERR;

void RESET(TEXTREC& f);    // open for reading
void REWRITE(TEXTREC& f);  // open for writing
void CLOSE(TEXTREC& f);

void WRITE_STR(int32_t width, TEXTREC& f, const ShortString& s);
void WRITE_END(TEXTREC& f);
void WRITELN_END(TEXTREC& f);

// Writes one whole statement: the string, then the line end when asked for.
inline void write_statement(TEXTREC& f, const ShortString& s, bool line_end) {
    WRITE_STR(0, f, s);
    if (line_end) WRITELN_END(f);
    else WRITE_END(f);
}

}  // namespace runtime
