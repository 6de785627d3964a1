#pragma once
// SHA-256 (FIPS 180-4): PKCE's code challenge, a Nostr event's id.
#include <array>
#include <cstdint>
#include <string_view>

namespace quillet {

using Sha256Digest = std::array<std::uint8_t, 32>;

Sha256Digest Sha256(std::string_view bytes);

}  // namespace quillet
