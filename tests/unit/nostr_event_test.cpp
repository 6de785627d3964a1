// Nostr's events and relay messages (NIP-01): what an id is the digest of, a published event's id
// and signature, signing and reading back, the relay's answers and what they mean for a line.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "common/utf8.h"
#include "networks/bluesky/bluesky_api.h"
#include "networks/nostr/nostr_event.h"
#include "networks/nostr/nostr_relays.h"
#include "platform/fake/fake_files.h"
#include "platform/fake/fake_websocket.h"

namespace quillet::testing {
namespace {

using namespace nostr;

const std::string kPubkey = "11d0b66747887ba9a6d34b23eb31287374b45b1a1b161eac54cb183c53e00ef7";

// A note as a relay sent it, with blanks and \u escapes (a surrogate pair among them).
const std::string kPublishedEvent =
    R"({"id": "cd720b23163210ebddec88bc4e74d83c9667cdf11b95d376865315c686ed34eb", "pubkey": ")" + kPubkey +
    R"(", "created_at": 1684947090, "kind": 1, "tags": [["e", "f9f30e37adffe3afe12fda2f8db4502ece334f261273a9a0be7e8adb29b35145"], ["p", "9eefd04d32ab5da8de12d7b83201578ea095a676acf3a692ec1b0b202ae4e16f"]], "content": "I'll take a large lill\u00f6rdag please.\n\n\ud83d\ude0e\ud83e\udd19\ud83d\udc47\ud83c\udf7b\n\nnostr:nevent1qqs0nucwx7kllca0uyha5tudk3gzan3nfunpyuaf5zl8azkm9xe4z3gpzamhxue69uhhyetvv9ujumn0wd68ytnzv9hxgtczyz0wl5zdx244m2x7zttmsvsp2782p9dxw6k08f5jasdskgp2unsk7qcyqqqqqqgncdx20", "sig": "6c66e42dd481a0769148be33932a643672710f0ed83eeaaf4af5fe0f53e52b810a924ba2498354b8b00a54f065f4de0d92c42c70fdb39a2da67ac97baf4f9ae0"})";

SecretKey TestSecret() {
  SecretKey secret;
  for (std::size_t i = 0; i < secret.bytes.size(); ++i) secret.bytes[i] = static_cast<std::uint8_t>(i + 1);
  return secret;
}

TEST(NostrEvent, SerializedForItsIdAsNip01AndJsonStringifyWriteIt) {
  struct Case {
    std::string content, written;
  } cases[] = {
      {"plain", R"("plain")"},
      {"say \"hi\" \\ bye", R"("say \"hi\" \\ bye")"},
      {"a\nb\tc\rd", R"("a\nb\tc\rd")"},
      {"\b\f", R"("\b\f")"},
      // The other control characters have no short escape: JSON cannot carry them raw, and every
      // relay and client computes the id over \u00XX, as JSON.stringify writes them.
      {std::string("\x01\x1f", 2) + '\0', R"("\u0001\u001f\u0000")"},
      // Everything else as it is: DEL, a slash, accents, an emoji, U+2028.
      {"\x7f/\xc3\xa9\xf0\x9f\xa6\xa9\xe2\x80\xa8", "\"\x7f/\xc3\xa9\xf0\x9f\xa6\xa9\xe2\x80\xa8\""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SerializeForId(kPubkey, 1700000000, 1, {}, c.content),
              "[0,\"" + kPubkey + "\",1700000000,1,[]," + c.written + "]");
  EXPECT_EQ(SerializeForId(kPubkey, 0, 1, {{"t", "a\"b"}, {"e"}}, ""),
            "[0,\"" + kPubkey + R"(",0,1,[["t","a\"b"],["e"]],""])");
}

TEST(NostrEvent, APublishedNoteReadsBackWithItsIdAndSignature) {
  auto event = ParseEventJson(kPublishedEvent);
  ASSERT_TRUE(event);
  EXPECT_EQ(event->content.substr(0, 24), "I'll take a large lill\xc3\xb6");
  EXPECT_EQ(event->tags.size(), 2u);
  EXPECT_EQ(IdOf(*event), event->id);
  EXPECT_TRUE(Verify(*event));
  // Written again without blanks, it reads as the same event.
  EXPECT_EQ(ParseEventJson(EventJson(*event)), event);

  Event changed = *event;
  changed.content += ".";
  EXPECT_FALSE(Verify(changed));  // the id no longer fits
  changed.id = IdOf(changed);
  EXPECT_FALSE(Verify(changed));  // the signature no longer fits
}

TEST(NostrEvent, SignedNoteVerifiesAndIsKeptByteForByte) {
  Event note{.createdAt = 1765000000, .content = "Quillet \"says\"\n\xe2\x80\xa8 \x01 \xf0\x9f\xa6\xa9"};
  Event signed_ = Sign(note, TestSecret(), AuxRandom{7});
  EXPECT_EQ(signed_.pubkey, Hex(PublicKeyOf(TestSecret(), {})));
  EXPECT_EQ(signed_.kind, 1);
  EXPECT_TRUE(Verify(signed_));
  std::string kept = EventJson(signed_);
  auto read = ParseEventJson(kept);
  ASSERT_TRUE(read);
  EXPECT_EQ(*read, signed_);
  EXPECT_EQ(EventJson(*read), kept);
  EXPECT_EQ(EventMessage(*read), "[\"EVENT\"," + kept + "]");
  // Other randomness, another signature of the same id; both good.
  Event again = Sign(note, TestSecret(), AuxRandom{8});
  EXPECT_EQ(again.id, signed_.id);
  EXPECT_NE(again.sig, signed_.sig);
  EXPECT_TRUE(Verify(again));
}

TEST(NostrEvent, WhatIsNoEventIsRefused) {
  auto event = ParseEventJson(kPublishedEvent);
  ASSERT_TRUE(event);
  std::string json = EventJson(*event);
  auto with = [&](std::string_view from, std::string_view to) {
    std::string changed = json;
    changed.replace(changed.find(from), from.size(), to);
    return changed;
  };
  const std::string refused[] = {
      with("\"id\":\"cd72", "\"id\":\"CD72"),                   // upper-case hex
      with(",\"sig\":\"" + event->sig + "\"", ""),              // no signature
      with("1684947090", "1684947090.5"),                       // not a whole number
      with("1684947090", "-1"),
      with("\"kind\":1", "\"kind\":65536"),
      with("[[\"e\",", "[[\"e\",1,"),                           // a tag's value not a string
      with("[[\"e\",", "[\"e\",[\"e\","),                       // a tag that is no array
      with("\"content\":\"I'll", "\"content\":1,\"x\":\"I'll"),  // content not a string
      "[" + json + "]",
  };
  for (const std::string& text : refused) EXPECT_FALSE(ParseEventJson(text)) << text;
  // The largest of each is still an event.
  EXPECT_EQ(ParseEventJson(with("\"kind\":1", "\"kind\":65535"))->kind, 65535);
  EXPECT_EQ(ParseEventJson(with("1684947090", "9223372036854775807"))->createdAt, INT64_MAX);
}

TEST(NostrRelay, ClientMessages) {
  EXPECT_EQ(ReqForId("look-1", "cd72"), R"(["REQ","look-1",{"ids":["cd72"]}])");
  EXPECT_EQ(Close("look-1"), R"(["CLOSE","look-1"])");
}

TEST(NostrRelay, RelayMessagesAreRead) {
  const std::string id = "cd720b23163210ebddec88bc4e74d83c9667cdf11b95d376865315c686ed34eb";
  struct Case {
    std::string text;
    std::optional<RelayMessage> read;
  } cases[] = {
      {R"(["OK",")" + id + R"(",true,""])", OkMessage{id, true, ""}},
      {R"([ "OK" , ")" + id + R"(" , false , "rate-limited: slow down" ])", OkMessage{id, false, "rate-limited: slow down"}},
      {R"(["OK",")" + id + R"(",true])", OkMessage{id, true, ""}},
      {R"(["OK",")" + id + R"(","true",""])", std::nullopt},
      {R"(["EOSE","look-1"])", EndOfStoredEvents{"look-1"}},
      {R"(["NOTICE","caf\u00e9"])", Notice{"caf\xc3\xa9"}},
      {R"(["CLOSED","look-1","error: shutting down idle subscription"])",
       Closed{"look-1", "error: shutting down idle subscription"}},
      {R"(["EVENT","look-1",)" + kPublishedEvent + "]", EventReceived{"look-1", *ParseEventJson(kPublishedEvent)}},
      {R"(["EVENT","look-1",{"id":"cd72"}])", std::nullopt},
      {R"(["AUTH","challenge"])", std::nullopt},
      {"[]", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseRelayMessage(c.text), c.read) << c.text;
}

TEST(NostrRelay, AnOkBecomesAnOutcomeInWords) {
  struct Case {
    bool accepted;
    std::string message;
    Delivery kind;
    std::u16string reason;
  } cases[] = {
      {true, "", Delivery::kDelivered, u""},
      {false, "duplicate: already have this event", Delivery::kDelivered, u""},
      {false, "rate-limited: slow down there chief", Delivery::kTemporary,
       u"the relay refused the line: rate limited (rate-limited: slow down there chief)"},
      {false, "error: could not connect to the database", Delivery::kTemporary,
       u"the relay could not take the line (error: could not connect to the database)"},
      {false, "blocked: you are banned from posting here", Delivery::kPermanent,
       u"the relay refused the line: blocked (blocked: you are banned from posting here)"},
      {false, "auth-required: members only", Delivery::kPermanent,
       u"the relay asks to sign in first, which Quillet does not do (auth-required: members only)"},
      {false, "spam: no thanks", Delivery::kPermanent, u"the relay refused the line (spam: no thanks)"},
      {false, "", Delivery::kPermanent, u"the relay refused the line"},
  };
  for (const Case& c : cases) {
    DeliveryOutcome outcome = OkOutcome(OkMessage{"id", c.accepted, c.message});
    EXPECT_EQ(outcome.kind, c.kind) << c.message;
    EXPECT_EQ(outcome.reason, c.reason) << c.message;
  }
}

TEST(NostrRelay, ARelaysOrAServersLongWordsAreCutWhereTheLineKeepsThem) {
  std::string clauses = "blocked: a";
  while (clauses.size() < 36'000) clauses += "; a";
  platform::fake::FakeWebSockets sockets;
  platform::fake::FakeClock clock;
  RelayExchange exchange(sockets.Factory(), clock);
  DeliveryOutcome ended;
  exchange.Publish({"wss://a.example"}, *ParseEventJson(kPublishedEvent), [&](const DeliveryOutcome& o) { ended = o; });
  sockets.wires[0]->End(platform::WebSocketEnd::kRefused, clauses);
  const std::u16string reasons[] = {
      OkOutcome(OkMessage{"id", false, clauses}).reason,
      ended.reason,
      bluesky::Outcome({.outcome = platform::HttpOutcome::kReplied, .status = 400,
                        .body = R"({"error":"InvalidRequest","message":")" + clauses + R"("})"},
                       "bsky.example", 0)
          .reason,
  };
  for (const std::u16string& reason : reasons) {
    EXPECT_LE(reason.size(), 300u);
    EXPECT_NE(reason.find(u"blocked: a; a; a"), std::u16string::npos);
    EXPECT_NE(reason.find(u"...)"), std::u16string::npos) << utf8::FromUtf16(reason);
  }
  EXPECT_EQ(ServerWords("caf\xc3\xa9\r\nsaid"), u"caf\u00e9  said");
  EXPECT_EQ(ServerWords(std::string(199, 'x') + "\xf0\x9f\x98\x80"), std::u16string(199, u'x') + u"...");
}

}  // namespace
}  // namespace quillet::testing
