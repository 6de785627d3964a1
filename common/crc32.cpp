#include "common/crc32.h"

#include <array>

namespace quillet {

std::uint32_t Crc32(std::string_view bytes) {
  static const auto kTable = [] {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int bit = 0; bit < 8; ++bit) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
      table[n] = c;
    }
    return table;
  }();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : bytes) crc = kTable[(crc ^ byte) & 0xFFu] ^ (crc >> 8);
  return ~crc;
}

}  // namespace quillet
