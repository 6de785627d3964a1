#pragma once
// Testing an account as the person entered it, before it is stored (the account dialog's Test) or
// as it is stored (Options' Test): each kind of network tests its own way (Network::Test).
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/catalog.h"
#include "networks/service_api.h"
#include "platform/application.h"
#include "platform/http.h"
#include "platform/secrets.h"
#include "settings/settings_store.h"

namespace quillet {

class Network;
namespace bluesky {
struct Account;
struct Session;
}  // namespace bluesky

// What an account is tested with.
struct AccountEntries {
  const Network* network = nullptr;  // none: the first kind listed
  std::u16string server;             // trimmed; empty: the built-in service (or the kind's own)
  Credentials credentials;
};

// Where a test of a Bluesky account finds the session kept for it, and where a session the test
// makes goes. Without them the test signs in and keeps nothing.
struct TestSessions {
  std::function<std::optional<bluesky::Session>(const bluesky::Account&)> kept;
  std::function<void(const bluesky::Account&, const bluesky::Session&)> keep;
};
// The session kept in a stored account's "Session" value (Options' Test of a stored account).
TestSessions StoredSessions(std::shared_ptr<SettingsStore> account, platform::ISecrets& secrets);

struct AccountTestServices {
  const platform::IApplication& app;
  platform::IHttpClient& http;
  TestSessions sessions;
};

// Gets the words to show, at once and again as the answers come (with the limit read, once it
// is); returns false once nobody shows the words (the dialog has closed): then nothing more is asked.
using TestTold = std::function<bool(std::u16string words, std::optional<int> limit)>;

// Signs in without posting and reads the server's limit on a line's length, as the entries' kind
// of network does.
void TestAccount(const AccountTestServices& services, const AccountEntries& entries, TestTold told);

// Whether a host is this computer: 127.0.0.0/8, ::1 or localhost.
bool IsLoopbackHost(std::string_view host);

// The warning for credentials that would travel unencrypted to this server (http:// to a host
// other than loopback) with this kind of network and token; empty when they would not.
std::u16string ClearCredentialsWarning(const Catalog& words, const std::u16string& server, const Network& network,
                                       const std::string& token);

}  // namespace quillet
