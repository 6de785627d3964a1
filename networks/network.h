#pragma once
// One kind of network, whole: what delivery asks of it (delivery/line_network.h: the traits the
// outbox decides by, a line's key, sending, reading back), the stored "Api" value that chooses it,
// the longest line it takes, and what the dialogs and the tray ask of it (its rows and names, the
// test of an account, signing in). Each kind lives in a folder of its own under networks/ and is
// listed once, in networks/registry.cpp.
#include <optional>
#include <string>
#include <string_view>

#include "delivery/line_limit.h"
#include "delivery/line_network.h"
#include "delivery/server_address.h"
#include "networks/account_fields.h"
#include "networks/account_keys.h"
#include "networks/account_test.h"
#include "platform/http.h"
#include "platform/secrets.h"
#include "settings/settings_store.h"

namespace quillet {

class Network : public LineNetwork {
 public:
  // The stored "Api" value that chooses it, in lower case (matched without regard to case); the
  // first kind listed is chosen by any other value, the absent one included.
  virtual std::u16string_view ApiName() const = 0;
  // The longest line the account takes.
  virtual LineLimit Limit(SettingsStore& account) const = 0;
  // Its entry in the account dialog's list of kinds, in English (translated where it is shown).
  virtual std::u16string_view Choice() const = 0;
  // What a row of Options' list of accounts calls it, in English (translated where it is shown).
  virtual std::u16string_view KindName() const = 0;
  // What the account dialog shows for it, the boxes behind its check boxes among them.
  virtual AccountFields Fields() const = 0;
  // Its lines are sent nowhere and kept in the journal alone.
  virtual bool JournalOnly() const { return false; }

  // The server an account's stored address stands for (the kind's own where none is stored).
  virtual std::u16string ServerText(std::u16string stored) const { return stored; }
  // What a row of Options' list shows in the server's and the name's columns, where the kind
  // shows something else than the stored server and user name (a Nostr account's relays and key).
  virtual void ListRow(SettingsStore& /*account*/, platform::ISecrets&, std::u16string& /*server*/,
                       std::u16string& /*name*/) const {}
  // Its accounts' own keys and relays, for a kind that has them (Fields().nostrKey, .relays).
  virtual const AccountKeys* Keys() const { return nullptr; }
  // "Open <host>" in the tray menu opens the account's own page there (<server>@<user name>).
  virtual bool HomeIsProfile() const { return false; }
  // The words (in English, with the host as %1) that warn of the secret that would travel
  // unencrypted to the account's server, with a token or without.
  virtual std::u16string_view SecretInClear(bool /*token*/) const {
    return Translatable(
        u"Your password will travel unencrypted to %1 (the address starts with http://): anyone on the way can read it.");
  }

  // Tests the account as entered without posting (signs in, reads the server's limit on a
  // line's length), or tells why it does not; `told` as TestAccount's.
  virtual void Test(const AccountTestServices& services, const AccountEntries& entries, const TestTold& told) const = 0;

  // For a kind that signs in through the browser (Fields().signIn): the request that asks the
  // server whom a token belongs to, and the name its successful reply gives.
  virtual std::optional<platform::HttpRequest> WhoseToken(const ServerAddress& /*server*/,
                                                          const std::string& /*token*/) const {
    return std::nullopt;
  }
  virtual std::optional<std::u16string> SignedInName(std::string_view /*body*/) const { return std::nullopt; }
};

}  // namespace quillet
