#include "networks/nostr/nostr_event.h"

#include <charconv>

#include "common/catalog.h"
#include "common/json_lookup.h"
#include "common/json_quote.h"
#include "common/utf8.h"

namespace quillet::nostr {
namespace {

bool IsLowerHex(std::string_view text, std::size_t digits) {
  if (text.size() != digits) return false;
  for (char ch : text)
    if (!((ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f'))) return false;
  return true;
}

std::string TagsJson(const Tags& tags) {
  std::string out = "[";
  for (std::size_t i = 0; i < tags.size(); ++i) {
    out += i ? ",[" : "[";
    for (std::size_t j = 0; j < tags[i].size(); ++j) out += (j ? "," : "") + json::Quote(tags[i][j]);
    out += ']';
  }
  return out + ']';
}

// A string value, told apart from a number (json::Lookup gives both as text).
std::optional<std::string> StringIn(std::string_view json) {
  if (json.empty() || json.front() != '"') return std::nullopt;
  return json::Lookup(json, {});
}

std::optional<std::string> StringMember(std::string_view object, std::string_view name) {
  auto text = json::ValueText(object, {name});
  return text ? StringIn(*text) : std::nullopt;
}

// A whole number from 0 as JSON writes it (no sign, fraction or exponent), up to `most`.
std::optional<std::int64_t> WholeNumberMember(std::string_view object, std::string_view name, std::int64_t most) {
  auto text = json::ValueText(object, {name});
  if (!text || text->empty() || text->front() < '0' || text->front() > '9') return std::nullopt;
  std::int64_t value = 0;
  auto [end, failure] = std::from_chars(text->data(), text->data() + text->size(), value);
  if (failure != std::errc{} || end != text->data() + text->size() || value > most) return std::nullopt;
  return value;
}

std::optional<Tags> TagsIn(std::string_view json) {
  auto tags = json::Elements(json);
  if (!tags) return std::nullopt;
  Tags read;
  for (std::string_view tag : *tags) {
    auto values = json::Elements(tag);
    if (!values) return std::nullopt;
    std::vector<std::string>& into = read.emplace_back();
    for (std::string_view value : *values) {
      auto text = StringIn(value);
      if (!text) return std::nullopt;
      into.push_back(std::move(*text));
    }
  }
  return read;
}

std::optional<Sha256Digest> DigestOf(std::string_view hex) {
  Sha256Digest digest{};
  if (!FromHex(hex, digest)) return std::nullopt;
  return digest;
}

}  // namespace

std::string SerializeForId(std::string_view pubkey, std::int64_t createdAt, int kind, const Tags& tags,
                           std::string_view content) {
  return "[0," + json::Quote(pubkey) + ',' + std::to_string(createdAt) + ',' + std::to_string(kind) + ',' +
         TagsJson(tags) + ',' + json::Quote(content) + ']';
}

std::string IdOf(const Event& event) {
  return Hex(Sha256(SerializeForId(event.pubkey, event.createdAt, event.kind, event.tags, event.content)));
}

Event Sign(Event event, const SecretKey& secret, const AuxRandom& aux) {
  event.pubkey = Hex(PublicKeyOf(secret, aux));
  event.id = IdOf(event);
  event.sig = Hex(SchnorrSign(*DigestOf(event.id), secret, aux));
  return event;
}

bool Verify(const Event& event) {
  PublicKey key{};
  Signature signature{};
  auto id = DigestOf(event.id);
  return id && IsLowerHex(event.id, 64) && event.id == IdOf(event) && IsLowerHex(event.pubkey, 64) &&
         FromHex(event.pubkey, key) && IsLowerHex(event.sig, 128) && FromHex(event.sig, signature) &&
         SchnorrVerify(key, *id, signature);
}

std::string EventJson(const Event& event) {
  return "{\"id\":" + json::Quote(event.id) + ",\"pubkey\":" + json::Quote(event.pubkey) +
         ",\"created_at\":" + std::to_string(event.createdAt) + ",\"kind\":" + std::to_string(event.kind) +
         ",\"tags\":" + TagsJson(event.tags) + ",\"content\":" + json::Quote(event.content) +
         ",\"sig\":" + json::Quote(event.sig) + '}';
}

std::optional<Event> ParseEventJson(std::string_view json) {
  std::size_t start = json.find_first_not_of(" \t\r\n");
  if (start == std::string_view::npos || json[start] != '{') return std::nullopt;
  Event event;
  auto id = StringMember(json, "id");
  auto pubkey = StringMember(json, "pubkey");
  auto sig = StringMember(json, "sig");
  auto content = StringMember(json, "content");
  auto createdAt = WholeNumberMember(json, "created_at", INT64_MAX);
  auto kind = WholeNumberMember(json, "kind", 65535);
  auto tagsText = json::ValueText(json, {"tags"});
  auto tags = tagsText ? TagsIn(*tagsText) : std::nullopt;
  if (!id || !IsLowerHex(*id, 64) || !pubkey || !IsLowerHex(*pubkey, 64) || !sig || !IsLowerHex(*sig, 128) ||
      !content || !createdAt || !kind || !tags)
    return std::nullopt;
  return Event{.id = std::move(*id),
               .pubkey = std::move(*pubkey),
               .createdAt = *createdAt,
               .kind = static_cast<int>(*kind),
               .tags = std::move(*tags),
               .content = std::move(*content),
               .sig = std::move(*sig)};
}

std::string EventMessage(const Event& event) { return "[\"EVENT\"," + EventJson(event) + ']'; }

std::string ReqForId(std::string_view subscriptionId, std::string_view eventId) {
  return "[\"REQ\"," + json::Quote(subscriptionId) + ",{\"ids\":[" + json::Quote(eventId) + "]}]";
}

std::string Close(std::string_view subscriptionId) { return "[\"CLOSE\"," + json::Quote(subscriptionId) + ']'; }

std::optional<RelayMessage> ParseRelayMessage(std::string_view text) {
  auto elements = json::Elements(text);
  if (!elements || elements->empty()) return std::nullopt;
  const std::vector<std::string_view>& part = *elements;
  auto type = StringIn(part[0]);
  if (!type) return std::nullopt;
  // The string at `index`; empty when the message ends before it and it may be left out.
  auto string = [&](std::size_t index, bool optional = false) -> std::optional<std::string> {
    if (index >= part.size()) return optional ? std::optional<std::string>("") : std::nullopt;
    return StringIn(part[index]);
  };
  if (*type == "OK") {
    auto id = string(1);
    auto message = string(3, true);
    if (!id || !message || part.size() < 3 || (part[2] != "true" && part[2] != "false")) return std::nullopt;
    return OkMessage{.eventId = std::move(*id), .accepted = part[2] == "true", .message = std::move(*message)};
  }
  if (*type == "EVENT") {
    auto subscription = string(1);
    auto event = part.size() > 2 ? ParseEventJson(part[2]) : std::nullopt;
    if (!subscription || !event) return std::nullopt;
    return EventReceived{.subscriptionId = std::move(*subscription), .event = std::move(*event)};
  }
  if (*type == "EOSE") {
    auto subscription = string(1);
    if (!subscription) return std::nullopt;
    return EndOfStoredEvents{.subscriptionId = std::move(*subscription)};
  }
  if (*type == "NOTICE") {
    auto message = string(1);
    if (!message) return std::nullopt;
    return Notice{.message = std::move(*message)};
  }
  if (*type == "CLOSED") {
    auto subscription = string(1);
    auto message = string(2, true);
    if (!subscription || !message) return std::nullopt;
    return Closed{.subscriptionId = std::move(*subscription), .message = std::move(*message)};
  }
  return std::nullopt;
}

RefusalReason ReasonOf(std::string_view message) {
  static constexpr struct {
    std::string_view prefix;
    RefusalReason reason;
  } kPrefixes[] = {{"duplicate", RefusalReason::kDuplicate},     {"pow", RefusalReason::kPow},
                   {"blocked", RefusalReason::kBlocked},         {"rate-limited", RefusalReason::kRateLimited},
                   {"invalid", RefusalReason::kInvalid},         {"error", RefusalReason::kError},
                   {"restricted", RefusalReason::kRestricted},   {"auth-required", RefusalReason::kAuthRequired}};
  std::size_t colon = message.find(':');
  if (colon == std::string_view::npos) return message.empty() ? RefusalReason::kNone : RefusalReason::kOther;
  for (const auto& known : kPrefixes)
    if (message.substr(0, colon) == known.prefix) return known.reason;
  return RefusalReason::kOther;
}

bool Delivered(const OkMessage& ok) { return ok.accepted || ReasonOf(ok.message) == RefusalReason::kDuplicate; }

std::u16string OkInWords(std::string_view message) {
  std::u16string said = ServerWords(message);
  switch (ReasonOf(message)) {
    case RefusalReason::kNone:
      return Translatable(u"the relay refused the line");
    case RefusalReason::kDuplicate:
      return Translatable(u"the relay has the line already");
    case RefusalReason::kPow:
      return FillIn(Translatable(u"the relay asks for proof of work, which Quillet does not do (%1)"), {said});
    case RefusalReason::kBlocked:
      return FillIn(Translatable(u"the relay refused the line: blocked (%1)"), {said});
    case RefusalReason::kRateLimited:
      return FillIn(Translatable(u"the relay refused the line: rate limited (%1)"), {said});
    case RefusalReason::kInvalid:
      return FillIn(Translatable(u"the relay refused the line as invalid (%1)"), {said});
    case RefusalReason::kError:
      return FillIn(Translatable(u"the relay could not take the line (%1)"), {said});
    case RefusalReason::kRestricted:
      return FillIn(Translatable(u"the relay refused the line: not allowed to post there (%1)"), {said});
    case RefusalReason::kAuthRequired:
      return FillIn(Translatable(u"the relay asks to sign in first, which Quillet does not do (%1)"), {said});
    case RefusalReason::kOther:
      break;
  }
  return FillIn(Translatable(u"the relay refused the line (%1)"), {said});
}

DeliveryOutcome OkOutcome(const OkMessage& ok) {
  if (Delivered(ok)) return {Delivery::kDelivered, u""};
  RefusalReason reason = ReasonOf(ok.message);
  bool forNow = reason == RefusalReason::kRateLimited || reason == RefusalReason::kError;
  return {forNow ? Delivery::kTemporary : Delivery::kPermanent, OkInWords(ok.message)};
}

}  // namespace quillet::nostr
