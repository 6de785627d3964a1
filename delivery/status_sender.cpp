#include "delivery/status_sender.h"

#include <algorithm>

#include "common/codepage.h"
#include "common/convert.h"
#include "common/steps.h"
#include "common/trace.h"
#include "delivery/base64.h"
#include "delivery/status_request.h"
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

namespace {
// A reply's head is read from at most this many bytes; the rest is never looked at.
constexpr std::size_t kLongestReplyHead = 16 * 1024;
}  // namespace

StatusSender::StatusSender(platform::ISocket& socket, SenderServices services, Endpoint builtIn)
    : socket_(socket), s_(services), builtIn_(std::move(builtIn)) {
  socket_.OnConnect([this] { OnConnected(); });
  socket_.OnDataArrival([this](std::int32_t /*bytesTotal*/) { OnReplyArrived(); });
  socket_.OnClose([this](platform::SocketEnd how) { OnConnectionEnded(how); });
}

std::string StatusSender::TargetHost() const {
  if (target_.builtIn) return builtIn_.connectHost;
  return target_.server ? target_.server->host : std::string("the server");
}

void StatusSender::Send(std::u16string status, std::string idempotencyKey, std::function<void()> leaving, Done done) {
  ++attempt_;
  confirmedStatus_ = std::move(status);
  idempotencyKey_ = std::move(idempotencyKey);
  leaving_ = std::move(leaving);
  done_ = std::move(done);
  requestHandedOver_ = false;
  reply_.clear();
  Step([&] { socket_.Close(); });  // a connection left from an earlier attempt is dropped
  try {
    target_ = ChosenService(s_.settings);
    deadlineMs_ = s_.clock.NowMs() + kConnectTimeoutMs;
    if (target_.builtIn) {
      socket_.Connect(builtIn_.connectHost, builtIn_.port);
    } else if (!target_.server) {
      Finish({Delivery::kPermanent, u"the server address in the options cannot be used"});
    } else if (!target_.server->secure) {
      socket_.Connect(target_.server->host, target_.server->port);
    } else {
      auto request = service_requests::StatusUpdate(*target_.server, target_.api,
                                                    StoredCredentials(s_.settings, s_.secrets), confirmedStatus_);
      if (target_.api == ServiceApi::kMastodon && !idempotencyKey_.empty())
        request.headers.emplace_back("Idempotency-Key", idempotencyKey_);
      if (leaving_) leaving_();
      std::weak_ptr<StatusSender*> alive = self_;
      s_.http.Send(std::move(request),
                   [alive, attempt = attempt_, host = TargetHost()](const platform::HttpReply& reply) {
                     auto self = alive.lock();
                     if (!self || (*self)->attempt_ != attempt || !(*self)->done_) return;  // abandoned
                     (*self)->Finish(FromHttpReply(reply, host, (*self)->s_.clock.NowMs()));
                   });
      deadlineMs_ = 0;  // the HTTP client times out on its own
    }
  } catch (const std::exception& failure) {
    // Nothing left: the request can be made again.
    TraceSwallowedFailure("post", failure.what());
    if (done_ && !requestHandedOver_)
      Finish({Delivery::kTemporary, u"the line could not be sent to " + Widen(TargetHost())});
  }
}

void StatusSender::OnConnected() {
  if (!done_) return;
  // Composed and sent as one unit: if any part fails, nothing is sent.
  try {
    std::string request;
    if (target_.builtIn) {
      std::string body = status_request::StatusBody(confirmedStatus_);
      std::u16string credentials =
          s_.settings.Get(u"username", u"") + u":" + password_scrambling::Unscramble(s_.settings.Get(u"password", u""));
      std::string token = Narrow(base64::Encode(credentials));
      request = status_request::ComposeRequest(builtIn_.hostHeader, token, body);
    } else if (target_.server) {
      auto update = service_requests::StatusUpdate(*target_.server, target_.api,
                                                   StoredCredentials(s_.settings, s_.secrets), confirmedStatus_);
      if (target_.api == ServiceApi::kMastodon && !idempotencyKey_.empty())
        update.headers.emplace_back("Idempotency-Key", idempotencyKey_);
      request = status_request::ComposeRequest(update, target_.server->HostHeader());
    }
    if (leaving_) leaving_();
    socket_.SendData(request);
    requestHandedOver_ = true;
    deadlineMs_ = s_.clock.NowMs() + kReplyTimeoutMs;
  } catch (const std::exception& failure) {
    TraceSwallowedFailure("post", failure.what());
    if (done_) Finish({Delivery::kTemporary, u"the line could not be sent to " + Widen(TargetHost())});
  }
}

void StatusSender::OnReplyArrived() {
  std::string data;
  Step([&] { data = socket_.GetData(); });  // taken out at every arrival: nothing piles up
  if (!done_) return;
  if (reply_.size() < kLongestReplyHead) reply_ += data.substr(0, kLongestReplyHead - reply_.size());
  if (auto head = ReadReplyHead(reply_, false)) {
    Finish(FromStatus(head->status, TargetHost(), RetryAfterSeconds(head->retryAfter, s_.clock.NowMs())));
  } else if (reply_.size() >= kLongestReplyHead || UnreadableReply(reply_)) {
    // Something came back, but no HTTP reply: the request had arrived.
    Finish({Delivery::kAmbiguous,
            Widen(TargetHost()) + u" gave an answer Quillet cannot read; the line may have arrived"});
  }
}

void StatusSender::OnConnectionEnded(platform::SocketEnd how) {
  if (!done_) return;
  if (auto head = ReadReplyHead(reply_, true)) {
    Finish(FromStatus(head->status, TargetHost(), RetryAfterSeconds(head->retryAfter, s_.clock.NowMs())));
    return;
  }
  bool sent = requestHandedOver_ && socket_.AllSent();
  Finish(FromSocketEnd(how, sent, TargetHost()));
}

void StatusSender::OnTick() {
  if (!done_ || deadlineMs_ == 0) return;
  if (s_.clock.NowMs() < deadlineMs_) return;
  bool sent = requestHandedOver_ && socket_.AllSent();
  Finish(FromTimeout(sent, TargetHost()));
}

void StatusSender::Finish(const DeliveryOutcome& outcome) {
  Step([&] { socket_.Close(); });
  Done done = std::move(done_);
  done_ = nullptr;
  leaving_ = nullptr;
  deadlineMs_ = 0;
  if (done) done(outcome);
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
