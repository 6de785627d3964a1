#pragma once
// A 32-bit number stored most significant byte first (network order: SHA-256's words, PNG's
// chunk fields, zlib's check).
#include <cstdint>

namespace quillet {

constexpr std::uint32_t ReadBigEndian32(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
         static_cast<std::uint32_t>(bytes[2]) << 8 | bytes[3];
}

}  // namespace quillet
