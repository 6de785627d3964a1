#pragma once
// Each account's way to its service. A sender sends the account's confirmed lines through the
// network its values choose (line_network.h; the kinds are in networks/), lending it the
// account's way for HTTP requests:
//   an http:// address (or the built-in endpoint): over the socket control, in the HTTP/1.0 form;
//   an https:// address: through the system's HTTP client (TLS, certificates checked).
// It also reads a line back: whether the account's latest posts hold it.
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
#include <vector>

#include "common/callback.h"
#include "delivery/line_network.h"
#include "delivery/outcome.h"
#include "delivery/socket_http_client.h"
#include "platform/clock.h"
#include "platform/http.h"
#include "platform/secrets.h"
#include "platform/socket.h"
#include "platform/websocket.h"
#include "settings/settings_store.h"

namespace quillet {

struct SenderServices {
  SettingsStore& settings;  // the program's store
  platform::IHttpClient& http;
  platform::ISecrets& secrets;
  platform::IClock& clock;
  // A socket control of the sender's own, made at its first exchange over plain HTTP.
  Callback<std::unique_ptr<platform::ISocket>()> makeSocket;
  // A WebSocket connection, for networks that speak over them.
  platform::WebSocketFactory makeWebSocket;
  // The network an account's values choose (networks/registry.h).
  NetworkOfAccount networkOf;
};

class StatusSender {
 public:
  // The system's HTTP client gives up after 30 seconds on its own; this is the sender's own limit on it.
  static constexpr std::int64_t kSecureTimeoutMs = 35'000;

  StatusSender(std::string accountId, SenderServices services, Endpoint builtIn);
  StatusSender(const StatusSender&) = delete;
  StatusSender& operator=(const StatusSender&) = delete;

  using Done = Callback<void(const DeliveryOutcome&)>;
  // Starts one attempt; returns at once. `leaving` runs just before the request may leave (from
  // then on a repeat may be a duplicate), and may hold it back by answering false (the attempt
  // then ends as a temporary failure); `done` runs once, later, with the outcome. The line goes
  // with `key` (made by Prepare), where the account's network tells a repeat by it. An exchange
  // still under way is abandoned without an outcome.
  void Send(std::u16string status, std::string key, std::shared_ptr<const PreparedLine> prepared,
            Callback<bool()> leaving, Done done);
  // Reads the account's latest posts; `done` runs once, later, with whether the line is among them.
  void ReadBack(ReadBackQuestion question, Callback<void(const ReadBackAnswer&)> done);
  // The account's network as its values say now, for a question outside an exchange (its traits,
  // a line's key): the exchange under way keeps the account as it began with.
  std::unique_ptr<AccountLink> Link();
  // Ends an exchange that has waited too long.
  void OnTick();
  bool Busy() const { return exchanging_; }
  const std::string& AccountId() const { return accountId_; }

 private:
  using Reply = Callback<void(const platform::HttpReply&)>;
  // The account's network as its values say now, for the exchange that begins; the link of the
  // last one is abandoned (and let go of at the next tick: its callback may be running).
  AccountLink& BeginExchange();
  std::unique_ptr<AccountLink> MakeLink(SettingsStore& account);
  // One request on the account's way: over the system's client for https, over the socket
  // otherwise. `reply` runs once with the answer, while this exchange is still the one under way.
  void Exchange(platform::HttpRequest request, Callback<bool()> leaving, Reply reply);
  // Ends the attempt under way with `outcome`.
  void Finish(const DeliveryOutcome& outcome);

  std::string accountId_;
  SenderServices s_;
  Endpoint builtIn_;
  std::unique_ptr<SettingsStore> store_;   // the account's values for the exchange under way
  std::unique_ptr<AccountLink> link_;      // its network, for the exchange under way
  std::vector<std::unique_ptr<AccountLink>> retired_;  // abandoned, let go of at the next tick
  std::vector<std::unique_ptr<SettingsStore>> retiredStores_;  // theirs
  std::unique_ptr<platform::ISocket> socket_;
  std::unique_ptr<SocketHttpClient> plain_;  // over socket_, made with it
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
