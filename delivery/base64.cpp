#include "delivery/base64.h"

#include <array>
#include <cstdint>

#include "common/codepage.h"

namespace quillet::base64 {
namespace {

constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The four characters of one block of three bytes.
std::array<char, 4> EncodeBlock(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2) {
  return {kAlphabet[b0 >> 2], kAlphabet[((b0 & 0x03) << 4) | (b1 >> 4)], kAlphabet[((b1 & 0x0F) << 2) | (b2 >> 6)],
          kAlphabet[b2 & 0x3F]};
}

}  // namespace

std::u16string Encode(std::u16string_view text) {
  const std::string ascii = EncodeBytes(ToAnsi(text));  // fails as a whole before any output
  return std::u16string(ascii.begin(), ascii.end());
}

std::string EncodeBytes(std::string_view bytes) {
  auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
  const std::size_t n = bytes.size();
  const std::size_t groups = n / 3;

  std::string output;
  output.reserve(4 * ((n + 2) / 3));
  for (std::size_t k = 0; k < groups; ++k) {
    auto block = EncodeBlock(byte(3 * k), byte(3 * k + 1), byte(3 * k + 2));
    output.append(block.begin(), block.end());
  }
  switch (n % 3) {
    case 1: {
      auto block = EncodeBlock(byte(n - 1), 0, 0);
      output.append(block.begin(), block.begin() + 2).append("==");
      break;
    }
    case 2: {
      auto block = EncodeBlock(byte(n - 2), byte(n - 1), 0);
      output.append(block.begin(), block.begin() + 3).append("=");
      break;
    }
    default:
      break;
  }
  return output;
}

}  // namespace quillet::base64
