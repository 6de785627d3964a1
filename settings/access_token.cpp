#include "settings/access_token.h"

#include "common/steps.h"
#include "settings/setting_names.h"

namespace quillet::access_token {

std::string Load(SettingsStore& settings, platform::ISecrets& secrets) {
  std::string token;
  Step([&] {
    auto stored = settings.ReadBytes(kToken);
    if (stored && !stored->empty()) token = secrets.Unprotect(*stored);
  });
  return token;
}

void Save(SettingsStore& settings, platform::ISecrets& secrets, std::string_view token) {
  if (token.empty()) {
    settings.Delete(kToken);
  } else {
    settings.SaveBytes(kToken, secrets.Protect(token));
  }
}

}  // namespace quillet::access_token
