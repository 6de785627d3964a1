#pragma once
// UTF-8, for text that comes from or goes to a server. A lone surrogate or a malformed byte
// sequence becomes U+FFFD; nothing throws.
#include <string>
#include <string_view>

namespace quillet::utf8 {

std::string FromUtf16(std::u16string_view text);
// The code point whose encoding starts at bytes[i]; advances i past it, or past one byte (giving
// U+FFFD) when the sequence is malformed (overlong, a surrogate, beyond U+10FFFF, cut short).
char32_t NextCodePoint(std::string_view bytes, std::size_t& i);
// Appends one code point's encoding.
void Append(std::string& out, char32_t codePoint);
std::u16string ToUtf16(std::string_view bytes);

}  // namespace quillet::utf8
