#pragma once
// What a sign-in through the browser needs of cryptography (RFC 7636, PKCE): SHA-256, the
// URL-safe Base64 without padding, and the S256 code challenge of a code verifier.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillet::pkce {

// The SHA-256 digest of `bytes` (FIPS 180-4).
std::array<std::uint8_t, 32> Sha256(std::string_view bytes);
// Base64 with "-" and "_" for "+" and "/", and without "=" at the end (RFC 4648, section 5).
std::string Base64Url(std::string_view bytes);
// BASE64URL(SHA256(verifier)): the code_challenge for code_challenge_method=S256.
std::string S256Challenge(std::string_view verifier);

}  // namespace quillet::pkce
