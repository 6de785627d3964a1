#pragma once
// Numbers shown or stored as text. The conversion to a 16-bit integer accepts a decimal number
// with surrounding blanks, an optional sign and an optional fraction; a fraction goes to the
// nearest integer, a half to the even neighbour. Text that is no number throws TypeMismatch, a
// number outside -32768..32767 throws OverflowError.
#include <cstdint>
#include <string>
#include <string_view>

namespace quillet {

std::int16_t ToInt16(std::u16string_view text);

// A whole number as decimal text: no leading zeros, no blanks, "-" only for negatives.
std::u16string DecimalText(long long number);

// The text without the blanks (spaces, tabs) it starts or ends with, as typed into a field.
std::u16string Trimmed(std::u16string text);

// A value in twips (or any product of pixels and a scale) to the nearest 32-bit integer,
// a half to the even neighbour.
std::int32_t RoundHalfEven(double value);

// Twips per pixel at a density in logical dots per inch: exactly 1440 / dpi (15 at 96 dpi,
// 8.571... at 168, 7.5 at 192).
double TwipsPerPixel(int dpi);

// Twips to whole pixels at a density in logical dots per inch, a half to the even neighbour.
std::int32_t TwipsToPixels(std::int32_t twips, int dpi);

}  // namespace quillet
