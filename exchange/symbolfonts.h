#pragma once
// The symbol fonts of word processors, whose characters show other signs
// than their codes say: in the Symbol font "a" shows α. Documents give
// these characters either as codes 0x20-0xFF or as the same codes moved to
// the private-use area (U+F020-U+F0FF); both are turned into the Unicode
// characters they show.
#include <QStringView>

namespace exchange::symbolfonts {

enum class Font : unsigned char {
    Other,     // a font whose characters are what their codes say
    Symbol,    // Adobe's Symbol encoding
    Wingdings, // Microsoft's Wingdings (its common bullets and check marks)
};

// The font of a family name ("Symbol", "Wingdings"; case and surrounding
// quotes or spaces aside).
Font fontNamed(QStringView family);

// The character shown by `code` in `font`; `code` itself where the font is
// Other or the sign has no known Unicode character (never 0).
char32_t shown(Font font, char32_t code);

} // namespace exchange::symbolfonts
