// A Nostr account's lines on the fake platform: published to every relay, the outcome from their
// answers, an uncertain line looked up by its event's id, the signed event kept across a restart,
// and the secret key nowhere in clear.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "common/utf8.h"
#include "delivery/nostr_account.h"
#include "delivery/nostr_event.h"
#include "delivery/outbox_file.h"
#include "tests/unit/fake_program.h"

namespace quillet::testing {
namespace {

using platform::WebSocketEnd;
using platform::fake::FakeWebSocketWire;

constexpr std::string_view kNsec = "nsec1vl029mgpspedva04g90vltkh6fvh240zqtv9k0t9af8935ke9laqsnlfe5";

struct NostrProgram : FakeProgram {
  explicit NostrProgram(platform::fake::FakeFiles* shared = nullptr)
      : FakeProgram({.connectHost = "status.example.net", .hostHeader = "example.net", .port = 8080}, shared) {
    clock.nowMs = 1'796'744'045'123;
    Store("Api", "nostr");
    Store("Relays", "wss://a.example\r\n\r\n  wss://b.example  \n");
    registry.Put(kAppKey, "NostrKey", platform::kRegBinary, secrets.Protect(kNsec));
  }
  // The newest exchange's connection to relay a (0) or b (1).
  FakeWebSocketWire& Relay(int index) { return *webSockets.wires[webSockets.wires.size() - 2 + index]; }
  const OutboxRecord* Line() {
    return program.outbox().Records().empty() ? nullptr : &program.outbox().Records().front();
  }
  static std::string Ok(const std::string& sent, bool accepted, const std::string& message) {
    std::string id = nostr::ParseEventJson(sent.substr(9, sent.size() - 10))->id;
    return R"(["OK",")" + id + R"(",)" + (accepted ? "true" : "false") + R"(,")" + message + R"("])";
  }
};

TEST(NostrDelivery, OneRelaysOkDeliversEveryRefusalRefusesNoAnswerIsUncertain) {
  using Play = std::function<void(FakeWebSocketWire&)>;
  auto answer = [](bool accepted, std::string message) {
    return Play([=](FakeWebSocketWire& w) {
      w.Accept();
      w.Receive(NostrProgram::Ok(w.sent.at(0), accepted, message));
    });
  };
  Play silent = [](FakeWebSocketWire& w) { w.Accept(); };
  Play unreachable = [](FakeWebSocketWire& w) { w.End(WebSocketEnd::kRefused, "nothing listens there"); };
  struct Case {
    Play a, b;
    std::optional<OutboxState> state;  // nothing: delivered
    std::string words;
  } cases[] = {
      {answer(true, ""), silent, std::nullopt, ""},
      {unreachable, answer(true, "duplicate: have it"), std::nullopt, ""},
      {answer(false, "blocked: not on the list"), answer(false, "invalid: bad"), OutboxState::kRefused, "blocked"},
      {answer(false, "rate-limited: slow down"), answer(false, "blocked: no"), OutboxState::kWaiting, "rate limited"},
      {unreachable, answer(false, "blocked: no"), OutboxState::kWaiting, "blocked"},
      {unreachable, unreachable, OutboxState::kWaiting, "no relay could be reached (nothing listens there)"},
      {silent, unreachable, OutboxState::kChecking, "none said whether it took it"},
  };
  for (const Case& c : cases) {
    NostrProgram p;
    p.Start();
    p.Confirm(u"hello \U0001F600");
    ASSERT_EQ(p.webSockets.wires.size(), 2u);
    EXPECT_EQ(p.Relay(0).url, "wss://a.example");
    EXPECT_EQ(p.Relay(1).url, "wss://b.example");
    c.a(p.Relay(0));
    c.b(p.Relay(1));
    if (p.Line() && p.Line()->state == OutboxState::kLeaving) p.Seconds(31);  // past the relays' deadline
    if (!c.state) {
      EXPECT_EQ(p.Line(), nullptr) << c.words;
      continue;
    }
    ASSERT_NE(p.Line(), nullptr);
    EXPECT_EQ(p.Line()->state, *c.state) << c.words;
    EXPECT_NE(utf8::FromUtf16(p.Line()->reason).find(c.words), std::string::npos) << utf8::FromUtf16(p.Line()->reason);
  }
}

TEST(NostrDelivery, SignedOnceKeptAcrossARestartLookedUpAndSentAgainUnchanged) {
  platform::fake::FakeFiles files;
  std::string message;
  const std::string hexKey = nostr::Hex(nostr::SecretFromNsec(kNsec)->bytes);
  auto keyNowhere = [&](const std::vector<std::string>& texts) {
    for (const std::string& text : texts) {
      EXPECT_EQ(text.find(kNsec), std::string::npos) << text;
      EXPECT_EQ(text.find(hexKey), std::string::npos) << text;
    }
  };
  {
    NostrProgram p(&files);
    p.Start();
    p.Confirm(u"only once \U0001F600");
    p.Relay(0).Accept();
    p.Relay(1).Accept();
    message = p.Relay(0).sent.at(0);
    EXPECT_EQ(p.Relay(1).sent.at(0), message);
    auto event = nostr::ParseEventJson(p.Line()->key);
    ASSERT_TRUE(event && nostr::Verify(*event));
    EXPECT_EQ(message, nostr::EventMessage(*event));
    EXPECT_EQ(event->content, "only once \xF0\x9F\x98\x80");
    EXPECT_EQ(event->createdAt, p.Line()->confirmedMs / 1000);
    EXPECT_EQ(event->pubkey, nostr::Hex(nostr::PublicKeyOf(*nostr::SecretFromNsec(kNsec))));
    EXPECT_TRUE(event->tags.empty());
    EXPECT_TRUE(std::any_of(p.log.lines.begin(), p.log.lines.end(),
                            [](const std::string& line) { return line.ends_with("wss://b.example event sent"); }));
    keyNowhere(p.log.lines);
    // Quillet ends while the event is out.
  }
  keyNowhere({files.files["outbox.txt"]});

  NostrProgram again(&files);
  again.Start();
  // Started again, the line may have arrived: it is looked up by its id before it goes again.
  again.Seconds(1);
  ASSERT_EQ(again.webSockets.wires.size(), 2u);
  auto event = nostr::ParseEventJson(message.substr(9, message.size() - 10));
  // Relay a answers the request, b's connection breaks.
  auto lookUp = [&](NostrProgram& p, bool found) {
    FakeWebSocketWire& a = p.Relay(0);
    FakeWebSocketWire& b = p.Relay(1);
    a.Accept();
    b.End(WebSocketEnd::kBroken);
    ASSERT_EQ(a.sent.size(), 1u);
    ASSERT_TRUE(a.sent[0].starts_with(R"(["REQ",")")) << a.sent[0];
    std::string sub = a.sent[0].substr(8, a.sent[0].find('"', 8) - 8);
    EXPECT_NE(a.sent[0].find(R"({"ids":[")" + event->id + R"("]})"), std::string::npos);
    if (found) a.Receive(R"(["EVENT",")" + sub + R"(",)" + nostr::EventJson(*event) + "]");
    a.Receive(R"(["EOSE",")" + sub + R"("])");
  };
  ASSERT_EQ(again.Line()->state, OutboxState::kChecking);
  std::size_t before = again.webSockets.wires.size();
  lookUp(again, false);  // not found: sent again, the same event byte for byte
  again.Seconds(1);
  ASSERT_EQ(again.webSockets.wires.size(), before + 2) << "sent again";
  EXPECT_EQ(again.Relay(0).waiting.at(0), message);
  again.Relay(0).End(WebSocketEnd::kBroken);
  again.Relay(1).Accept();
  again.Seconds(31);  // again no answer: looked up again, and found this time
  again.Seconds(61);
  lookUp(again, true);
  EXPECT_EQ(again.Line(), nullptr);
  again.Seconds(120);
  EXPECT_EQ(again.webSockets.wires.size(), before + 4) << "found: not sent again";
  keyNowhere(again.log.lines);
}

TEST(NostrAccount, RelaysAndKeys) {
  EXPECT_EQ(nostr::RelaysOf(u"wss://a\r\n\nwss://b \n wss://a"), (std::vector<std::string>{"wss://a", "wss://b"}));
  EXPECT_EQ(nostr::RelaysOf(u" \r\n").size(), std::size(nostr::kDefaultRelays));
  platform::fake::FakeRegistry registry;
  platform::fake::FakeSecrets secrets;
  SettingsStore settings(registry);
  settings.SetAppTitle(u"Quillet");
  nostr::SecretKey made = nostr::GenerateKey(secrets);
  EXPECT_NE(nostr::Hex(made.bytes), nostr::Hex(nostr::GenerateKey(secrets).bytes));
  nostr::SaveKey(settings, secrets, made);
  EXPECT_EQ(nostr::LoadKey(settings, secrets)->bytes, made.bytes);
  // Stored as the 32 bytes or hex as well; anything else is no key.
  struct Case {
    std::string clear;
    bool usable;
  } cases[] = {{std::string(made.bytes.begin(), made.bytes.end()), true}, {nostr::Hex(made.bytes), true},
               {"nsec1broken", false}, {std::string(32, '\0'), false}};
  for (const Case& c : cases) {
    settings.SaveBytes(kNostrKey, secrets.Protect(c.clear));
    EXPECT_EQ(nostr::LoadKey(settings, secrets).has_value(), c.usable) << c.clear;
  }
}

}  // namespace
}  // namespace quillet::testing
