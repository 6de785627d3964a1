#pragma once
// Counts what a reader sees as one character (an extended grapheme cluster): "é" typed as e and a
// combining accent, a flag of two regional indicators, a family joined by zero-width joiners, an
// emoji with a skin tone or a variation selector, a Hangul syllable of jamo. A compact reading of
// Unicode's segmentation rules (UAX #29) with the classes that text typed into a status line
// meets; a code point outside its tables counts as a character of its own.
#include <string_view>

namespace quillet::grapheme {

int Count(std::u16string_view text);

}  // namespace quillet::grapheme
