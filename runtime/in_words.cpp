// The line in words after a report. A user should not need the table of numbers to
// learn that a file is missing or which token of a parameter file is not a number.
#include "runtime/filedriver.h"
#include "runtime/in_words.h"

#include <cerrno>
#include <string_view>

#include "runtime/textfile.h"

namespace runtime {

namespace {

constexpr uint16_t TOO_LARGE = 205;

struct Meaning {
    uint16_t number;
    const char* text;
};

constexpr Meaning MEANINGS[] = {
    {2, "no such file"}, {3, "path not found: a directory on the way is missing"}, {4, "too many open files"},
    {5, "access denied, or a directory"}, {6, "invalid handle"}, {8, "not enough memory"},
    {101, "a write was not taken whole (disk full, closed output)"}, {102, "file record in an unknown mode"},
    {103, "file not open"}, {104, "file not open for input"}, {105, "file not open for output"},
    {123, "a name the system rejects (too long, invalid)"}, {152, "device not ready"}, {160, "write fault"},
    {161, "read fault"}, {162, "a failure of the system"}, {200, "division by zero"},
    {201, "range check: a value beyond its range"}, {202, "stack overflow"}, {203, "heap overflow: memory is exhausted"},
    {204, "invalid pointer operation"}, {205, "floating-point overflow"}, {206, "floating-point underflow"},
    {207, "invalid floating-point operation"}, {215, "arithmetic overflow"}, {216, "access violation"},
    {217, "unhandled processor exception"},
};

const char* program_name = nullptr;
const TEXTREC* converted_file = nullptr;
const ShortString* converted_token = nullptr;

// Appends to a fixed buffer, cutting what does not fit.
struct Line {
    char text[sizeof IoFailure::file + 4 * 255 + 256];
    size_t length = 0;
    void add(std::string_view s) {
        for (char c : s)
            if (length < sizeof text) text[length++] = c;
    }
    // A token as it stands between quotes; bytes that would not show plainly (a
    // byte-order mark, a control character) as \xHH.
    void add_quoted(std::string_view s) {
        static constexpr char HEX[] = "0123456789ABCDEF";
        add("\"");
        for (unsigned char c : s) {
            const char escaped[] = {'\\', 'x', HEX[c >> 4], HEX[c & 15]};
            if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') add(std::string_view(reinterpret_cast<char*>(&c), 1));
            else add(std::string_view(escaped, 4));
        }
        add("\"");
    }
};

Line line;

const char* name_of_program() { return program_name != nullptr ? program_name : program_invocation_short_name; }

const char* meaning(uint16_t n) {
    for (const Meaning& m : MEANINGS)
        if (m.number == n) return m.text;
    return "failed";
}

// The file and what went wrong in it, or the meaning alone.
void add_what_failed(uint16_t n) {
    const IoFailure& failed = last_io_failure();
    if (n != 0 && n == failed.code) {
        line.add(failed.file), line.add(": ");
        if (n != NOT_A_NUMBER || !failed.has_token) return line.add(meaning(n));
        if (failed.token.length == 0) return line.add("no number left");
        line.add("not a number: "), line.add_quoted(failed.token.view());
    } else if (n == TOO_LARGE && converted_token != nullptr) {
        line.add(name_of(*converted_file)), line.add(": number out of range: "), line.add_quoted(converted_token->view());
        line.add(" (a value above 1.18e4932, or an exponent of more than 4932 either way)");
    } else {
        line.add(meaning(n));
    }
}

}  // namespace

void converting(const TEXTREC* f, const ShortString* token) {
    converted_file = f;
    converted_token = token;
}

void name_in_messages(const char* name) { program_name = name; }

void say_in_words(std::string_view text) {
    ShortString message(name_of_program());
    message.append(": ");
    message.append(text);
    write_statement(STDERR, message, true);
}

void write_in_words(uint16_t n) {
    line.length = 0;
    line.add(name_of_program());
    line.add(": ");
    add_what_failed(n);
    line.add(" (run-time error ");
    line.add(decimal(n).view());
    line.add(")\n");
    write_everything(2, line.text, line.length);  // standard error closed: nothing to tell
}

}  // namespace runtime
