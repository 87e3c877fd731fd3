// The keyboard as functions of bytes: the key decoder and its PC codes, the line
// editor and keys typed ahead (a pipe as the input), and the glyphs of each charset.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <unistd.h>

#include "console/codepage.h"
#include "console/crt.h"
#include "console/keyboard.h"
#include "console/keys.h"
#include "console/terminal.h"

using namespace console;
using std::string;

namespace {

string describe(const Key& k) {
    char s[16] = "";
    int n = k.kind == Key::extended ? std::snprintf(s, sizeof s, "^%02X", k.code) : 0;
    for (int i = 0; i < k.length; ++i) n += std::snprintf(s + n, sizeof s - size_t(n), "%02X", k.bytes[i]);
    return string(s) + " ";
}

// The keys in bytes, fed whole or one byte at a time; the input idle at the end.
string decode(const string& bytes, bool bytewise) {
    KeyDecoder d;
    string out;
    Key k;
    for (size_t i = 0; i < bytes.size(); i += bytewise ? 1 : bytes.size()) {
        d.feed(reinterpret_cast<const uint8_t*>(bytes.data() + i), bytewise ? 1 : bytes.size());
        while (d.next(k, false)) out += describe(k);
    }
    while (d.next(k, true)) out += describe(k);
    return out;
}

// A pipe as the standard input of the keyboard, put back at the end.
struct PipedInput {
    int saved = dup(0), fds[2] = {-1, -1};
    PipedInput() { dup2(pipe(fds) == 0 ? fds[0] : -1, 0); }
    ~PipedInput() { dup2(saved, 0); close(saved); close(fds[0]); close(fds[1]); }
    void type(const string& s) { EXPECT_EQ(write(fds[1], s.data(), s.size()), ssize_t(s.size())); }
    void end() { close(std::exchange(fds[1], -1)); }
};

// The terminal's set as it was, back at the end: UTF-8 (the start) or the locale's.
struct CharsetKept { bool utf8 = charset_is_utf8(); ~CharsetKept() { utf8 ? use_charset("UTF-8") : terminal::learn_charset(); } };

}  // namespace

TEST(KeyDecoder, BytesToKeys) {  // Alt goes before Ctrl before Shift
    const std::pair<string, string> cases[] = {
        {"aZ1 \r\t\x01\x1a", "61 5A 31 20 0D 09 01 1A "}, {"\x7f\b", "08 08 "}, {string(1, '\0'), "^03 "},
        {"\x1bOP\x1b[11~\x1b[[A\x1b[[E", "^3B ^3B ^3B ^3F "}, {"\x1b[A\x1bOA\x1b[B\x1b[C\x1b[D", "^48 ^48 ^50 ^4D ^4B "},
        {"\x1b[H\x1b[F\x1b[1~\x1b[4~", "^47 ^4F ^47 ^4F "}, {"\x1b[2~\x1b[3~\x1b[5~\x1b[6~", "^52 ^53 ^49 ^51 "},
        {"\x1b[15~\x1b[21~\x1b[23~\x1b[24~", "^3F ^44 ^85 ^86 "}, {"\x1b[1;2P\x1bO2P\x1b[1;5D", "^54 ^54 ^73 "},
        {"\x1b[1;3P\x1b[15;5~\x1b[24;2~", "^68 ^62 ^88 "}, {"\x1b[1;7P\x1b[1;6P\x1b[1;3H", "^68 ^5E ^97 "},
        {"\x1b[1;5A\x1b[3;5~\x1b[1;5E\x1b[1;5I", "^8D ^93 ^8F "}, {"\x1b[1;3A\x1b\x1b[A\x1b[Z", "^98 ^98 09 "},
        {"\x1b" "a\x1b" "A\x1b" "1\x1b\r\x1b/\x1b=", "^1E ^1E ^78 ^A6 ^A4 ^83 "}, {"\x1b[24~\x1b", "^86 1B "},
        {"\xc3\xa9\xe2\x82\xac!", "C3A9 E282AC 21 "}, {"\x1b[<0;10;5M\x1b[Iq\x1b[?1;2c\x1b[99~z", "71 7A "}};
    for (const auto& [bytes, keys] : cases) {
        EXPECT_EQ(decode(bytes, false), keys) << bytes;
        EXPECT_EQ(decode(bytes, true), keys) << bytes;
    }
}

TEST(Keyboard, EveryKeyTypedAheadIsKept) {
    PipedInput in;
    string typed, expected, got;
    for (int i = 0; i < 300; ++i) expected = typed += char('a' + i % 26);
    for (int i = 0; i < 90; ++i) typed += "\x1b[A";  // Up, as 0 then H
    in.type(typed);
    in.end();  // a key lost would then read as Enter
    while (got.size() < 300 + 2 * 90) got += char(READKEY());
    for (int i = 0; i < 90; ++i) expected += string(1, '\0') + "H";
    EXPECT_EQ(got, expected);
}

TEST(LineEditor, KeysToTheLineHandedOn) {
    const string L = "\x1b[D", R = "\x1b[C", HOME = "\x1b[H", END = "\x1b[F";
    const std::pair<string, string> cases[] = {
        {"gravity", "gravity"}, {"abc\x7f", "ab"}, {"abc" + L + "\x7f", "abc"}, {"abc" + L + L + "XY", "aXY"},
        {"abc\x19" "e", "e"}, {"ab\x1a" "c", "abc"}, {"abc\x13", "ab"}, {"abc" + HOME + "X" + END + "Y", "XbcY"},
        {"abc" + HOME + R + "X", "aXc"}, {"ab\xc3\xa9\x7f", "ab"}, {"\xc3\xa9" "b" + L + L + "x", "xb"},
        {"ab" + L + "\xc3\xa9", "a\xc3\xa9"}, {"a\xc3\xa9" "b" + HOME + R + R + "\x7f" + END + "\x7f" "c", "a\xc3\xa9" "c"},
        {string(260, 'x'), string(254, 'x')}, {"\x1b[24~q" + L + "\x1b[1;5A", "q"}};
    PipedInput in;
    runtime::TEXTREC f{};
    ASSIGNCRT(f);
    auto line = [&] { return string(f.buffer, size_t(f.bufend)); };
    for (const auto& [typed, handed_on] : cases) {
        in.type(typed + "\r");
        CRTREAD(f);
        EXPECT_EQ(line(), handed_on + "\r\n") << typed;
    }
    in.type("abc\x1b");  // Esc, known when no more comes: the input ends
    in.end();
    CRTREAD(f);
    EXPECT_EQ(line(), "\r\n");
    CRTREAD(f);  // at the end of an input that is no terminal, every wait finds Enter
    EXPECT_EQ(line(), "\r\n");
}

TEST(CodePage, TextsAndTypedCharactersInTheTerminalsSet) {
    // Bytes alone are code page 852 (the program's texts, an extended key's code): á é ő ű Ü
    // ☺ ╔ █ ć; longer ones typed in UTF-8: á € ő.
    const char* cells[] = {"\xA0", "\x82", "\x8B", "\xFB", "\x9A", "\x01", "\xC9", "\xDB", "\x86", "\xc3\xa1", "\xe2\x82\xac", "\xc5\x91"};
    const string cases[][2] = {{"UTF-8", "áéőűÜ☺╔█ćá€ő"}, {"ANSI_X3.4-1968", "aeouU?+#ca?o"},
                               {"ISO-8859-2", "\xE1\xE9\xF5\xFB\xDC?+#\xE6\xE1?\xF5"}};
    CharsetKept kept;
    for (const auto& [codeset, shown] : cases) {
        use_charset(codeset.c_str());
        string out;
        for (const char* c : cells) {
            char g[4];
            out.append(g, size_t(glyph_of_typed(reinterpret_cast<const uint8_t*>(c), int(std::strlen(c)), g)));
        }
        EXPECT_EQ(out, shown) << codeset;
    }
}
