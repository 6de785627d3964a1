#pragma once
// Writing JSON: a string literal.
#include <string>
#include <string_view>

namespace quillet::json {

// A JSON string literal, quotes included, of UTF-8 text, written as JavaScript's JSON.stringify
// writes it: the quote and the backslash escaped, the control characters that have a short
// escape (\b \t \n \f \r) so, the other ones below U+0020 as \u00XX, every other character as it
// is. (A Nostr event's id is the digest of its fields written so.)
std::string Quote(std::string_view text);

}  // namespace quillet::json
