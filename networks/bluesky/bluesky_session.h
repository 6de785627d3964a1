#pragma once
// Posting a line to a Bluesky server with a session kept between lines. The session (its access
// token lives about two hours, its refresh token about ninety days) is kept protected in the
// account's binary value "Session", bound to the server and handle it was made for. A used-up
// access token is renewed with the refresh token; only when that is refused does Quillet sign in
// again with the app password (the server allows few sign-ins: 30 in 5 minutes, about 100 a day).
// Every value of the account is read and written through the SettingsStore it is given.
#include <optional>
#include <string>

#include "common/callback.h"
#include "networks/bluesky/bluesky_api.h"
#include "networks/delivery_account.h"
#include "delivery/outcome.h"
#include "delivery/server_address.h"
#include "platform/clock.h"
#include "platform/http.h"
#include "platform/secrets.h"
#include "settings/settings_store.h"

namespace quillet::bluesky {

// Sends one request and runs its callback once with the reply.
using Exchange = Callback<void(platform::HttpRequest, Callback<void(const platform::HttpReply&)>)>;

// The account as the settings describe it.
struct Account {
  ServerAddress server;
  std::string serverText;  // the address as stored, which a kept session is bound to
  std::string identifier;  // the handle (or e-mail), UTF-8
  std::string appPassword;
  std::string language;  // the posts' language (ISO 639-1), or empty: none is named
};
// The account of `settings`: "Server" (https://bsky.social/ when none is stored), "Username",
// the password as the account keeps it (settings/accounts.h) and "PostLanguage"; nothing when the
// server address does not parse.
std::optional<Account> StoredAccount(SettingsStore& settings, platform::ISecrets& secrets);
// The same of an account as delivery has read it (its server parsed).
Account AccountOf(const DeliveryAccount& account);

std::optional<Session> LoadSession(SettingsStore& settings, platform::ISecrets& secrets, const Account& account);
// Keeps the session protected; a session that cannot be kept is only traced (the next line signs in).
void SaveSession(SettingsStore& settings, platform::ISecrets& secrets, const Account& account, const Session& session);

struct PostServices {
  SettingsStore& settings;
  platform::ISecrets& secrets;
  platform::IClock& clock;
  Exchange exchange;
};

// Posts `text` (UTF-8) under the record key `tid`: signs in when no session is kept, renews a
// used-up one, and puts the record. `leaving` runs before the post's request may leave and may
// hold it back (the outcome is then `heldBack`); `done` runs once with the outcome.
void Post(PostServices services, Account account, std::string tid, std::string text, Callback<bool()> leaving,
          DeliveryOutcome heldBack, Callback<void(const DeliveryOutcome&)> done);

// Test: the session `kept` for the account, or a new one when there is none or it is used up,
// then who is signed in, in words. A new session is handed to `made`, which decides where it is
// kept: Test itself stores nothing.
void Test(std::optional<Session> kept, Exchange exchange, Account account, Callback<void(const Session&)> made,
          Callback<void(std::u16string words)> told);

}  // namespace quillet::bluesky
