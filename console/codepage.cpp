// Code page 852, the code page the program's own texts are held in, the glyphs the
// console shows for control bytes, and their conversion to the terminal's set.
#include "console/codepage.h"

#include <cstring>
#include <iconv.h>

namespace console {

namespace {

constexpr char16_t CP852_HIGH[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x016F, 0x0107, 0x00E7,
    0x0142, 0x00EB, 0x0150, 0x0151, 0x00EE, 0x0179, 0x00C4, 0x0106,
    0x00C9, 0x0139, 0x013A, 0x00F4, 0x00F6, 0x013D, 0x013E, 0x015A,
    0x015B, 0x00D6, 0x00DC, 0x0164, 0x0165, 0x0141, 0x00D7, 0x010D,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x0104, 0x0105, 0x017D, 0x017E,
    0x0118, 0x0119, 0x00AC, 0x017A, 0x010C, 0x015F, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x011A,
    0x015E, 0x2563, 0x2551, 0x2557, 0x255D, 0x017B, 0x017C, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x0102, 0x0103,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,
    0x0111, 0x0110, 0x010E, 0x00CB, 0x010F, 0x0147, 0x00CD, 0x00CE,
    0x011B, 0x2518, 0x250C, 0x2588, 0x2584, 0x0162, 0x016E, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x0143, 0x0144, 0x0148, 0x0160, 0x0161,
    0x0154, 0x00DA, 0x0155, 0x0170, 0x00FD, 0x00DD, 0x0163, 0x00B4,
    0x00AD, 0x02DD, 0x02DB, 0x02C7, 0x02D8, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x02D9, 0x0171, 0x0158, 0x0159, 0x25A0, 0x00A0,
};

// The PC glyphs of bytes 0..31 (0 shows as a blank); 127 is the house.
constexpr char16_t CONTROL_GLYPHS[32] = {
    0x0020, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022,
    0x25D8, 0x25CB, 0x25D9, 0x2642, 0x2640, 0x266A, 0x266B, 0x263C,
    0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC, 0x21A8,
    0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC,
};

// A plain ASCII likeness of each byte 0x80..0xFF, for a set without the letter:
// the letter without its accent, box drawing as + - |, shades and blocks as #.
constexpr char ASCII_HIGH[] =
    "Cueaaucc" "leOoiZAC" "ELlooLlS" "sOUTtLxc" "aiouAaZz" "Ee-zCs<>" "###|+AAE" "S+|++Zz+"
    "++++-+Aa" "+++++-+?" "dDDEdNII" "e++##TU#" "OsONnnSs" "RUrUyYt'" "-\",^^S/," "o\".uRr# ";
static_assert(sizeof ASCII_HIGH == 129);

bool utf8_set = true;
iconv_t to_set = iconv_t(-1);  // UTF-8 to the terminal's set, when it is not UTF-8

int utf8_encode(char32_t c, char out[4]) {
    if (c < 0x80) {
        out[0] = char(c);
        return 1;
    }
    if (c < 0x800) {
        out[0] = char(0xC0 | (c >> 6));
        out[1] = char(0x80 | (c & 0x3F));
        return 2;
    }
    out[0] = char(0xE0 | (c >> 12));
    out[1] = char(0x80 | ((c >> 6) & 0x3F));
    out[2] = char(0x80 | (c & 0x3F));
    return 3;
}

// The character in the terminal's set, or its likeness when the set lacks it.
int in_set(char32_t c, char likeness, char out[4]) {
    if (utf8_set) return utf8_encode(c, out);
    if (c < 0x80) {
        out[0] = char(c);
        return 1;
    }
    if (to_set != iconv_t(-1)) {
        char utf8[4];
        char *in = utf8, *o = out;
        size_t in_left = size_t(utf8_encode(c, utf8)), out_left = 4;
        if (iconv(to_set, &in, &in_left, &o, &out_left) != size_t(-1) && in_left == 0) return int(4 - out_left);
        iconv(to_set, nullptr, nullptr, nullptr, nullptr);  // no shift state carried over
    }
    out[0] = likeness;
    return 1;
}

char likeness_of(uint8_t byte) {
    if (byte >= 0x80) return ASCII_HIGH[byte - 0x80];
    if (byte == 0) return ' ';
    return byte < 0x20 || byte == 0x7F ? '?' : char(byte);
}

// The code point of a whole UTF-8 sequence of two or three bytes; 0 for any other.
char32_t decode_utf8(const uint8_t* b, int n) {
    if (n == 2) return char32_t((b[0] & 0x1F) << 6 | (b[1] & 0x3F));
    if (n == 3) return char32_t((b[0] & 0x0F) << 12 | (b[1] & 0x3F) << 6 | (b[2] & 0x3F));
    return 0;
}

}  // namespace

void use_charset(const char* codeset) {
    utf8_set = std::strcmp(codeset, "UTF-8") == 0 || std::strcmp(codeset, "utf8") == 0;
    if (to_set != iconv_t(-1)) iconv_close(to_set);
    to_set = utf8_set ? iconv_t(-1) : iconv_open(codeset, "UTF-8");
}

bool charset_is_utf8() { return utf8_set; }

int glyph_of_byte(uint8_t byte, char out[4]) { return in_set(unicode_of(byte), likeness_of(byte), out); }

int glyph_of_typed(const uint8_t* utf8, int length, char out[4]) {
    if (length == 1) return glyph_of_byte(utf8[0], out);
    if (utf8_set) {
        std::memcpy(out, utf8, size_t(length));
        return length;
    }
    char32_t c = decode_utf8(utf8, length);
    char likeness = '?';
    for (int b = 0x80; b < 0x100; ++b)
        if (c != 0 && unicode_of(uint8_t(b)) == c) likeness = ASCII_HIGH[b - 0x80];
    return in_set(c == 0 ? U'?' : c, likeness, out);
}

char16_t unicode_of(uint8_t byte) {
    if (byte >= 0x80) return CP852_HIGH[byte - 0x80];
    if (byte < 0x20) return CONTROL_GLYPHS[byte];
    if (byte == 0x7F) return u'\u2302';
    return char16_t(byte);
}

}  // namespace console
