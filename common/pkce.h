#pragma once
// What a sign-in through the browser needs of cryptography (RFC 7636, PKCE): the URL-safe Base64
// without padding, and the S256 code challenge of a code verifier (common/sha256.h).
#include <string>
#include <string_view>

namespace quillet::pkce {

// Base64 with "-" and "_" for "+" and "/", and without "=" at the end (RFC 4648, section 5).
std::string Base64Url(std::string_view bytes);
// BASE64URL(SHA256(verifier)): the code_challenge for code_challenge_method=S256.
std::string S256Challenge(std::string_view verifier);

}  // namespace quillet::pkce
