#include "common/pkce.h"

#include "common/sha256.h"

namespace quillet::pkce {

std::string Base64Url(std::string_view bytes) {
  static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
  std::string text;
  std::uint32_t pending = 0;
  int pendingBits = 0;
  for (char ch : bytes) {
    pending = (pending << 8) | static_cast<std::uint8_t>(ch);
    pendingBits += 8;
    while (pendingBits >= 6) {
      pendingBits -= 6;
      text.push_back(kDigits[(pending >> pendingBits) & 63]);
    }
  }
  if (pendingBits > 0) text.push_back(kDigits[(pending << (6 - pendingBits)) & 63]);
  return text;
}

std::string S256Challenge(std::string_view verifier) {
  auto digest = Sha256(verifier);
  return Base64Url(std::string_view(reinterpret_cast<const char*>(digest.data()), digest.size()));
}

}  // namespace quillet::pkce
