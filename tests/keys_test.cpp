// The key decoder as a function of bytes, reads split anywhere; the extended codes;
// the code page of the program's texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console/codepage.h"
#include "console/keys.h"

using namespace console;

namespace {

// What READKEY would hand out for these bytes: a character as itself, an extended
// key as 0 and its code. Bytes go in as the given pieces.
std::vector<int> decode(const std::vector<std::string>& pieces, bool idle_at_end = true) {
    KeyDecoder d;
    std::vector<int> out;
    Key k;
    for (const auto& piece : pieces) {
        d.feed(reinterpret_cast<const uint8_t*>(piece.data()), piece.size());
        while (d.next(k, false)) {
            if (k.kind == Key::extended) out.insert(out.end(), {0, k.code});
            else
                for (int i = 0; i < k.length; ++i) out.push_back(k.bytes[i]);
        }
    }
    while (idle_at_end && d.next(k, true)) {
        if (k.kind == Key::extended) out.insert(out.end(), {0, k.code});
        else
            for (int i = 0; i < k.length; ++i) out.push_back(k.bytes[i]);
    }
    return out;
}

std::vector<int> decode(const std::string& bytes) { return decode(std::vector<std::string>{bytes}); }

using V = std::vector<int>;

}  // namespace

TEST(KeyDecoder, CharactersAndControlBytes) {
    EXPECT_EQ(decode("aZ1 "), (V{'a', 'Z', '1', ' '}));
    EXPECT_EQ(decode("\r"), V{13});
    EXPECT_EQ(decode("\x7f\b"), (V{8, 8}));  // Backspace as DEL or BS
    EXPECT_EQ(decode("\t\x01\x1a"), (V{9, 1, 26}));
    EXPECT_EQ(decode(std::string(1, '\0')), (V{0, 0x03}));
}

TEST(KeyDecoder, FunctionAndCursorKeysOfTheCommonTerminals) {
    EXPECT_EQ(decode("\x1bOP"), (V{0, 0x3B}));     // F1, xterm
    EXPECT_EQ(decode("\x1b[11~"), (V{0, 0x3B}));   // F1, VT220
    EXPECT_EQ(decode("\x1b[[A"), (V{0, 0x3B}));    // F1, Linux console
    EXPECT_EQ(decode("\x1b[[E"), (V{0, 0x3F}));    // F5, Linux console
    EXPECT_EQ(decode("\x1b[A\x1bOA"), (V{0, 0x48, 0, 0x48}));
    EXPECT_EQ(decode("\x1b[B\x1b[C\x1b[D"), (V{0, 0x50, 0, 0x4D, 0, 0x4B}));
    EXPECT_EQ(decode("\x1b[H\x1b[F\x1b[1~\x1b[4~"), (V{0, 0x47, 0, 0x4F, 0, 0x47, 0, 0x4F}));
    EXPECT_EQ(decode("\x1b[2~\x1b[3~\x1b[5~\x1b[6~"), (V{0, 0x52, 0, 0x53, 0, 0x49, 0, 0x51}));
    EXPECT_EQ(decode("\x1b[15~\x1b[21~\x1b[23~\x1b[24~"), (V{0, 0x3F, 0, 0x44, 0, 0x85, 0, 0x86}));
}

TEST(KeyDecoder, ModifiedKeysGiveThePcCodes) {
    EXPECT_EQ(decode("\x1b[1;2P"), (V{0, 0x54}));   // Shift+F1
    EXPECT_EQ(decode("\x1bO2P"), (V{0, 0x54}));     // Shift+F1, SS3 with a modifier
    EXPECT_EQ(decode("\x1b[1;5D"), (V{0, 0x73}));   // Ctrl+Left
    EXPECT_EQ(decode("\x1b[1;3P"), (V{0, 0x68}));   // Alt+F1
    EXPECT_EQ(decode("\x1b[15;5~"), (V{0, 0x62}));  // Ctrl+F5
    EXPECT_EQ(decode("\x1b[24;2~"), (V{0, 0x88}));  // Shift+F12
    EXPECT_EQ(decode("\x1b[1;3A"), (V{0, 0x98}));   // Alt+Up
    EXPECT_EQ(decode("\x1b\x1b[A"), (V{0, 0x98}));  // Alt+Up, Alt as a prefix
    EXPECT_EQ(decode("\x1b[Z"), V{9});              // Shift+Tab
}

TEST(KeyDecoder, AltWithAKeyIsAnExtendedKey) {
    EXPECT_EQ(decode("\x1b" "a"), (V{0, 0x1E}));
    EXPECT_EQ(decode("\x1b" "A"), (V{0, 0x1E}));
    EXPECT_EQ(decode("\x1b" "1"), (V{0, 0x78}));
    EXPECT_EQ(decode("\x1b\r"), (V{0, 0xA6}));
    EXPECT_EQ(decode("\x1b/"), (V{0, 0xA4}));
    EXPECT_EQ(decode("\x1b="), (V{0, 0x83}));
}

TEST(KeyDecoder, LoneEscapeWaitsForTheInputToBeIdle) {
    KeyDecoder d;
    Key k;
    d.feed(reinterpret_cast<const uint8_t*>("\x1b"), 1);
    EXPECT_FALSE(d.next(k, false));
    ASSERT_TRUE(d.next(k, true));
    EXPECT_EQ(k.kind, Key::character);
    EXPECT_EQ(k.bytes[0], 27);
    EXPECT_TRUE(d.empty());
    EXPECT_EQ(decode(std::vector<std::string>{"\x1b"}, true), V{27});
}

TEST(KeyDecoder, SequencesSplitAcrossReads) {
    EXPECT_EQ(decode({"\x1b", "[", "1", ";", "5", "D"}), (V{0, 0x73}));
    EXPECT_EQ(decode({"\x1bO", "P", "x"}), (V{0, 0x3B, 'x'}));
    EXPECT_EQ(decode({"\x1b[2", "4~\x1b"}, true), (V{0, 0x86, 27}));
    EXPECT_EQ(decode(std::vector<std::string>{"\xc3", "\xa9"}), (V{0xC3, 0xA9}));                  // é in two reads
    EXPECT_EQ(decode(std::vector<std::string>{"\xe2\x82", "\xac!"}), (V{0xE2, 0x82, 0xAC, '!'}));  // €
}

TEST(KeyDecoder, OneKeyPerCharacterAndUnknownSequencesAreDropped) {
    KeyDecoder d;
    Key k;
    d.feed(reinterpret_cast<const uint8_t*>("\xc3\xa9x"), 3);
    ASSERT_TRUE(d.next(k, false));
    EXPECT_EQ(k.length, 2);
    EXPECT_EQ(decode("\x1b[<0;10;5M\x1b[Iq\x1b[?1;2c"), V{'q'});  // mouse, focus, device reply
    EXPECT_EQ(decode("\x1b[99~z"), V{'z'});
}

TEST(RemapScanCode, PrecedenceAndTheKeypadTable) {
    EXPECT_EQ(REMAPSCANCODE(0x3B, 0, 0), 0x3B);
    EXPECT_EQ(REMAPSCANCODE(0x57, 0, 0), 0x85);
    EXPECT_EQ(REMAPSCANCODE(0x3B, SHIFT, 0), 0x54);
    EXPECT_EQ(REMAPSCANCODE(0x3B, LEFT_CTRL | SHIFT, 0), 0x5E);  // Ctrl before Shift
    EXPECT_EQ(REMAPSCANCODE(0x3B, LEFT_ALT | LEFT_CTRL, 0), 0x68);  // Alt before Ctrl
    EXPECT_EQ(REMAPSCANCODE(0x4E, RIGHT_CTRL, 0), 0x4E);  // Ctrl+keypad plus keeps its own
    EXPECT_EQ(REMAPSCANCODE(0x53, LEFT_CTRL, 0), 0x93);
    EXPECT_EQ(REMAPSCANCODE(0x0F, LEFT_CTRL, 0), 0x94);
    EXPECT_EQ(REMAPSCANCODE(0x0D, RIGHT_ALT, 0), 0x83);
    EXPECT_EQ(REMAPSCANCODE(0x58, RIGHT_ALT, 0), 0x8C);
    EXPECT_EQ(REMAPSCANCODE(0x1E, SHIFT, 0), 0x1E);
}

TEST(CodePage, ProgramTextsShowTheirHungarianLetters) {
    std::string prompt = "A param\x82tereket tartalmaz\xA2 f\xA0jl neve? ";
    std::string shown;
    for (unsigned char c : prompt) {
        char bytes[3];
        shown.append(bytes, size_t(utf8_encode(unicode_of(c), bytes)));
    }
    EXPECT_EQ(shown, "A paramétereket tartalmazó fájl neve? ");
    EXPECT_EQ(unicode_of(0x8B), u'ő');
    EXPECT_EQ(unicode_of(0xFB), u'ű');
    EXPECT_EQ(unicode_of(0x9A), u'Ü');
    EXPECT_EQ(unicode_of(1), u'☺');
}
