#include "networks/nostr/nostr_network.h"

#include <algorithm>

#include "common/catalog.h"
#include "common/steps.h"
#include "common/utf8.h"
#include "networks/delivery_account.h"
#include "networks/nostr/nostr_account.h"
#include "networks/nostr/nostr_event.h"
#include "networks/nostr/nostr_relays.h"
#include "settings/setting_names.h"

namespace quillet {
namespace {

class NostrLink : public AccountLink {
 public:
  explicit NostrLink(LinkServices services) : s_(std::move(services)), relays_(s_.makeWebSocket, s_.clock) {}
  ~NostrLink() override { relays_.Abandon(); }

  NetworkTraits Traits() const override { return {.canReadBack = true, .honoursRepeatKeys = true, .findsByKey = true}; }
  std::string Host() const override { return "the relays"; }

  std::string Prepare(Preparing& line) override {
    OutboxRecord& record = line.record;
    std::int64_t& last = line.memory["nostr.last." + record.destination];
    if (record.keys.signedEvent.empty()) {
      // Signed once, created when the line was confirmed; every repeat sends this same event,
      // which a relay that has it drops. The file holds it before the event may leave. Two lines
      // with the same words signed for one account in one second would be one event: each is a
      // second later than the last this run, and than one with the same words still kept.
      std::int64_t createdAt = std::max(record.confirmedMs / 1000, last + 1);
      auto taken = [&](std::int64_t seconds) {
        return std::any_of(line.kept.begin(), line.kept.end(), [&](const OutboxRecord& other) {
          if (other.id == record.id || other.destination != record.destination || other.line != record.line) return false;
          std::optional<nostr::Event> event = nostr::ParseEventJson(other.keys.signedEvent);
          return event && event->createdAt == seconds;
        });
      };
      while (taken(createdAt)) ++createdAt;
      Step([&] {
        if (auto note = SignNote(record.line, createdAt)) {
          record.keys.signedEvent = std::move(*note);
          last = createdAt;
        }
      });
    }
    // Signed in an earlier run, it counts as the last too.
    if (std::optional<nostr::Event> event = nostr::ParseEventJson(record.keys.signedEvent))
      last = std::max(last, event->createdAt);
    return record.keys.signedEvent;
  }
  std::string KeyOf(const LineKeys& keys) const override { return keys.signedEvent; }

  void Renew(OutboxRecord& record) override {
    // The person may have put the account's key right: the line goes under the key it holds now.
    // Created when it first was, under the same key it is the same event, which a relay that has
    // it drops.
    if (record.keys.signedEvent.empty()) return;
    std::optional<nostr::Event> before = nostr::ParseEventJson(record.keys.signedEvent);
    record.keys.signedEvent.clear();
    if (!before) return;
    Step([&] {
      if (auto note = SignNote(record.line, before->createdAt)) record.keys.signedEvent = std::move(*note);
    });
  }

  void Send(const std::u16string&, const std::string& key, std::function<bool()> leaving, LineDone done) override {
    ReadAccount();
    std::optional<nostr::Event> note = nostr::ParseEventJson(key);
    if (!note) {
      done({Delivery::kPermanent, hasKey_ ? Translatable(u"the line has no signed event to send")
                                          : Translatable(u"the account has no usable Nostr key")});
      return;
    }
    if (leaving && !leaving()) return done(HeldBackOutcome());
    relays_.Publish(relayAddresses_, *note, std::move(done));
  }

  void ReadBack(ReadBackQuestion question, ReadBackDone done) override {
    ReadAccount();
    std::optional<nostr::Event> note = nostr::ParseEventJson(question.key);
    if (!note) {
      done({ReadBackAnswer::kFailed, {Delivery::kPermanent, Translatable(u"the line has no signed event to look for")}});
      return;
    }
    relays_.Look(relayAddresses_, note->id,
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

  void OnTick() override { relays_.OnTick(); }
  void Abandon() override { relays_.Abandon(); }

 private:
  // The relays, and whether a usable key is stored; the key itself is read again only to sign.
  void ReadAccount() {
    relayAddresses_ = nostr::RelaysOf(s_.account.Get(kRelays));
    hasKey_ = false;
    Step([&] { hasKey_ = nostr::LoadKey(s_.account, s_.secrets).has_value(); });
  }

  // The line as the account's signed kind-1 event, in JSON, created at `createdAtSeconds`;
  // nothing when the account holds no usable key.
  std::optional<std::string> SignNote(const std::u16string& line, std::int64_t createdAtSeconds) {
    std::optional<nostr::SecretKey> key = nostr::LoadKey(s_.account, s_.secrets);
    if (!key) return std::nullopt;
    nostr::AuxRandom aux{};
    std::string drawn = s_.secrets.RandomBytes(aux.size());
    std::copy_n(drawn.begin(), std::min(drawn.size(), aux.size()), aux.begin());
    nostr::Event note{.createdAt = createdAtSeconds, .kind = 1, .content = utf8::FromUtf16(line)};
    return nostr::EventJson(nostr::Sign(std::move(note), *key, aux));
  }

  LinkServices s_;
  nostr::RelayExchange relays_;
  std::vector<std::string> relayAddresses_;
  bool hasKey_ = false;
};

class NostrKind : public Network {
 public:
  std::u16string_view ApiName() const override { return u"nostr"; }
  LineLimit Limit(SettingsStore& account) const override { return ChosenLineLimit(account); }
  std::unique_ptr<AccountLink> Open(LinkServices services) const override {
    return std::make_unique<NostrLink>(std::move(services));
  }
};

}  // namespace

const Network& NostrNetwork() {
  static const NostrKind network;
  return network;
}

}  // namespace quillet
