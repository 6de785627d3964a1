#pragma once
// Each account's way to its service. A sender sends the account's confirmed lines where its
// settings say:
//   no "Server"      the built-in endpoint, over the socket control, as it always was;
//   "http://..."     that server, over the socket control, in the same HTTP/1.0 form;
//   "https://..."    that server, through the system's HTTP client (TLS, certificates checked).
// The request follows "Api" (service_api.h, bluesky_api.h). A "Server" that does not parse
// (written by hand) sends nothing and fails for good. It also reads a line back: whether the
// account's latest posts hold it (read_back.h).
// One exchange at a time for each account, and every account its own sender (StatusSenders), so
// that a server that does not answer holds up no other account. Every attempt ends in exactly one
// outcome (outcome.h), read from the reply, from the way the connection ended, or from a deadline
// on the monotonic clock.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "delivery/delivery_account.h"
#include "delivery/nostr_relays.h"
#include "delivery/outcome.h"
#include "delivery/socket_http_client.h"
#include "platform/clock.h"
#include "platform/http.h"
#include "platform/secrets.h"
#include "platform/socket.h"
#include "platform/websocket.h"
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
  SettingsStore& settings;  // the program's store
  platform::IHttpClient& http;
  platform::ISecrets& secrets;
  platform::IClock& clock;
  // A socket control of the sender's own, made at its first exchange over plain HTTP.
  std::function<std::unique_ptr<platform::ISocket>()> makeSocket;
  // A Nostr relay's connection: one for each relay an exchange speaks to.
  platform::WebSocketFactory makeWebSocket;
};

// What reading a line back asks.
struct ReadBackQuestion {
  std::u16string line;
  std::string key;                         // a Bluesky post is looked up by its record key, a Nostr line by its event
  std::int64_t firstSentMonotonicMs = 0;   // when its first request could have left, on the monotonic clock
};
// What reading a line back found.
struct ReadBackAnswer {
  enum Finding {
    kFound,
    kNotFound,
    kUnsure,  // nobody can tell (see read_back.h); `failure.reason` says why
    kFailed,  // the posts could not be read: `failure` is temporary (ask again later) or permanent
  } finding = kFailed;
  DeliveryOutcome failure;
};

class StatusSender {
 public:
  // The system's HTTP client gives up after 30 seconds on its own; this is the sender's own limit on it.
  static constexpr std::int64_t kSecureTimeoutMs = 35'000;

  StatusSender(std::string accountId, SenderServices services, Endpoint builtIn);
  StatusSender(const StatusSender&) = delete;
  StatusSender& operator=(const StatusSender&) = delete;

  using Done = std::function<void(const DeliveryOutcome&)>;
  // Starts one attempt; returns at once. `leaving` runs just before the request may leave (from
  // then on a repeat may be a duplicate), and may hold it back by answering false (the attempt
  // then ends as a temporary failure); `done` runs once, later, with the outcome. A
  // Mastodon-compatible request carries `idempotencyKey`, when there is one, so that the server
  // can tell a repeat; a Bluesky post is written under it as its record key. An exchange still
  // under way is abandoned without an outcome. A Nostr line's key is its signed event (SignNote),
  // sent as it is.
  void Send(std::u16string status, std::string idempotencyKey, std::function<bool()> leaving, Done done);
  // The line as a Nostr account's signed kind-1 event, in JSON, created at `createdAtSeconds`;
  // nothing when the account is no Nostr account or holds no usable key.
  std::optional<std::string> SignNote(const std::u16string& line, std::int64_t createdAtSeconds);
  // Reads the account's latest posts; `done` runs once, later, with whether the line is among them.
  void ReadBack(ReadBackQuestion question, std::function<void(const ReadBackAnswer&)> done);
  // Ends an exchange that has waited too long.
  void OnTick();
  bool Busy() const { return exchanging_; }
  const std::string& AccountId() const { return accountId_; }

 private:
  using Reply = std::function<void(const platform::HttpReply&)>;
  // The account as its settings say now, for the exchange that begins.
  void ReadAccount();
  // One request on the account's way: over the system's client for https, over the socket
  // otherwise. `reply` runs once with the answer, while this exchange is still the one under way.
  void Exchange(platform::HttpRequest request, std::function<bool()> leaving, Reply reply);
  platform::HttpRequest StatusRequest(const std::u16string& status, const std::string& key) const;
  void SendToBluesky(const std::u16string& status, const std::string& key, std::function<bool()> leaving);
  void SendToRelays(const std::string& key, std::function<bool()> leaving);
  void ReadBackFromRelays(const std::string& key, std::function<void(const ReadBackAnswer&)> done);
  void ReadPosts(ReadBackQuestion question, std::string accountId, std::function<void(const ReadBackAnswer&)> done);
  void ReadBackFromBluesky(const std::string& key, std::function<void(const ReadBackAnswer&)> done);
  // Ends the attempt under way with `outcome`.
  void Finish(const DeliveryOutcome& outcome);
  // `leaving` held the request back.
  static DeliveryOutcome HeldBack();
  std::string Host() const;
  DeliveryOutcome Outcome(const platform::HttpReply& reply) const;
  // When the line's first request could have left, on the server's clock, from the Date of its reply.
  std::int64_t FirstAttemptOnServer(const ReadBackQuestion& question, const platform::HttpReply& reply) const;

  std::string accountId_;
  SenderServices s_;
  Endpoint builtIn_;
  DeliveryAccount account_;                // as read when the exchange under way began, without a secret key
  bool hasNostrKey_ = false;               // it held a usable one
  std::unique_ptr<SettingsStore> store_;   // the account's values (a Bluesky session lives there)
  std::unique_ptr<platform::ISocket> socket_;
  std::unique_ptr<SocketHttpClient> plain_;  // over socket_, made with it
  nostr::RelayExchange relays_;
  Done done_;                       // set while a post is under way
  bool exchanging_ = false;         // a post, or a reading back, is under way
  bool heldBack_ = false;           // `leaving` held the request under way back
  std::uint32_t attempt_ = 0;       // counts requests: an answer to an abandoned one is dropped
  std::int64_t secureDeadlineMs_ = 0;  // on the monotonic clock, for a request through the system's client; 0: none
  Reply secureReply_;
  // Replies of the HTTP client reach the sender only while it exists.
  std::shared_ptr<StatusSender*> self_ = std::make_shared<StatusSender*>(this);
};

// Every account's sender, each made when its account first sends or reads back.
class StatusSenders {
 public:
  StatusSenders(SenderServices services, Endpoint builtIn) : s_(std::move(services)), builtIn_(std::move(builtIn)) {}

  StatusSender& For(std::string_view accountId);
  bool Busy(std::string_view accountId) const;
  void OnTick();
  bool AnyBusy() const;

  // For every account with a server set, asks the server for its limit on a line's length and
  // keeps it as the account's "TextLimit".
  void RefreshTextLimit();
  // The same for one account.
  void RefreshTextLimit(std::string_view account);

 private:
  SenderServices s_;
  Endpoint builtIn_;
  std::map<std::string, std::unique_ptr<StatusSender>, std::less<>> senders_;
};

}  // namespace quillet
