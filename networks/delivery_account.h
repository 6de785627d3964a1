#pragma once
// An account as delivery sees it, read once from its stored values when an exchange begins: the
// kind of service, the server's address parsed (Bluesky's own when none is stored), the
// credentials in clear, the limit on a line's length, the visibility and language chosen for its
// posts. Every step of the exchange works from this
// value; nothing reads or parses the settings again.
#include <optional>
#include <string>
#include <vector>

#include "delivery/line_limit.h"
#include "networks/nostr/nostr_keys.h"
#include "delivery/server_address.h"
#include "networks/service_api.h"
#include "platform/secrets.h"
#include "settings/settings_store.h"

namespace quillet {

// Where and how the account posts.
struct AccountService {
  std::string id{"1"};                  // see settings/accounts.h
  ServiceApi api = ServiceApi::kTwitter;
  bool builtIn = true;                  // no "Server" (and neither Bluesky nor Nostr): the built-in endpoint
  std::optional<ServerAddress> server;  // parsed; empty when the stored text does not parse
  std::u16string serverText;            // as stored, or Bluesky's own address

  // The service tells a repeated post by its key: the Idempotency-Key of Mastodon-compatible
  // servers, the record key of a Bluesky post (a repeat writes the same record again), the signed
  // event of a Nostr line (a relay drops an event it has).
  bool HonoursRepeatKeys() const {
    return ((api == ServiceApi::kMastodon || api == ServiceApi::kBluesky) && server.has_value()) ||
           api == ServiceApi::kNostr;
  }
  // A repeat under the same key never posts twice, however late: Bluesky's record keys.
  bool KeysNeverExpire() const { return api == ServiceApi::kBluesky && server.has_value(); }
  // The account's latest posts can be read to see whether a line arrived.
  // Relays are asked for the line's event by its id.
  bool CanReadBack() const { return (server.has_value() && api != ServiceApi::kJournal) || api == ServiceApi::kNostr; }
  // The host the person knows the account by, for messages.
  std::string HostForMessages(std::string_view builtInHost) const {
    if (api == ServiceApi::kNostr) return "the relays";
    return builtIn ? std::string(builtInHost) : server ? server->host : std::string("the server");
  }
};

// The same with what posting needs besides.
struct DeliveryAccount : AccountService {
  Credentials credentials;
  LineLimit limit;
  // A Nostr account's: its secret key (nothing when none usable is stored) and its relays.
  std::optional<nostr::SecretKey> nostrKey;
  std::vector<std::string> relays;
  PostOptions options;  // those the account's kind of service takes; the rest left empty
};

// The server an account's stored address stands for: Bluesky's own when a Bluesky account has none.
std::u16string AccountServerText(ServiceApi api, std::u16string stored);
// What the account's settings hold (`settings`: the program's store for the first account, else a
// scoped one), its credentials unscrambled or unprotected.
AccountService ReadAccountService(SettingsStore& settings, std::string id);
DeliveryAccount ReadDeliveryAccount(SettingsStore& settings, platform::ISecrets& secrets, std::string id);

// The longest status line the account's service takes: the stored "TextLimit" (1 to 5000
// characters) when a server is set, 300 graphemes and 3,000 UTF-8 bytes for Bluesky, else 140.
LineLimit ChosenLineLimit(SettingsStore& settings);
// The limit a line must keep to reach every ticked account (`settings`: the program's store); with
// none ticked, the first account's, where the outbox then keeps the line.
LineLimit TickedLineLimit(SettingsStore& settings);

}  // namespace quillet
