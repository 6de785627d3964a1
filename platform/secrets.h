#pragma once
// Protection of secrets kept on disk (an access token): the system's per-user data protection
// on Windows. What Protect returns can be stored as it is; only the same user on the same
// machine gets the clear text back. Both throw quillet::Failure when they cannot do their work
// (a damaged or foreign blob included). RandomBytes draws from the system's cryptographic
// generator, for what must not be guessed (a sign-in's state and code verifier).
#include <cstddef>
#include <string>
#include <string_view>

namespace quillet::platform {

class ISecrets {
 public:
  virtual ~ISecrets() = default;
  virtual std::string Protect(std::string_view clear) = 0;
  virtual std::string Unprotect(std::string_view protectedData) = 0;
  virtual std::string RandomBytes(std::size_t count) = 0;
};

}  // namespace quillet::platform
