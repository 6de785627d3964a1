#pragma once
// Sends a confirmed status line to where the settings say:
//   no "Server"      the built-in endpoint, through the socket control, as it always was;
//   "http://..."     that server, through the socket control, in the same HTTP/1.0 form;
//   "https://..."    that server, through the system's HTTP client (TLS, certificates checked).
// The Twitter- or Mastodon-compatible request follows "Api". A "Server" that does not parse
// (written by hand) sends nothing and fails for good.
// One exchange at a time: every attempt ends in exactly one outcome (see outcome.h), read from the
// reply's status line, from the way the connection ended, or from a deadline on the monotonic
// clock. It also reads a line back: whether the account's latest posts hold it.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "delivery/line_limit.h"
#include "delivery/outcome.h"
#include "delivery/server_address.h"
#include "delivery/service_api.h"
#include "platform/clock.h"
#include "platform/http.h"
#include "platform/secrets.h"
#include "platform/socket.h"
#include "settings/accounts.h"
#include "settings/settings_store.h"

namespace quillet {

// Where status updates go when no server is set; fixed when the program is built.
struct Endpoint {
  std::string connectHost;
  std::string hostHeader;
  std::uint16_t port;
};
Endpoint BuiltInEndpoint();

struct SenderServices {
  SettingsStore& settings;
  platform::IHttpClient& http;
  platform::ISecrets& secrets;
  platform::IClock& clock;
};

// The service an account's settings name, read afresh at every call (`settings` is the program's
// store for the first account, or an account-scoped one).
struct ServiceChoice {
  ServiceApi api = ServiceApi::kTwitter;
  bool builtIn = true;                  // no "Server" is set
  std::optional<ServerAddress> server;  // the parsed "Server"; empty when it does not parse

  // The service tells a repeated post by its key: the Idempotency-Key of Mastodon-compatible
  // servers, the record key of a Bluesky post (a repeat writes the same record again).
  bool HonoursRepeatKeys() const {
    return (api == ServiceApi::kMastodon || api == ServiceApi::kBluesky) && server.has_value();
  }
  // A repeat under the same key never posts twice, however late: Bluesky's record keys.
  bool KeysNeverExpire() const { return api == ServiceApi::kBluesky && server.has_value(); }
  // The account's latest posts can be read to see whether a line arrived.
  bool CanReadBack() const { return server.has_value() && api != ServiceApi::kJournal; }
};
// Bluesky without a "Server" posts to kBlueskyServer.
ServiceChoice ChosenService(SettingsStore& settings);

// The account's stored user name, password (unscrambled, or unprotected for accounts after the
// first) and access token (unprotected).
Credentials StoredCredentials(SettingsStore& settings, platform::ISecrets& secrets);

// The longest status line the chosen service takes: the stored "TextLimit" (1 to 5000
// characters) when a server is set, 300 graphemes and 3,000 UTF-8 bytes for Bluesky, else 140.
LineLimit ChosenLineLimit(SettingsStore& settings);
// The limit a line must keep to reach every ticked account (`settings`: the program's store); with
// none ticked, the first account's, where the outbox then keeps the line.
LineLimit TickedLineLimit(SettingsStore& settings);

// What reading a line back found.
struct ReadBackAnswer {
  enum Finding { kFound, kNotFound, kFailed } finding = kFailed;
  DeliveryOutcome failure;  // when kFailed: temporary (try again later) or permanent (cannot be read back)
};

class StatusSender {
 public:
  // How long a connection may take to come up, and a reply to come after the request.
  static constexpr std::int64_t kConnectTimeoutMs = 30'000;
  static constexpr std::int64_t kReplyTimeoutMs = 30'000;
  // The HTTP client gives up after 30 seconds on its own; this is the sender's own limit on it.
  static constexpr std::int64_t kSecureTimeoutMs = 35'000;
  // The most of a reply's body kept when reading posts back.
  static constexpr std::size_t kLongestBody = 1024 * 1024;

  StatusSender(platform::ISocket& socket, SenderServices services, Endpoint builtIn);
  StatusSender(const StatusSender&) = delete;
  StatusSender& operator=(const StatusSender&) = delete;

  using Done = std::function<void(const DeliveryOutcome&)>;
  // Starts one attempt; returns at once. `leaving` runs just before the request may leave (from
  // then on a repeat may be a duplicate), and may hold it back by answering false (the attempt
  // then ends as a temporary failure); `done` runs once, later, with the outcome. A
  // Mastodon-compatible request carries `idempotencyKey`, when there is one, so that the server
  // can tell a repeat. An attempt still under way is abandoned without an outcome.
  // The line goes to the account `account` names (its id, see settings/accounts.h).
  void Send(std::string_view account, std::u16string status, std::string idempotencyKey,
            std::function<bool()> leaving, Done done);
  void Send(std::u16string status, std::string idempotencyKey, std::function<bool()> leaving, Done done) {
    Send(kFirstAccountId, std::move(status), std::move(idempotencyKey), std::move(leaving), std::move(done));
  }
  // Reads the account's latest posts; `done` runs once, later, with whether `line` is among them.
  // A Bluesky post is looked up by its record key, `key`.
  void ReadBack(std::string_view account, std::u16string line, std::string key,
                std::function<void(const ReadBackAnswer&)> done);
  // Ends an exchange that has waited too long.
  void OnTick();
  bool Busy() const { return static_cast<bool>(done_) || static_cast<bool>(fetched_); }

  // For every account with a server set, asks the server for its limit on a line's length and
  // keeps it as the account's "TextLimit".
  void RefreshTextLimit();
  // The same for one account.
  void RefreshTextLimit(std::string_view account);

 private:
  using Fetched = std::function<void(const platform::HttpReply&)>;
  // A GET of a server of the user's choice, through the socket or the HTTP client as its address
  // says; `fetched` runs once with the reply (its body up to kLongestBody).
  void Fetch(platform::HttpRequest request, Fetched fetched);
  void FinishFetch(platform::HttpReply reply);
  void ReadPosts(std::u16string line, std::string accountId, std::function<void(const ReadBackAnswer&)> done);
  // The Bluesky exchanges (delivery/bluesky_session.h), through Fetch.
  void SendToBluesky();
  void ReadBackFromBluesky(std::string key, std::function<void(const ReadBackAnswer&)> done);

  void OnConnected();
  void OnReplyArrived();
  void OnConnectionEnded(platform::SocketEnd how);
  // Ends the attempt under way with `outcome`, the socket closed first.
  void Finish(const DeliveryOutcome& outcome);
  std::string TargetHost() const;
  // Sends a request through the HTTP client; `reply` runs with its answer while this exchange is
  // still the one under way.
  void SendSecure(platform::HttpRequest request, std::function<void(const platform::HttpReply&)> reply);

  // The store of the account the exchange under way is for (the program's store: the first).
  SettingsStore& Account() { return account_ ? *account_ : s_.settings; }
  void ChooseAccount(std::string_view account);

  platform::ISocket& socket_;
  SenderServices s_;
  std::unique_ptr<SettingsStore> account_;
  Endpoint builtIn_;
  // The line being sent, and where to; OnConnected composes the request from them and the
  // credentials stored at that moment.
  std::u16string confirmedStatus_;
  std::string idempotencyKey_;
  ServiceChoice target_;
  std::function<bool()> leaving_;
  // `leaving_` held the request back.
  DeliveryOutcome HeldBack() const;
  Done done_;                       // set while a post is under way
  Fetched fetched_;                 // set while a fetch is under way
  platform::HttpRequest fetchRequest_;
  std::uint32_t attempt_ = 0;       // counts exchanges: an answer to an abandoned one is dropped
  std::int64_t deadlineMs_ = 0;     // on the monotonic clock: when the exchange times out; 0: none
  bool requestHandedOver_ = false;  // SendData has taken the request
  std::string reply_;               // the reply's first bytes, up to its head (a fetch: the whole reply)
  // Replies of the HTTP client reach the sender only while it exists.
  std::shared_ptr<StatusSender*> self_ = std::make_shared<StatusSender*>(this);
};

}  // namespace quillet
