#include "delivery/status_sender.h"

#include <algorithm>

#include "common/catalog.h"
#include "common/codepage.h"
#include "common/steps.h"
#include "common/trace.h"
#include "common/utf8.h"
#include "delivery/base64.h"
#include "delivery/bluesky_session.h"
#include "delivery/nostr_account.h"
#include "delivery/nostr_event.h"
#include "delivery/read_back.h"
#include "delivery/status_request.h"
#include "settings/accounts.h"
#include "settings/password_scrambling.h"
#include "settings/setting_names.h"

namespace quillet {

StatusSender::StatusSender(std::string accountId, SenderServices services, Endpoint builtIn)
    : accountId_(std::move(accountId)),
      s_(std::move(services)),
      builtIn_(std::move(builtIn)),
      relays_(s_.makeWebSocket, s_.clock) {}

void StatusSender::ReadAccount() {
  store_ = Accounts(s_.settings).Store(accountId_);
  account_ = ReadDeliveryAccount(*store_, s_.secrets, accountId_);
  // The secret key is read again only to sign (SignNote): the sender keeps no copy of it.
  hasNostrKey_ = account_.nostrKey.has_value();
  account_.nostrKey.reset();
}

std::string StatusSender::Host() const { return account_.HostForMessages(builtIn_.connectHost); }

DeliveryOutcome StatusSender::Outcome(const platform::HttpReply& reply) const {
  return FromHttpReply(reply, Host(), s_.clock.NowMs());
}

DeliveryOutcome StatusSender::HeldBack() {
  return {Delivery::kTemporary, Translatable(u"the outbox cannot be saved, so the line waits rather than risk going twice")};
}

void StatusSender::Exchange(platform::HttpRequest request, std::function<bool()> leaving, Reply reply) {
  std::uint32_t attempt = ++attempt_;
  heldBack_ = false;
  auto answeredOnce = std::make_shared<bool>(false);  // a late answer after the deadline's is dropped
  auto answered = [this, attempt, answeredOnce, reply = std::move(reply)](const platform::HttpReply& answer) {
    if (attempt != attempt_ || std::exchange(*answeredOnce, true)) return;  // abandoned, or answered
    secureDeadlineMs_ = 0;
    secureReply_ = nullptr;
    reply(answer);
  };
  auto mayLeave = [this, leaving = std::move(leaving)] {
    heldBack_ = leaving && !leaving();
    return !heldBack_;
  };
  if (!request.secure) {
    if (!plain_) {
      socket_ = s_.makeSocket();
      plain_ = std::make_unique<SocketHttpClient>(*socket_, s_.clock);
    }
    plain_->Send(std::move(request), std::move(mayLeave), std::move(answered));
    return;
  }
  if (!mayLeave()) return answered({.outcome = platform::HttpOutcome::kFailed});
  secureDeadlineMs_ = s_.clock.MonotonicMs() + kSecureTimeoutMs;
  secureReply_ = answered;
  std::weak_ptr<StatusSender*> alive = self_;
  s_.http.Send(std::move(request), [alive, answered](const platform::HttpReply& answer) {
    if (alive.lock()) answered(answer);
  });
}

platform::HttpRequest StatusSender::StatusRequest(const std::u16string& status, const std::string& key) const {
  platform::HttpRequest request;
  if (account_.builtIn) {
    // The built-in service's own request: its credentials through the code page, as they always were.
    std::u16string credentials = account_.credentials.userName + u":" + account_.credentials.password;
    request = {.method = "POST",
               .host = builtIn_.connectHost,
               .port = builtIn_.port,
               .path = "/statuses/update.xml",
               .headers = {{"Authorization", "Basic " + Narrow(base64::Encode(credentials))}},
               .body = status_request::StatusBody(status),
               .hostHeader = builtIn_.hostHeader};
  } else {
    request =
        service_requests::StatusUpdate(*account_.server, account_.api, account_.credentials, status, account_.options);
    if (account_.api == ServiceApi::kMastodon && !key.empty()) request.headers.emplace_back("Idempotency-Key", key);
  }
  request.headOnly = true;  // what became of the line is in the reply's status
  return request;
}

void StatusSender::Send(std::u16string status, std::string idempotencyKey, std::function<bool()> leaving, Done done) {
  if (plain_ && plain_->Busy()) plain_->Abandon();  // an exchange still under way is dropped
  relays_.Abandon();
  ++attempt_;
  done_ = std::move(done);
  exchanging_ = true;
  try {
    ReadAccount();
    if (account_.api == ServiceApi::kNostr) {
      SendToRelays(idempotencyKey, std::move(leaving));
    } else if (!account_.builtIn && !account_.server) {
      Finish({Delivery::kPermanent, Translatable(u"the server address in the options cannot be used")});
    } else if (account_.api == ServiceApi::kBluesky) {
      SendToBluesky(status, idempotencyKey, std::move(leaving));
    } else {
      Exchange(StatusRequest(status, idempotencyKey), std::move(leaving), [this](const platform::HttpReply& reply) {
        Finish(heldBack_ ? HeldBack() : Outcome(reply));
      });
    }
  } catch (const std::exception& failure) {
    // Nothing left: the request can be made again.
    TraceSwallowedFailure(SourcePlace::current(), failure);
    if (done_) Finish({Delivery::kTemporary, FillIn(Translatable(u"the line could not be sent to %1"), {Widen(Host())})});
  }
}

void StatusSender::SendToBluesky(const std::u16string& status, const std::string& key, std::function<bool()> leaving) {
  if (!bluesky::IsTid(key)) {
    Finish({Delivery::kPermanent, Translatable(u"the line has no key to post it to Bluesky under")});
    return;
  }
  bluesky::PostServices services{
      .settings = *store_,
      .secrets = s_.secrets,
      .clock = s_.clock,
      .exchange = [this](platform::HttpRequest request, Reply reply) {
        Exchange(std::move(request), nullptr, std::move(reply));
      }};
  bluesky::Post(std::move(services), bluesky::AccountOf(account_), key, utf8::FromUtf16(status), std::move(leaving),
                HeldBack(), [this](const DeliveryOutcome& outcome) {
                  if (done_) Finish(outcome);
                });
}

std::optional<std::string> StatusSender::SignNote(const std::u16string& line, std::int64_t createdAtSeconds) {
  // Read on its own: the exchange under way, if any, keeps the account as it began with.
  std::unique_ptr<SettingsStore> store = Accounts(s_.settings).Store(accountId_);
  DeliveryAccount account = ReadDeliveryAccount(*store, s_.secrets, accountId_);
  if (account.api != ServiceApi::kNostr || !account.nostrKey) return std::nullopt;
  nostr::AuxRandom aux{};
  std::string drawn = s_.secrets.RandomBytes(aux.size());
  std::copy_n(drawn.begin(), std::min(drawn.size(), aux.size()), aux.begin());
  nostr::Event note{.createdAt = createdAtSeconds, .kind = 1, .content = utf8::FromUtf16(line)};
  return nostr::EventJson(nostr::Sign(std::move(note), *account.nostrKey, aux));
}

void StatusSender::SendToRelays(const std::string& key, std::function<bool()> leaving) {
  std::optional<nostr::Event> note = nostr::ParseEventJson(key);
  if (!note) {
    Finish({Delivery::kPermanent, hasNostrKey_ ? Translatable(u"the line has no signed event to send")
                                                     : Translatable(u"the account has no usable Nostr key")});
    return;
  }
  if (leaving && !leaving()) return Finish(HeldBack());
  relays_.Publish(account_.relays, *note, [this](const DeliveryOutcome& outcome) {
    if (done_) Finish(outcome);
  });
}

void StatusSender::ReadBackFromRelays(const std::string& key, std::function<void(const ReadBackAnswer&)> done) {
  std::optional<nostr::Event> note = nostr::ParseEventJson(key);
  if (!note) {
    done({ReadBackAnswer::kFailed, {Delivery::kPermanent, Translatable(u"the line has no signed event to look for")}});
    return;
  }
  relays_.Look(account_.relays, note->id,
               [done = std::move(done)](nostr::RelayExchange::Finding finding, std::u16string reason) {
                 switch (finding) {
                   case nostr::RelayExchange::Finding::kFound:
                     return done({ReadBackAnswer::kFound, {}});
                   case nostr::RelayExchange::Finding::kNotFound:
                     return done({ReadBackAnswer::kNotFound, {}});
                   case nostr::RelayExchange::Finding::kFailed:
                   default:
                     return done({ReadBackAnswer::kFailed, {Delivery::kTemporary, std::move(reason)}});
                 }
               });
}

void StatusSender::ReadBack(ReadBackQuestion question, std::function<void(const ReadBackAnswer&)> done) {
  if (plain_ && plain_->Busy()) plain_->Abandon();
  relays_.Abandon();
  ++attempt_;
  exchanging_ = true;
  auto answer = [this, done = std::move(done)](const ReadBackAnswer& found) {
    exchanging_ = false;
    done(found);
  };
  Step([&] { ReadAccount(); });
  if (!account_.CanReadBack()) {
    answer({ReadBackAnswer::kFailed, {Delivery::kPermanent, Translatable(u"the service cannot be asked which lines it has")}});
    return;
  }
  if (account_.api == ServiceApi::kBluesky) return ReadBackFromBluesky(question.key, std::move(answer));
  if (account_.api == ServiceApi::kNostr) return ReadBackFromRelays(question.key, std::move(answer));
  if (account_.api != ServiceApi::kMastodon) return ReadPosts(std::move(question), "", std::move(answer));
  Exchange(service_requests::VerifyCredentials(*account_.server, account_.api, account_.credentials), nullptr,
           [this, question = std::move(question), answer = std::move(answer)](const platform::HttpReply& reply) mutable {
             DeliveryOutcome outcome = Outcome(reply);
             std::optional<std::string> id;
             if (outcome.kind == Delivery::kDelivered) id = read_back::AccountId(reply.body);
             if (!id) {
               if (outcome.kind == Delivery::kDelivered) outcome = {Delivery::kPermanent, Translatable(u"the server did not say who is signed in")};
               if (outcome.kind == Delivery::kAmbiguous) outcome.kind = Delivery::kTemporary;
               return answer({ReadBackAnswer::kFailed, outcome});
             }
             ReadPosts(std::move(question), *id, std::move(answer));
           });
}

std::int64_t StatusSender::FirstAttemptOnServer(const ReadBackQuestion& question,
                                                const platform::HttpReply& reply) const {
  std::int64_t wallNow = s_.clock.NowMs();
  std::int64_t serverNow = HttpDateMs(reply.date, wallNow).value_or(wallNow);
  std::int64_t since = s_.clock.MonotonicMs() - question.firstSentMonotonicMs;
  return serverNow - std::max<std::int64_t>(since, 0);
}

void StatusSender::ReadPosts(ReadBackQuestion question, std::string accountId,
                             std::function<void(const ReadBackAnswer&)> done) {
  Exchange(read_back::LatestPosts(*account_.server, account_.api, account_.credentials, accountId), nullptr,
           [this, question = std::move(question), done = std::move(done)](const platform::HttpReply& reply) {
             DeliveryOutcome outcome = Outcome(reply);
             std::optional<std::vector<read_back::Post>> posts;
             if (outcome.kind == Delivery::kDelivered) posts = read_back::Posts(account_.api, reply.body);
             if (!posts) {
               if (outcome.kind == Delivery::kDelivered) outcome = {Delivery::kPermanent, Translatable(u"the server's list of posts cannot be read")};
               if (outcome.kind == Delivery::kAmbiguous) outcome.kind = Delivery::kTemporary;
               return done({ReadBackAnswer::kFailed, outcome});
             }
             read_back::Finding finding = read_back::FindLine(*posts, question.line,
                                                              FirstAttemptOnServer(question, reply), account_.server->host);
             switch (finding.kind) {
               case read_back::Finding::kFound:
                 return done({ReadBackAnswer::kFound, {}});
               case read_back::Finding::kUnsure:
                 return done({ReadBackAnswer::kUnsure, {Delivery::kAmbiguous, finding.reason}});
               case read_back::Finding::kNotFound:
               default:
                 return done({ReadBackAnswer::kNotFound, {}});
             }
           });
}

void StatusSender::ReadBackFromBluesky(const std::string& key, std::function<void(const ReadBackAnswer&)> done) {
  if (!bluesky::IsTid(key)) {
    done({ReadBackAnswer::kFailed, {Delivery::kPermanent, Translatable(u"the line has no key to look for it on Bluesky")}});
    return;
  }
  // The post is public: it is asked for without the session, by the account's DID when a session
  // holds it, else by the handle.
  bluesky::Account account = bluesky::AccountOf(account_);
  std::optional<bluesky::Session> session = bluesky::LoadSession(*store_, s_.secrets, account);
  std::string repo = session ? session->did : account.identifier;
  Exchange(bluesky::GetPost(account.server, repo, key), nullptr, [this, done = std::move(done)](const platform::HttpReply& reply) {
    if (reply.outcome == platform::HttpOutcome::kReplied && reply.status == 200) return done({ReadBackAnswer::kFound, {}});
    if (reply.outcome == platform::HttpOutcome::kReplied && reply.status == 400 &&
        bluesky::ErrorName(reply.body) == "RecordNotFound")
      return done({ReadBackAnswer::kNotFound, {}});
    DeliveryOutcome outcome = bluesky::Outcome(reply, Host(), s_.clock.NowMs());
    if (outcome.kind == Delivery::kDelivered) outcome = {Delivery::kPermanent, Translatable(u"the server's answer cannot be read")};
    if (outcome.kind == Delivery::kAmbiguous) outcome.kind = Delivery::kTemporary;
    done({ReadBackAnswer::kFailed, outcome});
  });
}

void StatusSender::OnTick() {
  if (plain_) plain_->OnTick();
  relays_.OnTick();
  if (secureDeadlineMs_ == 0 || s_.clock.MonotonicMs() < secureDeadlineMs_) return;
  Reply reply = std::move(secureReply_);
  secureDeadlineMs_ = 0;
  secureReply_ = nullptr;
  if (reply) reply({.outcome = platform::HttpOutcome::kTimedOut, .requestSent = true});
}

void StatusSender::Finish(const DeliveryOutcome& outcome) {
  Done done = std::move(done_);
  done_ = nullptr;
  exchanging_ = false;
  if (done) done(outcome);
}

StatusSender& StatusSenders::For(std::string_view accountId) {
  auto found = senders_.find(accountId);
  if (found == senders_.end())
    found = senders_.emplace(std::string(accountId), std::make_unique<StatusSender>(std::string(accountId), s_, builtIn_)).first;
  return *found->second;
}

bool StatusSenders::Busy(std::string_view accountId) const {
  auto found = senders_.find(accountId);
  return found != senders_.end() && found->second->Busy();
}

bool StatusSenders::AnyBusy() const {
  return std::any_of(senders_.begin(), senders_.end(), [](const auto& sender) { return sender.second->Busy(); });
}

void StatusSenders::OnTick() {
  for (auto& [id, sender] : senders_) sender->OnTick();
}

void StatusSenders::RefreshTextLimit() {
  std::vector<std::string> ids{std::string(kFirstAccountId)};
  Step([&] { ids = Accounts(s_.settings).Ids(); });
  for (const std::string& id : ids) RefreshTextLimit(id);
}

void StatusSenders::RefreshTextLimit(std::string_view accountId) {
  Step([&] {
    // The reply may come after the sender is gone: it holds a store of its own.
    std::shared_ptr<SettingsStore> settings = Accounts(s_.settings).Store(accountId);
    DeliveryAccount account = ReadDeliveryAccount(*settings, s_.secrets, std::string(accountId));
    if (account.builtIn || !account.server || account.api == ServiceApi::kBluesky) return;  // Bluesky's is fixed
    std::u16string server = account.serverText;
    s_.http.Send(service_requests::TextLimit(*account.server, account.api),
                 [settings, server, api = account.api](const platform::HttpReply& reply) {
                   if (reply.outcome != platform::HttpOutcome::kReplied || reply.status / 100 != 2) return;
                   auto limit = service_replies::TextLimit(api, reply.body);
                   // Kept only while the server it came from is still the chosen one.
                   if (limit && settings->Get(kServer) == server)
                     Step([&] { settings->SaveNumber(kTextLimit, *limit); });
                 });
  });
}

}  // namespace quillet
