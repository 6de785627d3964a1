#pragma once
// Secrets protected by the system's per-user data protection (DPAPI): only the same user on the
// same machine can read them back.
#include <string>
#include <string_view>

#include "platform/secrets.h"

namespace quillet::platform::win32 {

class Win32Secrets : public ISecrets {
 public:
  std::string Protect(std::string_view clear) override;
  std::string Unprotect(std::string_view protectedData) override;
  // From BCryptGenRandom (the system-preferred generator), loaded at its first use.
  std::string RandomBytes(std::size_t count) override;
};

}  // namespace quillet::platform::win32
