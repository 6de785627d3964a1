#include "common/codepage.h"

namespace quillet {

std::string ToAnsi(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (char16_t ch : text) bytes.push_back(static_cast<char>(CharToByte(ch)));
  return bytes;
}

std::u16string FromAnsi(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size());
  for (char byte : bytes) text.push_back(ByteToChar(static_cast<std::uint8_t>(byte)));
  return text;
}

std::u16string Widen(std::string_view ascii) {
  std::u16string text;
  text.reserve(ascii.size());
  for (char ch : ascii) text.push_back(static_cast<char16_t>(static_cast<unsigned char>(ch)));
  return text;
}

std::string Narrow(std::u16string_view ascii) {
  std::string text;
  text.reserve(ascii.size());
  for (char16_t ch : ascii) text.push_back(static_cast<char>(ch));
  return text;
}

}  // namespace quillet
