#include "delivery/status_sender.h"

#include <algorithm>

#include "common/catalog.h"
#include "common/codepage.h"
#include "common/steps.h"
#include "common/trace.h"
#include "common/utf8.h"
#include "settings/accounts.h"

namespace quillet {

DeliveryOutcome HeldBackOutcome() {
  return {Delivery::kTemporary, Translatable(u"the outbox cannot be saved, so the line waits rather than risk going twice")};
}

StatusSender::StatusSender(std::string accountId, SenderServices services, Endpoint builtIn)
    : accountId_(std::move(accountId)), s_(std::move(services)), builtIn_(std::move(builtIn)) {}

std::unique_ptr<AccountLink> StatusSender::MakeLink(SettingsStore& account) {
  return s_.networkOf(account).Open({.accountId = accountId_,
                                     .account = account,
                                     .secrets = s_.secrets,
                                     .clock = s_.clock,
                                     .makeWebSocket = s_.makeWebSocket,
                                     .builtIn = builtIn_,
                                     .exchange =
                                         [this](platform::HttpRequest request, Callback<bool()> leaving, Reply reply) {
                                           Exchange(std::move(request), std::move(leaving), std::move(reply));
                                         },
                                     .heldBack = [this] { return heldBack_; }});
}

AccountLink& StatusSender::BeginExchange() {
  if (plain_ && plain_->Busy()) plain_->Abandon();  // an exchange still under way is dropped
  if (link_) {
    link_->Abandon();
    retired_.push_back(std::move(link_));
  }
  ++attempt_;
  std::unique_ptr<SettingsStore> store = Accounts(s_.settings).Store(accountId_);
  link_ = MakeLink(*store);
  // The store outlives every link made over it: the one before is let go of with its link.
  if (store_) retiredStores_.push_back(std::move(store_));
  store_ = std::move(store);
  return *link_;
}

std::unique_ptr<AccountLink> StatusSender::Link() {
  // The link holds the store it reads: a question's store is kept with the link.
  struct OwnedLink : AccountLink {
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<AccountLink> inner;
    NetworkTraits Traits() const override { return inner->Traits(); }
    std::string Host() const override { return inner->Host(); }
    std::string Prepare(Preparing& line) override { return inner->Prepare(line); }
    std::string KeyOf(const LineKeys& keys) const override { return inner->KeyOf(keys); }
    void Renew(OutboxRecord& record) override { inner->Renew(record); }
    void Send(const std::u16string&, const std::string&, std::shared_ptr<const PreparedLine>, Callback<bool()>,
              LineDone) override {}
    void ReadBack(ReadBackQuestion, ReadBackDone) override {}
  };
  auto owned = std::make_unique<OwnedLink>();
  owned->store = Accounts(s_.settings).Store(accountId_);
  owned->inner = s_.networkOf(*owned->store).Open({.accountId = accountId_,
                                                   .account = *owned->store,
                                                   .secrets = s_.secrets,
                                                   .clock = s_.clock,
                                                   .makeWebSocket = s_.makeWebSocket,
                                                   .builtIn = builtIn_,
                                                   .exchange = nullptr,
                                                   .heldBack = [] { return false; }});
  return owned;
}

void StatusSender::Exchange(platform::HttpRequest request, Callback<bool()> leaving, Reply reply) {
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

void StatusSender::Send(std::u16string status, std::string key, std::shared_ptr<const PreparedLine> prepared,
                        Callback<bool()> leaving, Done done) {
  done_ = std::move(done);
  exchanging_ = true;
  try {
    AccountLink& link = BeginExchange();
    link.Send(status, key, std::move(prepared), std::move(leaving), [this, current = &link](const DeliveryOutcome& outcome) {
      if (done_ && link_.get() == current) Finish(outcome);
    });
  } catch (const std::exception& failure) {
    // Nothing left: the request can be made again.
    TraceSwallowedFailure(SourcePlace::current(), failure);
    std::u16string host = u"the server";
    Step([&] { if (link_) host = Widen(link_->Host()); });
    if (done_) Finish({Delivery::kTemporary, FillIn(Translatable(u"the line could not be sent to %1"), {host})});
  }
}

void StatusSender::ReadBack(ReadBackQuestion question, Callback<void(const ReadBackAnswer&)> done) {
  exchanging_ = true;
  auto answer = [this, done = std::move(done)](const ReadBackAnswer& found) {
    exchanging_ = false;
    done(found);
  };
  AccountLink* link = nullptr;
  Step([&] { link = &BeginExchange(); });
  if (!link || !link->Traits().canReadBack) {
    answer({ReadBackAnswer::kFailed, {Delivery::kPermanent, Translatable(u"the service cannot be asked which lines it has")}});
    return;
  }
  link->ReadBack(std::move(question), std::move(answer));
}

void StatusSender::OnTick() {
  retired_.clear();
  retiredStores_.clear();
  if (plain_) plain_->OnTick();
  if (link_) link_->OnTick();
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
    s_.networkOf(*settings).RefreshTextLimit(settings, s_.http, s_.secrets, std::string(accountId));
  });
}

}  // namespace quillet
