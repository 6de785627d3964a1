#pragma once
// The applications Quillet registered on servers for signing in through the browser, kept so that
// the next sign-in to the same server reuses its registration: one binary value "Apps" under the
// program's key, protected like the access token. In clear it is UTF-8 lines, one a server:
// the server's address, the redirect address registered, the client id and the client secret,
// separated by tabs.
#include <optional>
#include <string>
#include <string_view>

#include "platform/secrets.h"
#include "settings/settings_store.h"

namespace quillet::app_registrations {

struct AppRegistration {
  std::string server;       // the server's address as ServerAddress::Url() gives it
  std::string redirectUri;  // as registered: the loopback address without a port, or the out-of-band one
  std::string clientId;
  std::string clientSecret;
};

// The registration kept for `server`; nothing when there is none or the value cannot be read.
std::optional<AppRegistration> Find(SettingsStore& settings, platform::ISecrets& secrets, std::string_view server);
// Keeps `registration`, replacing the one for the same server. Throws Failure when it cannot
// (a field holding a tab or a line break included).
void Keep(SettingsStore& settings, platform::ISecrets& secrets, const AppRegistration& registration);

}  // namespace quillet::app_registrations
