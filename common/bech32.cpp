#include "common/bech32.h"

#include <string>

namespace quillet::bech32 {
namespace {

constexpr char kAlphabet[] = "qpzry9x8gf2tvdw0s3jn54khce6mua7l";

std::uint32_t Polymod(std::span<const std::uint8_t> values) {
  static constexpr std::uint32_t kGenerator[5] = {0x3b6a57b2, 0x26508e6d, 0x1ea119fa, 0x3d4233dd, 0x2a1462b3};
  std::uint32_t checksum = 1;
  for (std::uint8_t value : values) {
    std::uint32_t top = checksum >> 25;
    checksum = ((checksum & 0x1ffffff) << 5) ^ value;
    for (int i = 0; i < 5; ++i)
      if ((top >> i) & 1) checksum ^= kGenerator[i];
  }
  return checksum;
}

// The human-readable part as the checksum sees it: each character's high bits, a zero, its low bits.
std::vector<std::uint8_t> Expanded(std::string_view hrp) {
  std::vector<std::uint8_t> values;
  values.reserve(hrp.size() * 2 + 1);
  for (char ch : hrp) values.push_back(static_cast<std::uint8_t>(static_cast<unsigned char>(ch) >> 5));
  values.push_back(0);
  for (char ch : hrp) values.push_back(static_cast<std::uint8_t>(ch & 31));
  return values;
}

}  // namespace

std::string Encode(std::string_view hrp, std::span<const std::uint8_t> groups) {
  std::vector<std::uint8_t> values = Expanded(hrp);
  values.insert(values.end(), groups.begin(), groups.end());
  values.insert(values.end(), 6, 0);
  std::uint32_t checksum = Polymod(values) ^ 1;
  std::string text(hrp);
  text += '1';
  for (std::uint8_t group : groups) text += kAlphabet[group & 31];
  for (int i = 0; i < 6; ++i) text += kAlphabet[(checksum >> (5 * (5 - i))) & 31];
  return text;
}

std::optional<Decoded> Decode(std::string_view text, std::size_t maxLength) {
  if (text.size() > maxLength) return std::nullopt;
  bool lower = false, upper = false;
  for (char ch : text) {
    if (ch < '!' || ch > '~') return std::nullopt;
    lower |= ch >= 'a' && ch <= 'z';
    upper |= ch >= 'A' && ch <= 'Z';
  }
  if (lower && upper) return std::nullopt;
  std::size_t separator = text.rfind('1');
  if (separator == std::string_view::npos || separator == 0 || text.size() - separator - 1 < 6) return std::nullopt;
  Decoded decoded;
  for (char ch : text.substr(0, separator)) decoded.hrp += ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch + 32) : ch;
  std::vector<std::uint8_t> values = Expanded(decoded.hrp);
  std::size_t hrpValues = values.size();
  for (char ch : text.substr(separator + 1)) {
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch + 32);
    const char* found = std::char_traits<char>::find(kAlphabet, 32, ch);
    if (found == nullptr) return std::nullopt;
    values.push_back(static_cast<std::uint8_t>(found - kAlphabet));
  }
  if (Polymod(values) != 1) return std::nullopt;
  decoded.groups.assign(values.begin() + static_cast<std::ptrdiff_t>(hrpValues), values.end() - 6);
  return decoded;
}

std::vector<std::uint8_t> ToGroups(std::span<const std::uint8_t> bytes) {
  std::vector<std::uint8_t> groups;
  groups.reserve((bytes.size() * 8 + 4) / 5);
  std::uint32_t pending = 0;
  int bits = 0;
  for (std::uint8_t byte : bytes) {
    pending = (pending << 8) | byte;
    bits += 8;
    while (bits >= 5) {
      bits -= 5;
      groups.push_back(static_cast<std::uint8_t>((pending >> bits) & 31));
    }
  }
  if (bits > 0) groups.push_back(static_cast<std::uint8_t>((pending << (5 - bits)) & 31));
  return groups;
}

std::optional<std::vector<std::uint8_t>> FromGroups(std::span<const std::uint8_t> groups) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(groups.size() * 5 / 8);
  std::uint32_t pending = 0;
  int bits = 0;
  for (std::uint8_t group : groups) {
    if (group > 31) return std::nullopt;
    pending = ((pending << 5) | group) & 0xfff;
    bits += 5;
    if (bits >= 8) {
      bits -= 8;
      bytes.push_back(static_cast<std::uint8_t>((pending >> bits) & 0xff));
    }
  }
  if (bits >= 5 || (pending & ((1u << bits) - 1)) != 0) return std::nullopt;
  return bytes;
}

}  // namespace quillet::bech32
