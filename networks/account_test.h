#pragma once
// Testing an account as the person entered it, before it is stored (the account dialog's Test) or
// as it is stored (Options' Test): each kind of network tests its own way (Network::Test).
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/callback.h"
#include "common/catalog.h"
#include "networks/service_api.h"
#include "platform/application.h"
#include "platform/http.h"
#include "platform/secrets.h"
#include "settings/settings_store.h"

namespace quillet {

class Network;

// What an account is tested with.
struct AccountEntries {
  const Network* network = nullptr;  // none: the first kind listed
  std::u16string server;             // trimmed; empty: the built-in service (or the kind's own)
  Credentials credentials;
};

// What a test signed in with (a Bluesky session), with the account it was made for: kept by whoever
// tests until the account is stored.
class TestedSignIn {
 public:
  explicit TestedSignIn(const Network* madeBy) : madeBy_(madeBy) {}
  virtual ~TestedSignIn() = default;
  bool MadeBy(const Network* network) const { return network == madeBy_; }
  // Keeps it in the account's values, when they are still those it was made for.
  virtual void KeepWith(SettingsStore& account, platform::ISecrets& secrets) const = 0;

 private:
  const Network* madeBy_;
};

// Where a test finds the sign-in kept for the account it tests, and where one it makes goes.
// Without them the test signs in and keeps nothing.
struct TestSessions {
  std::shared_ptr<const TestedSignIn> tested;  // the last test's, used when made for the same account
  std::shared_ptr<SettingsStore> stored;       // else the one the stored account keeps (with `secrets`)
  platform::ISecrets* secrets = nullptr;
  // Gets a sign-in the test made; none: it is kept in `stored`.
  Callback<void(std::shared_ptr<const TestedSignIn>)> keep;
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
using TestTold = Callback<bool(std::u16string words, std::optional<int> limit)>;

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
