#pragma once
// Base64 of RFC 4648 (section 4 alphabet, "=" padding, no line breaks): over the text's bytes in
// the 8-bit code page, one byte per character, or over bytes as they are.
#include <string>
#include <string_view>

namespace quillet::base64 {

// Throws OverflowError, with no partial result, when a character takes more than one byte.
std::u16string Encode(std::u16string_view text);
std::string EncodeBytes(std::string_view bytes);

}  // namespace quillet::base64
