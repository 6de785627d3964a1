#pragma once
// Sends a confirmed status line to where the settings say:
//   no "Server"      the built-in endpoint, through the socket control, as it always was;
//   "http://..."     that server, through the socket control, in the same HTTP/1.0 form;
//   "https://..."    that server, through the system's HTTP client (TLS, certificates checked).
// The Twitter- or Mastodon-compatible request follows "Api". A "Server" that does not parse
// (written by hand) sends nothing, as if the service could not be reached.
#include <cstdint>
#include <optional>
#include <string>

#include "platform/http.h"
#include "platform/secrets.h"
#include "platform/socket.h"
#include "posting/server_address.h"
#include "posting/service_api.h"
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
  StatusSender(platform::ISocket& socket, SenderServices services, Endpoint builtIn);
  StatusSender(const StatusSender&) = delete;
  StatusSender& operator=(const StatusSender&) = delete;

  // Starts sending; returns at once. A connection left from an earlier line is dropped.
  void Send(std::u16string status);
  // When a server is set, asks it for its limit on a line's length and keeps it as "TextLimit".
  void RefreshTextLimit();

 private:
  void OnConnected();
  void OnReplyArrived();

  platform::ISocket& socket_;
  SenderServices s_;
  Endpoint builtIn_;
  // The line being sent through the socket, and where to; OnConnected composes the request from
  // them and the credentials stored at that moment.
  std::u16string confirmedStatus_;
  ServiceChoice target_;
};

}  // namespace quillet
