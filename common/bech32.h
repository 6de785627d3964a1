#pragma once
// Bech32 (BIP-173; not the later bech32m): a human-readable part, the separator "1", the data as
// characters of a 32-letter alphabet, each 5 bits, and a six-character checksum. Nostr writes its
// keys so (NIP-19: "npub1...", "nsec1...").
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::bech32 {

// `hrp` in lower case (printable ASCII), `groups` each below 32: the text in lower case.
std::string Encode(std::string_view hrp, std::span<const std::uint8_t> groups);

struct Decoded {
  std::string hrp;                   // in lower case
  std::vector<std::uint8_t> groups;  // the data's 5-bit groups, without the checksum
};
// Nothing for a text that is no valid Bech32: longer than `maxLength`, characters outside '!'..'~',
// upper and lower case mixed, no separator, an empty human-readable part, a character outside the
// alphabet, fewer than six characters after the separator, or a checksum that does not match.
std::optional<Decoded> Decode(std::string_view text, std::size_t maxLength = 90);

// Bytes as 5-bit groups, the last filled with zero bits.
std::vector<std::uint8_t> ToGroups(std::span<const std::uint8_t> bytes);
// 5-bit groups back as bytes; nothing when what is left over is 5 bits or more, or not all zero.
std::optional<std::vector<std::uint8_t>> FromGroups(std::span<const std::uint8_t> groups);

}  // namespace quillet::bech32
