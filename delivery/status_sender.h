#pragma once
// Sends a confirmed status line to where the settings say:
//   no "Server"      the built-in endpoint, through the socket control, as it always was;
//   "http://..."     that server, through the socket control, in the same HTTP/1.0 form;
//   "https://..."    that server, through the system's HTTP client (TLS, certificates checked).
// The Twitter- or Mastodon-compatible request follows "Api". A "Server" that does not parse
// (written by hand) sends nothing and fails for good.
// One line at a time: every attempt ends in exactly one outcome (see delivery.h), read from the
// reply's status line, from the way the connection ended, or from a timeout.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/clock.h"
#include "platform/http.h"
#include "platform/secrets.h"
#include "platform/socket.h"
#include "delivery/outcome.h"
#include "delivery/server_address.h"
#include "delivery/service_api.h"
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

// The service the settings name, read afresh at every call.
struct ServiceChoice {
  ServiceApi api = ServiceApi::kTwitter;
  bool builtIn = true;                  // no "Server" is set
  std::optional<ServerAddress> server;  // the parsed "Server"; empty when it does not parse
};
ServiceChoice ChosenService(SettingsStore& settings);

// The stored user name, password (unscrambled) and access token (unprotected).
Credentials StoredCredentials(SettingsStore& settings, platform::ISecrets& secrets);

// The longest status line the chosen service takes: the stored "TextLimit" (1 to 5000) when a
// server is set, else 140.
int ChosenTextLimit(SettingsStore& settings);

class StatusSender {
 public:
  // How long a connection may take to come up, and a reply to come after the request.
  static constexpr std::int64_t kConnectTimeoutMs = 30'000;
  static constexpr std::int64_t kReplyTimeoutMs = 30'000;

  StatusSender(platform::ISocket& socket, SenderServices services, Endpoint builtIn);
  StatusSender(const StatusSender&) = delete;
  StatusSender& operator=(const StatusSender&) = delete;

  using Done = std::function<void(const DeliveryOutcome&)>;
  // Starts one attempt; returns at once. `leaving` runs just before the request may leave (from
  // then on a repeat may be a duplicate); `done` runs once, later, with the outcome. A
  // Mastodon-compatible request carries `idempotencyKey` so that the server can tell a repeat.
  // An attempt still under way is abandoned without an outcome.
  void Send(std::u16string status, std::string idempotencyKey, std::function<void()> leaving, Done done);
  // Ends an attempt that has waited too long.
  void OnTick();
  bool Busy() const { return static_cast<bool>(done_); }

  // When a server is set, asks it for its limit on a line's length and keeps it as "TextLimit".
  void RefreshTextLimit();

 private:
  void OnConnected();
  void OnReplyArrived();
  void OnConnectionEnded(platform::SocketEnd how);
  // Ends the attempt under way with `outcome`, the socket closed first.
  void Finish(const DeliveryOutcome& outcome);
  std::string TargetHost() const;

  platform::ISocket& socket_;
  SenderServices s_;
  Endpoint builtIn_;
  // The line being sent, and where to; OnConnected composes the request from them and the
  // credentials stored at that moment.
  std::u16string confirmedStatus_;
  std::string idempotencyKey_;
  ServiceChoice target_;
  std::function<void()> leaving_;
  Done done_;                       // set while an attempt is under way
  std::uint32_t attempt_ = 0;       // counts attempts: an answer to an abandoned one is dropped
  std::int64_t deadlineMs_ = 0;     // through the socket: when the attempt times out
  bool requestHandedOver_ = false;  // SendData has taken the request
  std::string reply_;               // the reply's first bytes, up to its head
  // Replies of the HTTP client reach the sender only while it exists.
  std::shared_ptr<StatusSender*> self_ = std::make_shared<StatusSender*>(this);
};

}  // namespace quillet
