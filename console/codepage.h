// The console's code page and the terminal's character set: what the program's bytes
// and the typed characters look like on the terminal, one cell each.
#pragma once
#include <cstdint>

namespace console {

// The character of a byte in code page 852; control bytes give their PC glyphs.
char16_t unicode_of(uint8_t byte);

// The terminal's character set, by the name the locale gives it (nl_langinfo).
void use_charset(const char* codeset);
bool charset_is_utf8();

// The bytes that show one byte of the program's text (code page 852) in the
// terminal's set: the letter itself where the set has it, else a plain ASCII
// likeness (é as e, a box corner as +). Returns their count.
int glyph_of_byte(uint8_t byte, char out[4]);

// The bytes that show one typed UTF-8 character in one cell: itself on a UTF-8
// terminal, else converted or likened as above.
int glyph_of_typed(const uint8_t* utf8, int length, char out[4]);

}  // namespace console
