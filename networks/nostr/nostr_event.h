#pragma once
// Nostr's events and the messages a client and a relay exchange (NIP-01), as pure functions: an
// event is made, signed, written and read back; a relay's message is read. Nothing is sent.
// A line goes out as a kind-1 event (a text note). Its id is the SHA-256 of
//   [0,"<pubkey>",<created_at>,<kind>,<tags>,"<content>"]
// written without blanks, strings as JSON.stringify writes them (common/json_quote.h); its
// signature is BIP-340's over that id.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "networks/nostr/nostr_keys.h"
#include "delivery/outcome.h"

namespace quillet::nostr {

using Tags = std::vector<std::vector<std::string>>;

struct Event {
  std::string id;            // 64 lowercase hex digits
  std::string pubkey;        // 64 lowercase hex digits
  std::int64_t createdAt = 0;  // seconds since 1970 (created_at)
  int kind = 1;
  Tags tags;
  std::string content;  // UTF-8
  std::string sig;      // 128 lowercase hex digits

  friend bool operator==(const Event&, const Event&) = default;
};

// What an event's id is the digest of.
std::string SerializeForId(std::string_view pubkey, std::int64_t createdAt, int kind, const Tags& tags,
                           std::string_view content);
// The id an event's fields give, in hex.
std::string IdOf(const Event& event);
// The event with the public key of `secret`, its id and its signature filled in.
Event Sign(Event event, const SecretKey& secret, const AuxRandom& aux);
// Whether the id is the one the fields give and the signature is the public key's over it.
bool Verify(const Event& event);

// The event as a relay takes it: {"id":...,"pubkey":...,"created_at":...,"kind":...,"tags":...,
// "content":...,"sig":...}, without blanks.
std::string EventJson(const Event& event);
// An event read from JSON (ours, kept to be sent again byte for byte, or one a relay sent): nothing
// unless it is an object with every field of its type (id, pubkey and sig lowercase hex of their
// lengths, created_at a whole number from 0, kind a whole number 0..65535, tags an array of arrays
// of strings, content a string). The signature is not checked here (Verify).
std::optional<Event> ParseEventJson(std::string_view json);

// The client's messages.
std::string EventMessage(const Event& event);                                          // ["EVENT",{...}]
std::string ReqForId(std::string_view subscriptionId, std::string_view eventId);      // ["REQ","<sub>",{"ids":["<id>"]}]
std::string Close(std::string_view subscriptionId);                                   // ["CLOSE","<sub>"]

// The relay's messages.
struct OkMessage {  // ["OK",<event id>,<true|false>,<message>]
  std::string eventId;
  bool accepted = false;
  std::string message;
  friend bool operator==(const OkMessage&, const OkMessage&) = default;
};
struct EventReceived {  // ["EVENT",<subscription id>,<event>]
  std::string subscriptionId;
  Event event;
  friend bool operator==(const EventReceived&, const EventReceived&) = default;
};
struct EndOfStoredEvents {  // ["EOSE",<subscription id>]
  std::string subscriptionId;
  friend bool operator==(const EndOfStoredEvents&, const EndOfStoredEvents&) = default;
};
struct Notice {  // ["NOTICE",<message>]
  std::string message;
  friend bool operator==(const Notice&, const Notice&) = default;
};
struct Closed {  // ["CLOSED",<subscription id>,<message>]
  std::string subscriptionId;
  std::string message;
  friend bool operator==(const Closed&, const Closed&) = default;
};
using RelayMessage = std::variant<OkMessage, EventReceived, EndOfStoredEvents, Notice, Closed>;
// Nothing for a text that is none of these (another kind of message, a field of the wrong type).
// A message the relay left out of an OK or CLOSED reads as empty.
std::optional<RelayMessage> ParseRelayMessage(std::string_view text);

// The machine-readable prefix of an OK's or CLOSED's message ("rate-limited: slow down").
enum class RefusalReason { kNone, kDuplicate, kPow, kBlocked, kRateLimited, kInvalid, kError, kRestricted, kAuthRequired, kOther };
RefusalReason ReasonOf(std::string_view message);
// Whether the relay has the event: it took it, or had it already.
bool Delivered(const OkMessage& ok);
// A refusal as the person reads it, in English (translated where it is shown, Catalog::TrFilled):
// "the relay refused the line: rate limited (“rate-limited: slow down”)".
std::u16string OkInWords(std::string_view message);
// What an OK means for the line: delivered, or refused for now (rate limited, the relay's own
// error) or for good (each other refusal), with OkInWords for the reason.
DeliveryOutcome OkOutcome(const OkMessage& ok);

}  // namespace quillet::nostr
