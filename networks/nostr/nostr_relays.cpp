#include "networks/nostr/nostr_relays.h"

#include <algorithm>
#include <variant>

#include "common/catalog.h"
#include "common/trace.h"
#include "common/utf8.h"

namespace quillet::nostr {
namespace {

void LogRelay(const std::string& url, std::string_view what) { LogEvent("nostr", url + " " + std::string(what)); }

}  // namespace

void RelayExchange::Publish(const std::vector<std::string>& relays, const Event& event, Published done) {
  Abandon();
  published_ = std::move(done);
  eventId_ = event.id;
  Begin(relays, EventMessage(event));
}

void RelayExchange::Look(const std::vector<std::string>& relays, const std::string& eventId, Looked done) {
  Abandon();
  looked_ = std::move(done);
  eventId_ = eventId;
  subscription_ = "quillet-" + eventId.substr(0, 16);
  Begin(relays, ReqForId(subscription_, eventId));
}

void RelayExchange::Begin(const std::vector<std::string>& relays, const std::string& message) {
  std::uint32_t generation = ++generation_;
  deadlineMs_ = clock_.MonotonicMs() + kDeadlineMs;
  relays_.clear();
  relays_.resize(relays.size());
  for (std::size_t i = 0; i < relays.size(); ++i) relays_[i].url = relays[i];
  for (std::size_t i = 0; i < relays_.size() && generation == generation_; ++i) {
    Relay& relay = relays_[i];
    if (makeWebSocket_) relay.socket = makeWebSocket_();
    if (!relay.socket) {
      RelayDone(relay, "no WebSocket connection can be made");
      continue;
    }
    relay.socket->Open(
        relay.url,
        [this, generation, i] {
          if (generation != generation_ || relays_[i].done) return;
          relays_[i].left = true;  // what was given before the connection opened goes now
          LogRelay(relays_[i].url, published_ ? "event sent" : "asked for the event");
        },
        [this, generation, i](std::string text) { OnText(generation, i, text); },
        [this, generation, i](platform::WebSocketClosed closed) { OnClosed(generation, i, closed); });
    relay.socket->SendText(message);
  }
  if (generation == generation_ && std::all_of(relays_.begin(), relays_.end(), [](const Relay& r) { return r.done; }))
    Settle();
}

void RelayExchange::OnText(std::uint32_t generation, std::size_t index, const std::string& text) {
  if (generation != generation_ || relays_[index].done) return;
  Relay& relay = relays_[index];
  std::optional<RelayMessage> message = ParseRelayMessage(text);
  if (!message) return;
  if (published_) {
    const auto* ok = std::get_if<OkMessage>(&*message);
    if (!ok || ok->eventId != eventId_) {
      if (const auto* notice = std::get_if<Notice>(&*message)) LogRelay(relay.url, "notice: " + notice->message);
      return;
    }
    if (Delivered(*ok)) {
      LogRelay(relay.url, "OK" + (ok->message.empty() ? std::string() : ": " + ok->message));
      relay.done = true;
      return PublishedAs({Delivery::kDelivered, u""});
    }
    relay.refusal = *ok;
    LogRelay(relay.url, "refused: " + ok->message);
    relay.done = true;
  } else if (const auto* event = std::get_if<EventReceived>(&*message)) {
    if (event->subscriptionId != subscription_ || event->event.id != eventId_) return;
    LogRelay(relay.url, "has the event");
    relay.done = true;
    return LookedAs(Finding::kFound, u"");
  } else if (const auto* end = std::get_if<EndOfStoredEvents>(&*message)) {
    if (end->subscriptionId != subscription_) return;
    LogRelay(relay.url, "does not have the event");
    relay.endOfStored = relay.done = true;
  } else if (const auto* closed = std::get_if<Closed>(&*message)) {
    if (closed->subscriptionId != subscription_) return;
    RelayDone(relay, "closed the request: " + closed->message);
  } else {
    return;
  }
  if (std::all_of(relays_.begin(), relays_.end(), [](const Relay& r) { return r.done; })) Settle();
}

void RelayExchange::OnClosed(std::uint32_t generation, std::size_t index, const platform::WebSocketClosed& closed) {
  if (generation != generation_ || relays_[index].done) return;
  RelayDone(relays_[index], closed.words.empty() ? std::string("the connection ended") : closed.words);
  if (std::all_of(relays_.begin(), relays_.end(), [](const Relay& r) { return r.done; })) Settle();
}

void RelayExchange::RelayDone(Relay& relay, std::string failure) {
  LogRelay(relay.url, "failed: " + failure);
  relay.failure = std::move(failure);
  relay.done = true;
}

void RelayExchange::OnTick() {
  if (Busy() && clock_.MonotonicMs() >= deadlineMs_) {
    for (Relay& relay : relays_)
      if (!relay.done) RelayDone(relay, "no answer in time");
    Settle();
  }
  retired_.clear();  // never inside a connection's own event
}

void RelayExchange::Settle() {
  if (looked_) {
    bool told = std::any_of(relays_.begin(), relays_.end(), [](const Relay& r) { return r.endOfStored; });
    if (told) return LookedAs(Finding::kNotFound, u"");
    return LookedAs(Finding::kFailed, Translatable(u"no relay could be asked for the line"));
  }
  const Relay* refused = nullptr;
  bool unanswered = false, forNow = false, unreached = false;
  for (const Relay& relay : relays_) {
    if (relay.refusal) {
      if (!refused) refused = &relay;
      forNow = forNow || OkOutcome(*relay.refusal).kind == Delivery::kTemporary;
    } else if (relay.left) {
      unanswered = true;
    } else {
      unreached = true;  // it may take the line later
    }
  }
  // Every relay that answered refused for good: that is what the person hears, at once, whatever
  // the silent ones did (one that never answers would otherwise hide the refusal for ever).
  if (refused && !forNow && !unreached) return PublishedAs({Delivery::kPermanent, OkInWords(refused->refusal->message)});
  if (unanswered)
    return PublishedAs({Delivery::kAmbiguous, Translatable(u"the line went to the relays and none said whether it took it")});
  if (refused) return PublishedAs({Delivery::kTemporary, OkInWords(refused->refusal->message)});
  std::u16string why = relays_.empty() ? u"" : ServerWords(relays_.front().failure);
  PublishedAs({Delivery::kTemporary, FillIn(Translatable(u"no relay could be reached (%1)"), {why})});
}

void RelayExchange::PublishedAs(const DeliveryOutcome& outcome) {
  Published done = std::move(published_);
  published_ = nullptr;
  Retire();
  if (done) done(outcome);
}

void RelayExchange::LookedAs(Finding finding, std::u16string reason) {
  Looked done = std::move(looked_);
  looked_ = nullptr;
  Retire();
  if (done) done(finding, std::move(reason));
}

void RelayExchange::Retire() {
  ++generation_;  // whatever the connections still raise is dropped
  for (Relay& relay : relays_)
    if (relay.socket) retired_.push_back(std::move(relay.socket));
}

void RelayExchange::Abandon() {
  published_ = nullptr;
  looked_ = nullptr;
  Retire();
}

}  // namespace quillet::nostr
