#include "posting/status_sender.h"

#include <algorithm>

#include "common/codepage.h"
#include "common/convert.h"
#include "common/steps.h"
#include "common/trace.h"
#include "posting/base64.h"
#include "posting/status_request.h"
#include "settings/access_token.h"
#include "settings/password_scrambling.h"

namespace quillet {

Endpoint BuiltInEndpoint() { return {QUILLET_CONNECT_HOST, QUILLET_HOST_HEADER, QUILLET_PORT}; }

ServiceChoice ChosenService(SettingsStore& settings) {
  ServiceChoice choice;
  choice.api = ParseApi(settings.Get(u"Api", u""));
  std::u16string server = settings.Get(u"Server", u"");
  choice.builtIn = server.empty();
  if (!choice.builtIn) choice.server = ParseServer(server).address;
  return choice;
}

Credentials StoredCredentials(SettingsStore& settings, platform::ISecrets& secrets) {
  return {.userName = settings.Get(u"username", u""),
          .password = password_scrambling::Unscramble(settings.Get(u"password", u"")),
          .token = access_token::Load(settings, secrets)};
}

int ChosenTextLimit(SettingsStore& settings) {
  if (settings.Get(u"Server", u"").empty()) return kBuiltInTextLimit;
  int limit = kBuiltInTextLimit;
  Step([&] { limit = std::clamp<int>(ToInt16(settings.Get(u"TextLimit", u"140")), 1, kLargestTextLimit); });
  return limit;
}

StatusSender::StatusSender(platform::ISocket& socket, SenderServices services, Endpoint builtIn)
    : socket_(socket), s_(services), builtIn_(std::move(builtIn)) {
  socket_.OnConnect([this] { OnConnected(); });
  socket_.OnDataArrival([this](std::int32_t /*bytesTotal*/) { OnReplyArrived(); });
}

void StatusSender::Send(std::u16string status) {
  confirmedStatus_ = std::move(status);
  Step([&] { socket_.Close(); });  // a connection left from an earlier post is dropped
  Step([&] {
    target_ = ChosenService(s_.settings);
    if (target_.builtIn) {
      socket_.Connect(builtIn_.connectHost, builtIn_.port);
    } else if (!target_.server) {
      TraceSwallowedFailure("post", "the stored server address does not parse; nothing was sent");
    } else if (!target_.server->secure) {
      socket_.Connect(target_.server->host, target_.server->port);
    } else {
      auto request = service_requests::StatusUpdate(*target_.server, target_.api,
                                                    StoredCredentials(s_.settings, s_.secrets), confirmedStatus_);
      s_.http.Send(std::move(request), [](const platform::HttpReply& reply) {
        if (reply.outcome != platform::HttpOutcome::kReplied || reply.status / 100 != 2)
          TraceSwallowedFailure("post", "the server did not take the line");
      });
    }
  });
}

void StatusSender::OnConnected() {
  // Composed and sent as one unit: if any part fails, nothing is sent.
  Step([&] {
    if (target_.builtIn) {
      std::string body = status_request::StatusBody(confirmedStatus_);
      std::u16string credentials =
          s_.settings.Get(u"username", u"") + u":" + password_scrambling::Unscramble(s_.settings.Get(u"password", u""));
      std::string token = Narrow(base64::Encode(credentials));
      socket_.SendData(status_request::ComposeRequest(builtIn_.hostHeader, token, body));
    } else if (target_.server) {
      auto request = service_requests::StatusUpdate(*target_.server, target_.api,
                                                    StoredCredentials(s_.settings, s_.secrets), confirmedStatus_);
      socket_.SendData(status_request::ComposeRequest(request, target_.server->HostHeader()));
    }
  });
}

void StatusSender::OnReplyArrived() {
  // The reply is taken out of the control and dropped; nothing of it is kept or shown.
  Step([&] { (void)socket_.GetData(); });
}

void StatusSender::RefreshTextLimit() {
  Step([&] {
    ServiceChoice choice = ChosenService(s_.settings);
    if (choice.builtIn || !choice.server) return;
    std::u16string server = s_.settings.Get(u"Server", u"");
    SettingsStore& settings = s_.settings;
    s_.http.Send(service_requests::TextLimit(*choice.server, choice.api),
                 [&settings, server, api = choice.api](const platform::HttpReply& reply) {
                   if (reply.outcome != platform::HttpOutcome::kReplied || reply.status / 100 != 2) return;
                   auto limit = service_replies::TextLimit(api, reply.body);
                   // Kept only while the server it came from is still the chosen one.
                   if (limit && settings.Get(u"Server", u"") == server)
                     Step([&] { settings.Save(u"TextLimit", DecimalText(*limit)); });
                 });
  });
}

}  // namespace quillet
