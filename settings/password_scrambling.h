#pragma once
// The stored password text. Not encryption: each password character of code c (in the 8-bit
// code page) is split into three shares a + b + d = c, written as the characters a+50, b+50 and
// d+50, followed by a random filler character of code 50..99. Four characters per character.
#include <string>
#include <string_view>

#include "common/callback.h"

namespace quillet::password_scrambling {

// Scrambles a password; the shares are drawn anew, from a generator seeded by the clock.
std::u16string Scramble(std::u16string_view password);

// The same, with the draws (each uniform in [0, 1)) taken from `draw`, in the order r1, r2, r3
// for each character.
std::u16string Scramble(std::u16string_view password, const Callback<double()>& draw);

// Restores a password: each group of four gives the character x1 + x2 + x3 - 150; the filler
// is never looked at. A group whose sum falls outside 0..255 gives no character.
std::u16string Unscramble(std::u16string_view stored);

}  // namespace quillet::password_scrambling
