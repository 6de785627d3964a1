// A Nostr account's lines on the fake platform: published to every relay, the outcome from their
// answers, an uncertain line looked up by its event's id, the signed event kept across a restart,
// and the secret key nowhere in clear.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "common/callback.h"
#include "common/utf8.h"
#include "networks/nostr/nostr_account.h"
#include "networks/nostr/nostr_event.h"
#include "delivery/outbox_file.h"
#include "tests/unit/fake_program.h"
#include "tests/unit/model_relay.h"

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
  using Play = Callback<void(FakeWebSocketWire&)>;
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
    auto event = nostr::ParseEventJson(p.Line()->keys.signedEvent);
    ASSERT_TRUE(event && nostr::Verify(*event));
    EXPECT_EQ(message, nostr::EventMessage(*event));
    EXPECT_EQ(event->content, "only once \xF0\x9F\x98\x80");
    EXPECT_EQ(event->createdAt, p.Line()->confirmedMs / 1000);
    EXPECT_EQ(event->pubkey, nostr::Hex(nostr::PublicKeyOf(*nostr::SecretFromNsec(kNsec), {})));
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
  // Not found at 1, 3 and 10 minutes: sent again after a pause, the same event byte for byte.
  lookUp(again, false);
  for (int seconds : {120, 420}) {
    again.Seconds(seconds);
    lookUp(again, false);
  }
  std::size_t before = again.webSockets.wires.size();
  again.Seconds(35);
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

// Relays a and b of NostrProgram, each answering every connection made to it.
struct RelaysServing {
  ModelRelay a{.url = "wss://a.example"}, b{.url = "wss://b.example"};
  std::map<const FakeWebSocketWire*, std::size_t> seen;
  void Serve(platform::fake::FakeWebSockets& sockets) {
    for (std::size_t i = 0; i < sockets.wires.size(); ++i) {
      std::shared_ptr<FakeWebSocketWire> wire = sockets.wires[i];
      a.Serve(*wire, seen[wire.get()]);
      b.Serve(*wire, seen[wire.get()]);
    }
  }
};

bool Told(const NostrProgram& p, std::string_view title, std::string_view words = "") {
  return std::any_of(p.shell.balloons.begin(), p.shell.balloons.end(), [&](const auto& shown) {
    return shown.second.title == title && shown.second.text.find(words) != std::string::npos;
  });
}

TEST(NostrDelivery, RelaysThatNeverSayAreWaitedForAsAnyServerIsAndAFirmRefusalIsToldAtOnce) {
  using Answer = ModelRelay::Answer;
  struct Case {
    const char* name;
    Answer a, b;
    bool refused;
  } cases[] = {
      {"read-only relays", Answer::kSilent, Answer::kSilent, false},
      {"an OK and an event for another id", Answer::kOtherId, Answer::kUnreachable, false},
      {"blocked by one, the other silent", Answer::kBlocks, Answer::kSilent, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    NostrProgram p;
    RelaysServing relays;
    relays.a.answer = c.a;
    relays.b.answer = c.b;
    p.Start();
    p.Confirm(u"into the void");
    for (int step = 0; step < 25 * 360; ++step) {  // 25 hours
      relays.Serve(p.webSockets);
      p.clock.nowMs += 10'000;
      p.deliveryTimer.Tick();
    }
    ASSERT_NE(p.Line(), nullptr);
    if (c.refused) {
      EXPECT_EQ(p.Line()->state, OutboxState::kRefused);
      EXPECT_EQ(relays.a.events, 1);
      EXPECT_TRUE(Told(p, "Quillet could not post a line", "blocked"));
      continue;
    }
    EXPECT_NE(p.Line()->state, OutboxState::kRefused);
    EXPECT_LE(relays.a.events, 60) << "sent again with the same patience as to any server";
    EXPECT_TRUE(Told(p, "Quillet: a line is still waiting"));
  }
}

TEST(NostrDelivery, SentAgainByThePersonALineGoesUnderTheKeyTheAccountHoldsNow) {
  nostr::SecretKey fixed;
  fixed.bytes[31] = 7;
  for (bool keyChanged : {true, false}) {
    SCOPED_TRACE(keyChanged ? "a new key" : "the same key");
    NostrProgram p;
    RelaysServing relays;
    relays.a.answer = relays.b.answer = ModelRelay::Answer::kBlocks;
    p.Start();
    p.Confirm(u"signed twice");
    relays.Serve(p.webSockets);
    ASSERT_EQ(p.Line()->state, OutboxState::kRefused);
    auto first = nostr::ParseEventJson(p.Line()->keys.signedEvent);
    if (keyChanged) p.registry.Put(kAppKey, "NostrKey", platform::kRegBinary, p.secrets.Protect(nostr::Nsec(fixed)));
    relays.a.answer = relays.b.answer = ModelRelay::Answer::kTakes;
    p.program.outbox().SendAgain(p.Line()->id);
    relays.Serve(p.webSockets);
    ASSERT_EQ(relays.a.stored.size(), 1u);
    auto sent = nostr::ParseEventJson(relays.a.stored.begin()->second);
    EXPECT_TRUE(nostr::Verify(*sent));
    EXPECT_EQ(sent->pubkey, keyChanged ? nostr::Hex(nostr::PublicKeyOf(fixed, {})) : first->pubkey);
    EXPECT_EQ(sent->id == first->id, !keyChanged) << "under the same key, the same event";
    EXPECT_EQ(sent->createdAt, first->createdAt);
  }
}

TEST(NostrDelivery, TheSameWordsTwiceInOneSecondAreTwoEvents) {
  NostrProgram p;
  RelaysServing relays;
  p.Start();
  p.Confirm(u"again");
  p.clock.nowMs -= 1000;  // the next confirmed in the same second
  p.Confirm(u"again");
  for (int second = 0; second < 5; ++second) {
    relays.Serve(p.webSockets);
    p.Seconds(1);
  }
  EXPECT_EQ(relays.a.stored.size(), 2u);
  EXPECT_EQ(p.Line(), nullptr);
}

TEST(NostrDelivery, AnAccountSwitchedToMastodonSendsItsWaitingLineUnderAKeyOfItsOwn) {
  NostrProgram p;
  p.Start();
  p.Confirm(u"switched");
  p.Relay(0).End(WebSocketEnd::kRefused);
  p.Relay(1).End(WebSocketEnd::kRefused);
  ASSERT_EQ(p.Line()->state, OutboxState::kWaiting);
  ASSERT_TRUE(nostr::ParseEventJson(p.Line()->keys.signedEvent));
  p.Store("Api", "mastodon");
  p.Store("Server", "https://social.example/");
  p.Seconds(40);
  ASSERT_FALSE(p.http.requests.empty());
  const platform::HttpRequest& request = p.http.requests.back();
  auto key = std::find_if(request.headers.begin(), request.headers.end(),
                          [](const auto& header) { return header.first == "Idempotency-Key"; });
  ASSERT_NE(key, request.headers.end());
  EXPECT_EQ(key->second.size(), 32u);
  EXPECT_EQ(key->second, p.Line()->keys.idempotency);
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
