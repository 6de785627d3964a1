#pragma once
// The accounts lines are posted to. The first (id "1") is the values directly under the program's
// key, as they always were; every further one is a subkey Accounts\<id> of it holding the same
// values (see kAccountSettings). Each account has a tick, "PostHere" (absent: ticked): a
// confirmed line goes to every ticked account. Nothing is cached: every call reads the registry.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/catalog.h"
#include "platform/secrets.h"
#include "settings/settings_store.h"

namespace quillet {

// The first account's id, the one the settings dialog's values describe.
inline constexpr std::string_view kFirstAccountId = "1";

struct AccountSummary {
  std::string id;
  std::u16string api;       // the stored kind of service ("twitter" when absent)
  std::u16string server;    // the stored server address; empty: the built-in service
  std::u16string userName;  // the account's user name (handle)
  bool postHere = true;
};

class Accounts {
 public:
  explicit Accounts(SettingsStore& settings) : settings_(settings) {}

  // Every account's id: "1" first, then the others in increasing order.
  std::vector<std::string> Ids();
  std::vector<AccountSummary> List();
  // One account's (that exists).
  AccountSummary Summary(std::string_view id);
  // The ids of the ticked accounts, in the same order.
  std::vector<std::string> Ticked();
  // A new account's subkey, under the next number never given (one above the largest present,
  // or the stored NextAccount when that is higher); returns the id.
  std::string Add();
  // Removes the account's subkey and its values; the first account cannot be removed. Its number
  // is never given again: lines still waiting may name it.
  void Remove(std::string_view id);
  // A store that reads and writes the account's values (for "1", the program's key itself). It
  // must not outlive `settings`.
  std::unique_ptr<SettingsStore> Store(std::string_view id);
  bool Exists(std::string_view id);

  // The subkey an account's values live under, relative to the program's key ("" for "1").
  static std::u16string SubKey(std::string_view id);

 private:
  unsigned long NextNumber();
  void KeepNextNumber(unsigned long next);

  SettingsStore& settings_;
};

// An account's password: protected bytes for every account after the first. The first account's
// is scrambled text ("Password", as the settings dialog has always kept it) while it posts to the
// built-in service; for a server of the user's choice (a "Server" set, or another kind of service)
// it is protected bytes under "ProtectedPassword" instead, with no scrambled copy. A stored
// "ProtectedPassword" is read first; an earlier Quillet's scrambled value is read without it.
std::u16string LoadPassword(SettingsStore& account, platform::ISecrets& secrets);
void SavePassword(SettingsStore& account, platform::ISecrets& secrets, std::u16string_view password);

// How an account is named to the person: "social.example (alice)", or the kind when there is no
// server ("Journal only", "the built-in service (alice)"), in the words given (the journal's are
// English).
std::u16string AccountName(const AccountSummary& account, const Catalog& words);

}  // namespace quillet
