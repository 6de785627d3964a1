// The system's ANSI code page.
#include <windows.h>

#include "common/codepage.h"
#include "common/failure.h"

namespace quillet {

std::uint8_t CharToByte(char16_t ch) {
  wchar_t wide = static_cast<wchar_t>(ch);
  char bytes[4] = {};
  int count = WideCharToMultiByte(CP_ACP, 0, &wide, 1, bytes, sizeof bytes, nullptr, nullptr);
  if (count > 1) throw OverflowError("the character takes more than one byte");
  if (count == 0) return '?';
  return static_cast<std::uint8_t>(bytes[0]);
}

char16_t ByteToChar(std::uint8_t byte) {
  char narrow = static_cast<char>(byte);
  wchar_t wide = L'?';
  if (MultiByteToWideChar(CP_ACP, 0, &narrow, 1, &wide, 1) != 1) return u'?';
  return static_cast<char16_t>(wide);
}

}  // namespace quillet
