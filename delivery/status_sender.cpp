#include "delivery/status_sender.h"

#include <algorithm>

#include "common/codepage.h"
#include "common/convert.h"
#include "common/steps.h"
#include "common/trace.h"
#include "common/utf8.h"
#include "delivery/base64.h"
#include "delivery/bluesky_session.h"
#include "delivery/read_back.h"
#include "delivery/status_request.h"
#include "settings/access_token.h"
#include "settings/password_scrambling.h"
#include "settings/setting_names.h"

namespace quillet {

Endpoint BuiltInEndpoint() { return {QUILLET_CONNECT_HOST, QUILLET_HOST_HEADER, QUILLET_PORT}; }

ServiceChoice ChosenService(SettingsStore& settings) {
  ServiceChoice choice;
  choice.api = ParseApi(settings.Get(kApi));
  std::u16string server = settings.Get(kServer);
  if (server.empty() && choice.api == ServiceApi::kBluesky) server = kBlueskyServer;
  choice.builtIn = server.empty();
  if (!choice.builtIn) choice.server = ParseServer(server).address;
  return choice;
}

Credentials StoredCredentials(SettingsStore& settings, platform::ISecrets& secrets) {
  return {.userName = settings.Get(kUserName),
          .password = LoadPassword(settings, secrets),
          .token = access_token::Load(settings, secrets)};
}

LineLimit ChosenLineLimit(SettingsStore& settings) {
  if (ParseApi(settings.Get(kApi)) == ServiceApi::kBluesky) return bluesky::kLineLimit;
  if (settings.Get(kServer).empty()) return {.count = kBuiltInTextLimit};
  LineLimit limit{.count = kBuiltInTextLimit};
  Step([&] { limit.count = std::clamp<int>(ToInt16(settings.Get(kTextLimit)), 1, kLargestTextLimit); });
  return limit;
}

LineLimit TickedLineLimit(SettingsStore& settings) {
  std::vector<LineLimit> limits;
  Step([&] {
    Accounts accounts(settings);
    std::vector<std::string> ticked = accounts.Ticked();
    if (ticked.empty()) ticked.emplace_back(kFirstAccountId);  // the outbox keeps such lines for the first
    for (const std::string& id : ticked) limits.push_back(ChosenLineLimit(*accounts.Store(id)));
  });
  if (limits.empty()) limits.push_back(ChosenLineLimit(settings));
  return SmallestLineLimit(limits);
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

DeliveryOutcome StatusSender::HeldBack() const {
  return {Delivery::kTemporary, u"the outbox cannot be saved, so the line waits rather than risk going twice"};
}

void StatusSender::ChooseAccount(std::string_view account) {
  account_.reset();
  if (account != kFirstAccountId) account_ = Accounts(s_.settings).Store(account);
}

void StatusSender::Send(std::string_view account, std::u16string status, std::string idempotencyKey,
                        std::function<bool()> leaving, Done done) {
  ++attempt_;
  ChooseAccount(account);
  confirmedStatus_ = std::move(status);
  idempotencyKey_ = std::move(idempotencyKey);
  leaving_ = std::move(leaving);
  done_ = std::move(done);
  requestHandedOver_ = false;
  reply_.clear();
  Step([&] { socket_.Close(); });  // a connection left from an earlier attempt is dropped
  try {
    target_ = ChosenService(Account());
    deadlineMs_ = s_.clock.MonotonicMs() + kConnectTimeoutMs;
    if (target_.api == ServiceApi::kBluesky && target_.server) {
      SendToBluesky();
    } else if (target_.builtIn) {
      socket_.Connect(builtIn_.connectHost, builtIn_.port);
    } else if (!target_.server) {
      Finish({Delivery::kPermanent, u"the server address in the options cannot be used"});
    } else if (!target_.server->secure) {
      socket_.Connect(target_.server->host, target_.server->port);
    } else {
      auto request = service_requests::StatusUpdate(*target_.server, target_.api,
                                                    StoredCredentials(Account(), s_.secrets), confirmedStatus_);
      if (target_.api == ServiceApi::kMastodon && !idempotencyKey_.empty())
        request.headers.emplace_back("Idempotency-Key", idempotencyKey_);
      if (leaving_ && !leaving_()) {
        Finish(HeldBack());
        return;
      }
      SendSecure(std::move(request), [this](const platform::HttpReply& reply) {
        if (done_) Finish(FromHttpReply(reply, TargetHost(), s_.clock.NowMs()));
      });
      requestHandedOver_ = true;  // from here on, no answer means the line may have arrived
    }
  } catch (const std::exception& failure) {
    // Nothing left: the request can be made again.
    TraceSwallowedFailure(SourcePlace::current(), failure.what());
    if (done_ && !requestHandedOver_)
      Finish({Delivery::kTemporary, u"the line could not be sent to " + Widen(TargetHost())});
  }
}

void StatusSender::SendSecure(platform::HttpRequest request, std::function<void(const platform::HttpReply&)> reply) {
  std::weak_ptr<StatusSender*> alive = self_;
  deadlineMs_ = s_.clock.MonotonicMs() + kSecureTimeoutMs;
  s_.http.Send(std::move(request),
               [alive, attempt = attempt_, reply = std::move(reply)](const platform::HttpReply& answer) {
                 auto self = alive.lock();
                 if (!self || (*self)->attempt_ != attempt) return;  // abandoned
                 reply(answer);
               });
}

void StatusSender::OnConnected() {
  if (fetched_) {
    Step([&] {
      socket_.SendData(status_request::ComposeRequest(fetchRequest_, target_.server->HostHeader()));
      requestHandedOver_ = true;
      deadlineMs_ = s_.clock.MonotonicMs() + kReplyTimeoutMs;
    });
    return;
  }
  if (!done_) return;
  // Composed and sent as one unit: if any part fails, nothing is sent.
  try {
    std::string request;
    if (target_.builtIn) {
      std::string body = status_request::StatusBody(confirmedStatus_);
      std::u16string credentials = Account().Get(kUserName) + u":" + LoadPassword(Account(), s_.secrets);
      std::string token = Narrow(base64::Encode(credentials));
      request = status_request::ComposeRequest(builtIn_.hostHeader, token, body);
    } else if (target_.server) {
      auto update = service_requests::StatusUpdate(*target_.server, target_.api,
                                                   StoredCredentials(Account(), s_.secrets), confirmedStatus_);
      if (target_.api == ServiceApi::kMastodon && !idempotencyKey_.empty())
        update.headers.emplace_back("Idempotency-Key", idempotencyKey_);
      request = status_request::ComposeRequest(update, target_.server->HostHeader());
    }
    if (leaving_ && !leaving_()) {
      Finish(HeldBack());
      return;
    }
    socket_.SendData(request);
    requestHandedOver_ = true;
    deadlineMs_ = s_.clock.MonotonicMs() + kReplyTimeoutMs;
  } catch (const std::exception& failure) {
    TraceSwallowedFailure(SourcePlace::current(), failure.what());
    if (done_) Finish({Delivery::kTemporary, u"the line could not be sent to " + Widen(TargetHost())});
  }
}

void StatusSender::OnReplyArrived() {
  std::string data;
  Step([&] { data = socket_.GetData(); });  // taken out at every arrival: nothing piles up
  if (fetched_) {
    reply_ += data.substr(0, kLongestBody + kLongestReplyHead - std::min(reply_.size(), kLongestBody + kLongestReplyHead));
    return;  // the whole reply is read once the server has closed the connection
  }
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
  if (fetched_) {
    platform::HttpReply reply{.requestSent = requestHandedOver_};
    auto head = ReadReplyHead(reply_, true);
    if (head && how != platform::SocketEnd::kNotConnected) {
      std::size_t bodyStart = reply_.find("\r\n\r\n");
      reply.outcome = platform::HttpOutcome::kReplied;
      reply.status = head->status;
      reply.retryAfter = head->retryAfter;
      reply.rateLimitReset = head->rateLimitReset;
      if (bodyStart != std::string::npos) reply.body = reply_.substr(bodyStart + 4, kLongestBody);
    } else {
      reply.outcome = how == platform::SocketEnd::kNotConnected || !reply_.empty() ? platform::HttpOutcome::kUnreachable
                                                                                  : platform::HttpOutcome::kFailed;
    }
    FinishFetch(std::move(reply));
    return;
  }
  if (!done_) return;
  if (auto head = ReadReplyHead(reply_, true)) {
    Finish(FromStatus(head->status, TargetHost(), RetryAfterSeconds(head->retryAfter, s_.clock.NowMs())));
    return;
  }
  bool sent = requestHandedOver_ && socket_.AllSent();
  Finish(FromSocketEnd(how, sent, TargetHost()));
}

void StatusSender::OnTick() {
  if (!Busy() || deadlineMs_ == 0) return;
  if (s_.clock.MonotonicMs() < deadlineMs_) return;
  bool secure = target_.server && target_.server->secure;
  bool sent = requestHandedOver_ && (secure || socket_.AllSent());
  if (fetched_) {
    FinishFetch({.outcome = platform::HttpOutcome::kTimedOut, .requestSent = sent});
    return;
  }
  Finish(FromTimeout(sent, TargetHost()));
}

void StatusSender::Fetch(platform::HttpRequest request, Fetched fetched) {
  ++attempt_;
  fetched_ = std::move(fetched);
  requestHandedOver_ = false;
  reply_.clear();
  Step([&] { socket_.Close(); });
  if (request.secure) {
    SendSecure(std::move(request), [this](const platform::HttpReply& reply) { FinishFetch(reply); });
    requestHandedOver_ = true;  // from here on, no answer means the request may have arrived
    return;
  }
  fetchRequest_ = std::move(request);
  deadlineMs_ = s_.clock.MonotonicMs() + kConnectTimeoutMs;
  try {
    socket_.Connect(fetchRequest_.host, fetchRequest_.port);
  } catch (const std::exception& failure) {
    TraceSwallowedFailure(SourcePlace::current(), failure.what());
    FinishFetch({.outcome = platform::HttpOutcome::kUnreachable});
  }
}

void StatusSender::FinishFetch(platform::HttpReply reply) {
  Step([&] { socket_.Close(); });
  Fetched fetched = std::move(fetched_);
  fetched_ = nullptr;
  deadlineMs_ = 0;
  reply_.clear();
  if (fetched) fetched(reply);
}

void StatusSender::ReadBack(std::string_view account, std::u16string line, std::string key,
                            std::function<void(const ReadBackAnswer&)> done) {
  target_ = ServiceChoice{};
  ChooseAccount(account);
  Step([&] { target_ = ChosenService(Account()); });
  if (!target_.CanReadBack()) {
    done({ReadBackAnswer::kFailed, {Delivery::kPermanent, u"the service cannot be asked which lines it has"}});
    return;
  }
  if (target_.api == ServiceApi::kBluesky) {
    ReadBackFromBluesky(std::move(key), std::move(done));
    return;
  }
  if (target_.api != ServiceApi::kMastodon) {
    ReadPosts(std::move(line), "", std::move(done));
    return;
  }
  Credentials credentials = StoredCredentials(Account(), s_.secrets);
  Fetch(service_requests::VerifyCredentials(*target_.server, target_.api, credentials),
        [this, line = std::move(line), done = std::move(done)](const platform::HttpReply& reply) mutable {
          DeliveryOutcome outcome = FromHttpReply(reply, TargetHost(), s_.clock.NowMs());
          std::optional<std::string> id;
          if (outcome.kind == Delivery::kDelivered) id = read_back::AccountId(reply.body);
          if (!id) {
            if (outcome.kind == Delivery::kDelivered) outcome = {Delivery::kPermanent, u"the server did not say who is signed in"};
            if (outcome.kind == Delivery::kAmbiguous) outcome.kind = Delivery::kTemporary;
            done({ReadBackAnswer::kFailed, outcome});
            return;
          }
          ReadPosts(std::move(line), *id, std::move(done));
        });
}

void StatusSender::ReadPosts(std::u16string line, std::string accountId,
                             std::function<void(const ReadBackAnswer&)> done) {
  Credentials credentials = StoredCredentials(Account(), s_.secrets);
  Fetch(read_back::LatestPosts(*target_.server, target_.api, credentials, accountId),
        [this, line = std::move(line), done = std::move(done)](const platform::HttpReply& reply) {
          DeliveryOutcome outcome = FromHttpReply(reply, TargetHost(), s_.clock.NowMs());
          std::optional<std::vector<std::u16string>> texts;
          if (outcome.kind == Delivery::kDelivered) texts = read_back::PostedTexts(target_.api, reply.body);
          if (!texts) {
            if (outcome.kind == Delivery::kDelivered) outcome = {Delivery::kPermanent, u"the server's list of posts cannot be read"};
            if (outcome.kind == Delivery::kAmbiguous) outcome.kind = Delivery::kTemporary;
            done({ReadBackAnswer::kFailed, outcome});
            return;
          }
          for (const std::u16string& text : *texts)
            if (read_back::SameText(text, line)) return done({ReadBackAnswer::kFound, {}});
          done({ReadBackAnswer::kNotFound, {}});
        });
}

void StatusSender::SendToBluesky() {
  std::optional<bluesky::Account> account = bluesky::StoredAccount(Account(), s_.secrets);
  if (!account || !bluesky::IsTid(idempotencyKey_)) {
    Finish({Delivery::kPermanent, u"the line has no key to post it to Bluesky under"});
    return;
  }
  bluesky::PostServices services{
      .settings = Account(),
      .secrets = s_.secrets,
      .clock = s_.clock,
      .exchange = [this](platform::HttpRequest request, std::function<void(const platform::HttpReply&)> reply) {
        Fetch(std::move(request), std::move(reply));
      }};
  bluesky::Post(std::move(services), std::move(*account), idempotencyKey_, utf8::FromUtf16(confirmedStatus_), leaving_,
                HeldBack(), [this](const DeliveryOutcome& outcome) {
                  if (done_) Finish(outcome);
                });
}

void StatusSender::ReadBackFromBluesky(std::string key, std::function<void(const ReadBackAnswer&)> done) {
  std::optional<bluesky::Account> account = bluesky::StoredAccount(Account(), s_.secrets);
  if (!account || !bluesky::IsTid(key)) {
    done({ReadBackAnswer::kFailed, {Delivery::kPermanent, u"the line has no key to look for it on Bluesky"}});
    return;
  }
  // The post is public: it is asked for without the session, by the account's DID when a session
  // holds it, else by the handle.
  std::optional<bluesky::Session> session = bluesky::LoadSession(Account(), s_.secrets, *account);
  std::string repo = session ? session->did : account->identifier;
  Fetch(bluesky::GetPost(account->server, repo, key), [this, done = std::move(done)](const platform::HttpReply& reply) {
    if (reply.outcome == platform::HttpOutcome::kReplied && reply.status == 200) return done({ReadBackAnswer::kFound, {}});
    if (reply.outcome == platform::HttpOutcome::kReplied && reply.status == 400 &&
        bluesky::ErrorName(reply.body) == "RecordNotFound")
      return done({ReadBackAnswer::kNotFound, {}});
    DeliveryOutcome outcome = bluesky::Outcome(reply, TargetHost(), s_.clock.NowMs());
    if (outcome.kind == Delivery::kDelivered) outcome = {Delivery::kPermanent, u"the server's answer cannot be read"};
    if (outcome.kind == Delivery::kAmbiguous) outcome.kind = Delivery::kTemporary;
    done({ReadBackAnswer::kFailed, outcome});
  });
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
  std::vector<std::string> ids{std::string(kFirstAccountId)};
  Step([&] { ids = Accounts(s_.settings).Ids(); });
  for (const std::string& id : ids) RefreshTextLimit(id);
}

void StatusSender::RefreshTextLimit(std::string_view account) {
  Step([&] {
    // The reply may come after the sender is gone: it holds a store of its own.
    std::shared_ptr<SettingsStore> settings = Accounts(s_.settings).Store(account);
    ServiceChoice choice = ChosenService(*settings);
    if (choice.builtIn || !choice.server || choice.api == ServiceApi::kBluesky) return;  // Bluesky's is fixed
    std::u16string server = settings->Get(kServer);
    s_.http.Send(service_requests::TextLimit(*choice.server, choice.api),
                 [settings, server, api = choice.api](const platform::HttpReply& reply) {
                   if (reply.outcome != platform::HttpOutcome::kReplied || reply.status / 100 != 2) return;
                   auto limit = service_replies::TextLimit(api, reply.body);
                   // Kept only while the server it came from is still the chosen one.
                   if (limit && settings->Get(kServer) == server)
                     Step([&] { settings->Save(kTextLimit, DecimalText(*limit)); });
                 });
  });
}

}  // namespace quillet
