#pragma once
// One exchange at a time with a Nostr account's relays, each over a WebSocket connection of its
// own: a signed event published, or an event looked up by its id.
//   Publish  sends ["EVENT",<event>] to every relay. The line is delivered as soon as one relay
//            answers OK true for it (one that had it already counts). Once every relay is done:
//            refused for good when every relay that answered refused it for good and every relay
//            was reached (a silent one does not hide the refusal); else uncertain when the event
//            left to a relay that then said nothing; else refused for now when a relay refused it
//            (only rate limited, an error of its own, or another not reached), with the first
//            refusal in words; a temporary failure when no relay could be reached.
//   Look     sends ["REQ",<sub>,{"ids":[<id>]}] to every relay: found as soon as one sends the
//            event back; not found once every relay is done and at least one ended its stored
//            events without it; failed (temporary) when none could tell.
// A relay that neither answers nor ends its connection within kDeadlineMs of the start is done,
// without an answer. Each relay's outcome goes to the log (its address, OK or the refusal with
// the relay's message, the failure); the secret key is never near it.
// The done functions run once, from a connection's event or from OnTick; connections are closed
// and destroyed only outside their own events (at the next exchange or tick).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/callback.h"
#include "networks/nostr/nostr_event.h"
#include "delivery/outcome.h"
#include "platform/clock.h"
#include "platform/websocket.h"

namespace quillet::nostr {

class RelayExchange {
 public:
  static constexpr std::int64_t kDeadlineMs = 30'000;

  RelayExchange(platform::WebSocketFactory makeWebSocket, platform::IClock& clock)
      : makeWebSocket_(std::move(makeWebSocket)), clock_(clock) {}
  RelayExchange(const RelayExchange&) = delete;
  RelayExchange& operator=(const RelayExchange&) = delete;

  using Published = Callback<void(const DeliveryOutcome&)>;
  enum class Finding { kFound, kNotFound, kFailed };
  using Looked = Callback<void(Finding, std::u16string reason)>;

  // An exchange still under way is abandoned without its outcome.
  void Publish(const std::vector<std::string>& relays, const Event& event, Published done);
  void Look(const std::vector<std::string>& relays, const std::string& eventId, Looked done);
  // Ends the exchange when its deadline has passed; lets go of connections no longer used.
  void OnTick();
  void Abandon();
  bool Busy() const { return published_ || looked_; }

 private:
  struct Relay {
    std::string url;
    std::unique_ptr<platform::IWebSocket> socket;
    bool left = false;  // the request went out on an open connection
    bool done = false;
    std::optional<OkMessage> refusal;
    bool endOfStored = false;  // the relay ended its stored events without the one looked for
    std::string failure;
  };
  void Begin(const std::vector<std::string>& relays, const std::string& message);
  void OnText(std::uint32_t generation, std::size_t index, const std::string& text);
  void OnClosed(std::uint32_t generation, std::size_t index, const platform::WebSocketClosed& closed);
  void RelayDone(Relay& relay, std::string failure);
  // Every relay is done, or the deadline has passed: the exchange's outcome.
  void Settle();
  void PublishedAs(const DeliveryOutcome& outcome);
  void LookedAs(Finding finding, std::u16string reason);
  // The connections in use are let go of at the next tick or exchange.
  void Retire();

  platform::WebSocketFactory makeWebSocket_;
  platform::IClock& clock_;
  std::vector<Relay> relays_;
  std::vector<std::unique_ptr<platform::IWebSocket>> retired_;
  std::uint32_t generation_ = 0;  // an event of an earlier exchange's connection is dropped
  std::string eventId_;
  std::string subscription_;
  Published published_;
  Looked looked_;
  std::int64_t deadlineMs_ = 0;
};

}  // namespace quillet::nostr
