#pragma once
// The Mastodon access token, kept as the binary value "Token" under the program's key in its
// protected form only: it is never stored or logged in clear.
#include <string>
#include <string_view>

#include "platform/secrets.h"
#include "settings/settings_store.h"

namespace quillet::access_token {

// The token in clear; empty when none is stored or the stored one cannot be unprotected
// (damaged, or protected by another user or machine).
std::string Load(SettingsStore& settings, platform::ISecrets& secrets);
// Stores the token protected; an empty token removes the value. Throws Failure when it cannot.
void Save(SettingsStore& settings, platform::ISecrets& secrets, std::string_view token);

}  // namespace quillet::access_token
