#pragma once
// A Nostr relay played on the fake platform for tests that run long: it answers whatever each
// connection to its address sends, the way it is told to, and keeps the events it takes.
#include <map>
#include <string>

#include "networks/nostr/nostr_event.h"
#include "platform/fake/fake_websocket.h"

namespace quillet::testing {

struct ModelRelay {
  enum class Answer {
    kTakes,        // OK true, and has the event from then on
    kTakesSilently,  // has it, and never says so
    kSilent,       // neither takes it nor answers; a request by id is answered (a read-only relay)
    kBlocks,       // OK false "blocked: ..."
    kRateLimits,   // OK false "rate-limited: ..."
    kOtherId,      // OK true for another event, and that other event when asked by id
    kDrops,        // the connection ends as the message arrives
    kUnreachable,  // the connection is never made
  };
  std::string url;
  Answer answer = Answer::kTakes;
  std::map<std::string, std::string> stored;  // by id: the event's JSON
  int events = 0;                             // EVENT messages that reached it

  // Answers what `wire` sent since `seen` (updated), when the wire is a connection to this relay.
  // Returns the event newly taken, if any.
  std::optional<nostr::Event> Serve(platform::fake::FakeWebSocketWire& wire, std::size_t& seen) {
    using platform::WebSocketEnd;
    std::optional<nostr::Event> taken;
    if (wire.url != url) return taken;
    if (wire.opening && answer == Answer::kUnreachable) wire.End(WebSocketEnd::kRefused, "nothing listens there");
    wire.Accept();
    while (wire.open && seen < wire.sent.size()) {
      const std::string text = wire.sent[seen++];
      if (answer == Answer::kDrops) return wire.End(WebSocketEnd::kBroken), taken;
      if (text.starts_with(R"(["EVENT",)")) {
        ++events;
        std::optional<nostr::Event> event = nostr::ParseEventJson(text.substr(9, text.size() - 10));
        if (!event) continue;
        if ((answer == Answer::kTakes || answer == Answer::kTakesSilently) &&
            stored.emplace(event->id, nostr::EventJson(*event)).second)
          taken = event;
        if (answer == Answer::kTakes) wire.Receive(Ok(event->id, "true", ""));
        if (answer == Answer::kBlocks) wire.Receive(Ok(event->id, "false", "blocked: not here"));
        if (answer == Answer::kRateLimits) wire.Receive(Ok(event->id, "false", "rate-limited: slow down"));
        if (answer == Answer::kOtherId) wire.Receive(Ok(std::string(64, 'e'), "true", ""));
      } else if (text.starts_with(R"(["REQ",")")) {
        std::string sub = text.substr(8, text.find('"', 8) - 8);
        std::size_t at = text.find(R"("ids":[")");
        std::string id = at == std::string::npos ? "" : text.substr(at + 8, 64);
        if (auto found = stored.find(id); found != stored.end())
          wire.Receive(R"(["EVENT",")" + sub + R"(",)" + found->second + "]");
        if (answer == Answer::kOtherId) wire.Receive(R"(["EVENT",")" + sub + R"(",)" + OtherEvent() + "]");
        wire.Receive(R"(["EOSE",")" + sub + R"("])");
      }
    }
    return taken;
  }

  static std::string Ok(const std::string& id, const char* accepted, const char* message) {
    return R"(["OK",")" + id + R"(",)" + accepted + R"(,")" + message + R"("])";
  }
  static std::string OtherEvent() {
    return nostr::EventJson({.id = std::string(64, 'e'), .pubkey = std::string(64, 'a'), .createdAt = 1,
                             .content = "another", .sig = std::string(128, 'b')});
  }
};

}  // namespace quillet::testing
