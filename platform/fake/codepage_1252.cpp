// Windows-1252 for the fake platform. The five bytes that 1252 leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) map to the control characters of the same value, as Windows maps them,
// so every byte round-trips.
#include <array>

#include "common/codepage.h"

namespace quillet {
namespace {

// Eight to a row, as code pages are printed.
// clang-format off
constexpr std::array<char16_t, 32> kHigh80 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
// clang-format on

}  // namespace

char16_t ByteToChar(std::uint8_t byte) {
  if (byte >= 0x80 && byte < 0xA0) return kHigh80[byte - 0x80];
  return static_cast<char16_t>(byte);
}

std::uint8_t CharToByte(char16_t ch) {
  if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) return static_cast<std::uint8_t>(ch);
  for (std::size_t i = 0; i < kHigh80.size(); ++i) {
    if (kHigh80[i] == ch) return static_cast<std::uint8_t>(0x80 + i);
  }
  return '?';
}

}  // namespace quillet
