#include "networks/nostr/nostr_network.h"

#include <algorithm>

#include "common/catalog.h"
#include "common/codepage.h"
#include "common/steps.h"
#include "common/utf8.h"
#include "common/wipe.h"
#include "networks/delivery_account.h"
#include "networks/nostr/nostr_account.h"
#include "networks/nostr/nostr_event.h"
#include "networks/nostr/nostr_relays.h"
#include "settings/setting_names.h"

namespace quillet {
namespace {

// A line's signed event, as it is published; its JSON is what the outbox file keeps.
struct PreparedNote : PreparedLine {
  explicit PreparedNote(nostr::Event signed_) : PreparedLine(&NostrNetwork()), event(std::move(signed_)) {}
  nostr::Event event;
};

const PreparedNote* NoteOf(const std::shared_ptr<const PreparedLine>& prepared) {
  return prepared && prepared->MadeBy(&NostrNetwork()) ? static_cast<const PreparedNote*>(prepared.get()) : nullptr;
}

// The line's event: the one prepared, or, read from the file, the one its JSON holds.
std::optional<nostr::Event> EventOf(const std::shared_ptr<const PreparedLine>& prepared, std::string_view json) {
  if (const PreparedNote* note = NoteOf(prepared)) return note->event;
  return nostr::ParseEventJson(json);
}

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
          std::optional<nostr::Event> event = EventOf(other.prepared, other.keys.signedEvent);
          return event && event->createdAt == seconds;
        });
      };
      while (taken(createdAt)) ++createdAt;
      Step([&] {
        if (Sign(record, createdAt)) last = createdAt;
      });
    } else if (!NoteOf(record.prepared)) {
      // Signed in an earlier run: read from the file once.
      if (std::optional<nostr::Event> event = nostr::ParseEventJson(record.keys.signedEvent))
        record.prepared = std::make_shared<PreparedNote>(std::move(*event));
    }
    // Signed in an earlier run, it counts as the last too.
    if (const PreparedNote* note = NoteOf(record.prepared))
      last = std::max(last, note->event.createdAt);
    return record.keys.signedEvent;
  }
  std::string KeyOf(const LineKeys& keys) const override { return keys.signedEvent; }

  void Renew(OutboxRecord& record) override {
    // The person may have put the account's key right: the line goes under the key it holds now.
    // Created when it first was, under the same key it is the same event, which a relay that has
    // it drops.
    if (record.keys.signedEvent.empty()) return;
    std::optional<nostr::Event> before = EventOf(record.prepared, record.keys.signedEvent);
    record.keys.signedEvent.clear();
    record.prepared = nullptr;
    if (!before) return;
    Step([&] { Sign(record, before->createdAt); });
  }

  void Send(const std::u16string&, const std::string& key, std::shared_ptr<const PreparedLine> prepared,
            Callback<bool()> leaving, LineDone done) override {
    std::optional<nostr::Event> note = EventOf(prepared, key);
    if (!note) {
      bool hasKey = false;
      Step([&] { hasKey = nostr::LoadKey(s_.account, s_.secrets).has_value(); });
      done({Delivery::kPermanent, hasKey ? Translatable(u"the line has no signed event to send")
                                         : Translatable(u"the account has no usable Nostr key")});
      return;
    }
    if (leaving && !leaving()) return done(HeldBackOutcome());
    relays_.Publish(nostr::RelaysOf(s_.account.Get(kRelays)), *note, std::move(done));
  }

  void ReadBack(ReadBackQuestion question, ReadBackDone done) override {
    std::optional<nostr::Event> note = EventOf(question.prepared, question.key);
    if (!note) {
      done({ReadBackAnswer::kFailed, {Delivery::kPermanent, Translatable(u"the line has no signed event to look for")}});
      return;
    }
    relays_.Look(nostr::RelaysOf(s_.account.Get(kRelays)), note->id,
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
  // Signs the line as the account's kind-1 event created at `createdAtSeconds`, kept in the
  // record typed and as its JSON; false when the account holds no usable key.
  bool Sign(OutboxRecord& record, std::int64_t createdAtSeconds) {
    std::optional<nostr::SecretKey> key = nostr::LoadKey(s_.account, s_.secrets);
    if (!key) return false;
    nostr::AuxRandom aux{};
    std::string drawn = s_.secrets.RandomBytes(aux.size());
    std::copy_n(drawn.begin(), std::min(drawn.size(), aux.size()), aux.begin());
    nostr::Event note = nostr::Sign({.createdAt = createdAtSeconds, .kind = 1, .content = utf8::FromUtf16(record.line)},
                                    *key, aux);
    record.keys.signedEvent = nostr::EventJson(note);
    record.prepared = std::make_shared<PreparedNote>(std::move(note));
    return true;
  }

  LinkServices s_;
  nostr::RelayExchange relays_;
};

class NostrKeys : public AccountKeys {
 public:
  Stored StoredKey(SettingsStore& account, platform::ISecrets& secrets) const override {
    Stored stored;
    if (std::optional<nostr::SecretKey> key = nostr::LoadKey(account, secrets)) {
      stored.key = KeyText(*key);
    } else {
      stored.unreadable = account.ReadBytes(kNostrKey).has_value();
    }
    return stored;
  }
  std::u16string NewKey(platform::ISecrets& secrets) const override { return KeyText(nostr::GenerateKey(secrets)); }
  Typed ReadKey(std::u16string_view typed) const override {
    if (typed.empty()) return {.problem = Translatable(u"Press Generate for a new secret key, or paste yours (it begins with nsec1).")};
    if (typed.starts_with(u"npub1"))
      return {.problem = Translatable(u"That is a public key: paste the secret key, which begins with nsec1.")};
    std::string text = utf8::FromUtf16(typed);
    std::optional<nostr::SecretKey> key = nostr::SecretFromText(text);
    Wipe(text);
    if (!key)
      return {.problem = Translatable(u"That is no Nostr secret key: paste one that begins with nsec1, or press Generate.")};
    return {.key = KeyText(*key)};
  }
  std::u16string PublicKey(std::u16string_view key, platform::ISecrets& secrets) const override {
    std::optional<nostr::SecretKey> secret = Secret(key);
    return secret ? Widen(nostr::Npub(nostr::PublicKeyOf(*secret, secrets))) : u"";
  }
  void SaveKey(SettingsStore& account, platform::ISecrets& secrets, std::u16string_view key) const override {
    std::optional<nostr::SecretKey> secret = Secret(key);
    if (secret) nostr::SaveKey(account, secrets, *secret);
  }
  std::vector<std::string> Relays(std::u16string_view text) const override { return nostr::RelaysOf(text); }
  std::u16string RelaysText(const std::vector<std::string>& relays) const override { return nostr::RelaysText(relays); }
  std::u16string StoredRelays(const std::vector<std::string>& relays) const override {
    return nostr::AreDefaultRelays(relays) ? u"" : nostr::RelaysText(relays);
  }

 private:
  // The nsec text of a key.
  static std::u16string KeyText(const nostr::SecretKey& key) {
    std::string nsec = nostr::Nsec(key);
    std::u16string text = Widen(nsec);
    Wipe(nsec);
    return text;
  }
  static std::optional<nostr::SecretKey> Secret(std::u16string_view key) {
    std::string text = utf8::FromUtf16(key);
    std::optional<nostr::SecretKey> secret = nostr::SecretFromText(text);
    Wipe(text);
    return secret;
  }
};

class NostrKind : public Network {
 public:
  std::u16string_view ApiName() const override { return u"nostr"; }
  std::u16string_view Choice() const override { return Translatable(u"Nostr"); }
  std::u16string_view KindName() const override { return Translatable(u"Nostr"); }
  const AccountKeys* Keys() const override {
    static const NostrKeys keys;
    return &keys;
  }
  AccountFields Fields() const override { return {.nostrKey = true, .relays = true}; }
  // Its relays in the server's column, its public key as its name.
  void ListRow(SettingsStore& account, platform::ISecrets& secrets, std::u16string& relays,
               std::u16string& name) const override {
    relays.clear();
    for (const std::string& relay : nostr::RelaysOf(account.Get(kRelays)))
      relays += (relays.empty() ? u"" : u", ") + utf8::ToUtf16(relay);
    // The public key, its beginning and end as Nostr programs show it.
    name.clear();
    if (std::optional<nostr::SecretKey> key = nostr::LoadKey(account, secrets)) {
      std::u16string npub = Widen(nostr::Npub(nostr::PublicKeyOf(*key, secrets)));
      name = npub.substr(0, 12) + u"\u2026" + npub.substr(npub.size() - 6);
    }
  }
  void Test(const AccountTestServices& s, const AccountEntries&, const TestTold& told) const override {
    told(s.app.Words().Tr(
             u"A Nostr account is not tested: its lines go to its relays, and each relay's answer is written in the log."),
         std::nullopt);
  }
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
