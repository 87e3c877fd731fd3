// The key decoder. Sequences it accepts (CSI is ESC [, SS3 is ESC O; m is the
// modifier parameter 1 + Shift 1 + Alt 2 + Ctrl 4):
//
//   bytes                           key                     scan code
//   printable, UTF-8, controls      that character
//   DEL (127), BS (8)               Backspace, character 8
//   NUL                             Ctrl+2                  extended 0x03
//   ESC alone (after a short wait)  Esc, character 27
//   ESC x                           Alt+x                   scan code of x
//   ESC ESC-sequence                Alt+that key
//   CSI A B C D  / SS3 A B C D      Up Down Right Left      48 50 4D 4B
//   CSI H F / SS3 H F / CSI 1~ 4~ 7~ 8~   Home End         47 4F
//   CSI E G / SS3 E                 keypad 5                4C
//   CSI 2~ 3~ 5~ 6~                 Ins Del PgUp PgDn       52 53 49 51
//   SS3 P Q R S / CSI 11~..14~      F1..F4                  3B..3E
//   CSI [A..[E (Linux console)      F1..F5                  3B..3F
//   CSI 15~ 17~..21~                F5..F10                 3F..44
//   CSI 23~ 24~                     F11 F12                 57 58
//   CSI 1;m X, CSI n;m ~, SS3 m X   the same keys with modifiers
//   CSI Z                           Shift+Tab, character 9
//   any other CSI sequence          nothing (mouse reports, focus, paste marks)
#include "console/keys.h"

#include <cstring>

namespace console {

namespace {

constexpr uint16_t SCAN_2 = 0x03, SCAN_F1 = 0x3B;

constexpr uint8_t CTRLKEYPADKEYS[13] = {0x77, 0x8D, 0x84, 0x8E, 0x73, 0x8F, 0x74,
                                        0x4E, 0x75, 0x91, 0x76, 0x92, 0x93};

// Scan codes of the US keyboard for the ASCII characters, shifted or not.
uint16_t scan_code_of(uint8_t c) {
    static constexpr const char* ROWS[] = {
        "1234567890-=",  // 0x02..0x0D
        "qwertyuiop[]",  // 0x10..0x1B
        "asdfghjkl;'`",  // 0x1E..0x29
        "\\zxcvbnm,./",  // 0x2B..0x35
    };
    static constexpr const char* SHIFTED[] = {"!@#$%^&*()_+", "QWERTYUIOP{}", "ASDFGHJKL:\"~", "|ZXCVBNM<>?"};
    static constexpr uint16_t FIRST[] = {0x02, 0x10, 0x1E, 0x2B};
    for (int r = 0; r < 4; ++r) {
        if (const char* p = std::strchr(ROWS[r], c); p && c) return uint16_t(FIRST[r] + (p - ROWS[r]));
        if (const char* p = std::strchr(SHIFTED[r], c); p && c) return uint16_t(FIRST[r] + (p - SHIFTED[r]));
    }
    switch (c) {
    case ESC: return 0x01;
    case BS:
    case DEL: return 0x0E;
    case TAB: return 0x0F;
    case CR:
    case LF: return 0x1C;
    case ' ': return 0x39;
    default: return c >= 1 && c <= 26 ? scan_code_of(uint8_t('a' + c - 1)) : 0;  // Ctrl+letter
    }
}

uint32_t modifiers_of(int m) {
    if (m < 2) return 0;
    int bits = m - 1;
    return (bits & 1 ? SHIFT : 0) | (bits & 2 ? LEFT_ALT : 0) | (bits & 4 ? LEFT_CTRL : 0);
}

uint16_t scan_of_final(uint8_t final) {
    switch (final) {
    case 'A': return 0x48;
    case 'B': return 0x50;
    case 'C': return 0x4D;
    case 'D': return 0x4B;
    case 'H': return 0x47;
    case 'F': return 0x4F;
    case 'E':
    case 'G': return 0x4C;
    case 'P': return 0x3B;
    case 'Q': return 0x3C;
    case 'R': return 0x3D;
    case 'S': return 0x3E;
    default: return 0;
    }
}

uint16_t scan_of_tilde(int n) {
    switch (n) {
    case 1:
    case 7: return 0x47;
    case 2: return 0x52;
    case 3: return 0x53;
    case 4:
    case 8: return 0x4F;
    case 5: return 0x49;
    case 6: return 0x51;
    case 11: return 0x3B;
    case 12: return 0x3C;
    case 13: return 0x3D;
    case 14: return 0x3E;
    case 15: return 0x3F;
    case 17: return 0x40;
    case 18: return 0x41;
    case 19: return 0x42;
    case 20: return 0x43;
    case 21: return 0x44;
    case 23: return 0x57;
    case 24: return 0x58;
    default: return 0;
    }
}

Key character(const uint8_t* bytes, uint8_t n) {
    Key k;
    k.kind = Key::character;
    k.length = n;
    std::memcpy(k.bytes, bytes, n);
    return k;
}

Key extended(uint16_t scan, uint32_t modifiers) {
    Key k;
    k.kind = Key::extended;
    k.scan = scan;
    k.modifiers = modifiers;
    k.code = REMAPSCANCODE(scan, modifiers);
    return k;
}

size_t utf8_length(uint8_t lead) {
    if (lead >= 0xF0 && lead < 0xF8) return 4;
    if (lead >= 0xE0) return lead < 0xF0 ? 3 : 1;
    if (lead >= 0xC2) return 2;
    return 1;
}

enum class Parse { key, nothing, incomplete };

// A whole key of n bytes.
Parse found(Key& key, size_t& used, const Key& k, size_t n) {
    key = k;
    used = n;
    return Parse::key;
}

Parse found_character(Key& key, size_t& used, uint8_t c, size_t n) { return found(key, used, character(&c, 1), n); }

// A plain byte, or the start of a UTF-8 character, at b[0].
Parse parse_plain(const uint8_t* b, size_t n, bool idle, Key& key, size_t& used) {
    if (b[0] == NUL) return found(key, used, extended(SCAN_2, 0), 1);  // Ctrl+2
    if (b[0] == DEL) return found_character(key, used, BS, 1);
    size_t need = utf8_length(b[0]);
    if (n < need && !idle) return Parse::incomplete;
    size_t take = 1;
    while (take < need && take < n && (b[take] & 0xC0) == 0x80) ++take;
    if (take < need) take = 1;  // broken sequence: the byte alone
    return found(key, used, character(b, uint8_t(take)), take);
}

// Parameters of a control sequence: numbers separated by ';'.
struct Params {
    int value[2] = {0, 0};  // the first two
    int count = 0;
    bool other = false;  // private markers: not a key
};

// CSI at b[0..1]. used covers the whole sequence when it is complete.
Parse parse_csi(const uint8_t* b, size_t n, Key& key, size_t& used) {
    if (n >= 3 && b[2] == '[') {  // Linux console F1..F5
        if (n < 4) return Parse::incomplete;
        used = 4;
        if (b[3] < 'A' || b[3] > 'E') return Parse::nothing;
        return found(key, used, extended(uint16_t(SCAN_F1 + (b[3] - 'A')), 0), 4);
    }
    Params p;
    size_t i = 2;
    int field = 0;
    for (; i < n && b[i] >= 0x20 && b[i] <= 0x3F; ++i) {
        if (b[i] >= '0' && b[i] <= '9') {
            if (field < 2 && p.value[field] < 10000) p.value[field] = p.value[field] * 10 + (b[i] - '0');
            p.count = field + 1;
        } else if (b[i] == ';') {
            p.count = ++field + 1;
        } else {
            p.other = true;
        }
    }
    if (i == n) return Parse::incomplete;
    used = i + 1;
    const uint8_t final = b[i];
    if (p.other || p.count > 2 || final < 0x40 || final > 0x7E) return Parse::nothing;
    if (final == 'Z') return found_character(key, used, TAB, used);  // Shift+Tab
    uint32_t modifiers = modifiers_of(p.value[1]);
    uint16_t scan = final == '~' ? scan_of_tilde(p.value[0]) : scan_of_final(final);
    if (scan == 0 || (final != '~' && p.value[0] > 1)) return Parse::nothing;
    return found(key, used, extended(scan, modifiers), used);
}

Parse parse_ss3(const uint8_t* b, size_t n, Key& key, size_t& used) {
    size_t i = 2;
    int m = 0;
    while (i < n && b[i] >= '0' && b[i] <= '9') m = m * 10 + (b[i++] - '0');
    if (i == n) return Parse::incomplete;
    used = i + 1;
    uint16_t scan = scan_of_final(b[i]);
    if (scan == 0) return Parse::nothing;
    return found(key, used, extended(scan, modifiers_of(m)), used);
}

// ESC followed by something: a sequence, Alt with a key, or Alt with a sequence.
Parse parse_escape(const uint8_t* b, size_t n, bool idle, Key& key, size_t& used) {
    if (n == 1) {
        if (!idle) return Parse::incomplete;
        return found_character(key, used, ESC, 1);  // the Esc key
    }
    if (b[1] == '[' || b[1] == 'O') {
        Parse r = b[1] == '[' ? parse_csi(b, n, key, used) : parse_ss3(b, n, key, used);
        if (r != Parse::incomplete || !idle) return r;
        // Cut short: Alt with '[' or 'O', the rest read on its own.
        return found(key, used, extended(scan_code_of(b[1]), LEFT_ALT), 2);
    }
    if (b[1] == ESC && n == 2 && !idle) return Parse::incomplete;  // perhaps Alt with a sequence
    if (b[1] == ESC && n > 2 && (b[2] == '[' || b[2] == 'O')) {
        // Alt sent as a prefix to a whole sequence: the key, with Alt added.
        Parse r = parse_escape(b + 1, n - 1, idle, key, used);
        if (r == Parse::incomplete) return r;
        used += 1;
        if (r == Parse::key && key.kind == Key::extended) key = extended(key.scan, key.modifiers | LEFT_ALT);
        return r;
    }
    if (b[1] >= 0x80) {  // Alt with a non-ASCII character: the character
        if (parse_plain(b + 1, n - 1, idle, key, used) != Parse::key) return Parse::incomplete;
        used += 1;
        return Parse::key;
    }
    uint16_t scan = scan_code_of(b[1]);
    if (scan == 0) return found_character(key, used, b[1], 2);
    return found(key, used, extended(scan, LEFT_ALT), 2);
}

Parse parse_sequence(const uint8_t* b, size_t n, bool idle, Key& key, size_t& used) {
    return b[0] == ESC ? parse_escape(b, n, idle, key, used) : parse_plain(b, n, idle, key, used);
}

}  // namespace

uint8_t REMAPSCANCODE(uint16_t S, uint32_t modifiers) {
    if (modifiers & (LEFT_ALT | RIGHT_ALT)) {
        if (S >= 0x02 && S <= 0x0D) return uint8_t(S + 0x76);
        if (S == 0x1C) return 0xA6;
        if (S == 0x35) return 0xA4;
        if (S >= 0x3B && S <= 0x44) return uint8_t(S + 0x2D);
        if ((S >= 0x47 && S <= 0x49) || S == 0x4B || S == 0x4D || (S >= 0x4F && S <= 0x53)) return uint8_t(S + 0x50);
        if (S == 0x57 || S == 0x58) return uint8_t(S + 0x34);
    } else if (modifiers & (LEFT_CTRL | RIGHT_CTRL)) {
        if (S == 0x0F) return 0x94;
        if (S == 0x35) return 0x95;
        if (S == 0x37) return 0x96;
        if (S >= 0x3B && S <= 0x44) return uint8_t(S + 0x23);
        if (S >= 0x47 && S <= 0x53) return CTRLKEYPADKEYS[S - 0x47];
        if (S == 0x57 || S == 0x58) return uint8_t(S + 0x32);
    } else if (modifiers & SHIFT) {
        if (S >= 0x3B && S <= 0x44) return uint8_t(S + 0x19);
        if (S == 0x57 || S == 0x58) return uint8_t(S + 0x30);
    } else if (S == 0x57 || S == 0x58) {
        return uint8_t(S + 0x2E);
    }
    return uint8_t(S);
}

void KeyDecoder::feed(const uint8_t* data, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        if (length_ == sizeof buffer_) drop(1);  // never happens with keys typed by hand
        buffer_[length_++] = data[i];
    }
}

void KeyDecoder::drop(size_t n) {
    std::memmove(buffer_, buffer_ + n, length_ - n);
    length_ -= n;
}

bool KeyDecoder::next(Key& key, bool input_idle) {
    while (length_ > 0) {
        size_t used = 0;
        Parse r = parse_sequence(buffer_, length_, input_idle, key, used);
        if (r == Parse::incomplete) return false;
        drop(used);
        if (r == Parse::key) return true;
    }
    return false;
}

}  // namespace console
