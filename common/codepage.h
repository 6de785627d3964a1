#pragma once
// The one conversion between the program's 16-bit text and 8-bit text: one character becomes
// one byte of the 8-bit code page (the system's ANSI code page on Windows, Windows-1252 on the
// fake platform). Only CharToByte and ByteToChar differ between the platforms.
#include <cstdint>
#include <string>
#include <string_view>

namespace quillet {

// The byte of one character. A character that the code page lacks becomes '?'; one that
// would take more than one byte (a double-byte code page) throws OverflowError.
std::uint8_t CharToByte(char16_t ch);

// The character of one byte.
char16_t ByteToChar(std::uint8_t byte);

// Whole texts, character by character through the two functions above.
std::string ToAnsi(std::u16string_view text);
std::u16string FromAnsi(std::string_view bytes);

// Plain ASCII text (names, fixed protocol words) as 16-bit text, and back. Bytes above 127 are
// not expected here; they pass through as the code points of the same value.
std::u16string Widen(std::string_view ascii);
std::string Narrow(std::u16string_view ascii);

}  // namespace quillet
