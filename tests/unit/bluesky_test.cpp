// Bluesky: record keys, times, link facets, graphemes, the session's decisions and words (tables),
// then the exchange and the outbox's repeats on the fake platform.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "common/codepage.h"
#include "common/grapheme.h"
#include "common/utf8.h"
#include "networks/bluesky/bluesky_api.h"
#include "networks/bluesky/bluesky_session.h"
#include "delivery/outbox_file.h"
#include "settings/password_scrambling.h"
#include "tests/unit/fake_program.h"

namespace quillet::testing {
namespace {

using platform::HttpOutcome;
using platform::HttpReply;

TEST(BlueskyTid, FormatOrderAndMoment) {
  EXPECT_EQ(bluesky::MakeTid(0, 0), "2222222222222");
  EXPECT_EQ(bluesky::MakeTid(1688137381887007, 6), "3jzfcijpj2z2a");  // a key the protocol's own docs show
  EXPECT_EQ(bluesky::MakeTid(1796744045123000, 5), "3n466dczphs27");
  EXPECT_EQ(bluesky::MakeTid((1LL << 53) - 1, 1023), "bzzzzzzzzzzzz");  // the top bit stays 0
  EXPECT_EQ(bluesky::TidMicros("3jzfcijpj2z2a"), 1688137381887007);
  struct Case {
    const char* key;
    bool tid;
  } cases[] = {{"3jzfcijpj2z2a", true}, {"2222222222222", true}, {"bzzzzzzzzzzzz", true}, {"czzzzzzzzzzzz", false},
               {"3jzfcijpj2z2", false}, {"3jzfcijpj2z2a1", false}, {"3jzfcijpj2z21", false}, {"3JZFCIJPJ2Z2A", false},
               {"0123456789abcdef0123456789abcdef", false}, {"", false}};
  for (const Case& c : cases) EXPECT_EQ(bluesky::IsTid(c.key), c.tid) << c.key;
  // Later moments sort later, whatever the clock ids.
  std::mt19937_64 random(7);
  for (int i = 0; i < 1000; ++i) {
    std::int64_t a = static_cast<std::int64_t>(random() >> 12), b = a + 1 + static_cast<std::int64_t>(random() % 1000);
    std::string earlier = bluesky::MakeTid(a, random() & 1023), later = bluesky::MakeTid(b, random() & 1023);
    ASSERT_LT(earlier, later) << a << " " << b;
    ASSERT_TRUE(bluesky::IsTid(earlier));
    ASSERT_EQ(bluesky::TidMicros(earlier), a);
  }
}

TEST(BlueskyTime, IsoUtcWithMilliseconds) {
  EXPECT_EQ(bluesky::IsoTimeUtc(0), "1970-01-01T00:00:00.000Z");
  EXPECT_EQ(bluesky::IsoTimeUtc(951782400123), "2000-02-29T00:00:00.123Z");
  EXPECT_EQ(bluesky::IsoTimeUtc(1796744045123), "2026-12-08T15:34:05.123Z");
  EXPECT_EQ(bluesky::IsoTimeUtc(4102444799999), "2099-12-31T23:59:59.999Z");
}

TEST(BlueskyLinks, FacetsByUtf8Bytes) {
  struct Link {
    std::size_t start, end;
    std::string uri;
  };
  struct Case {
    std::u16string line;
    std::vector<Link> links;
  } cases[] = {
      {u"no links here", {}},
      {u"see https://example.com", {{4, 23, "https://example.com"}}},
      {u"\U0001F600 https://a.example/x.", {{5, 24, "https://a.example/x"}}},  // the emoji is 4 bytes
      {u"caf\u00E9 http://b.example/?q=1&r=2, then", {{6, 31, "http://b.example/?q=1&r=2"}}},
      {u"(see https://e.example/a_(b))", {{5, 28, "https://e.example/a_(b)"}}},
      {u"\"https://q.example/\"!?", {{1, 19, "https://q.example/"}}},
      {u"two: https://one.example\nhttps://two.example/p;", {{5, 24, "https://one.example"}, {25, 46, "https://two.example/p"}}},
      {u"xhttps://glued.example http:// https://", {}},
      // White space of every kind ends an address; closing punctuation of other scripts is left out.
      {u"see https://a.example/x\u00A0then", {{4, 23, "https://a.example/x"}}},
      {u"\u3000https://b.example/\u3002", {{3, 21, "https://b.example/"}}},
      {u"\u898B\u3066https://c.example/\u30C6\u30B9\u30C8\u3002", {{6, 33, "https://c.example/\u30C6\u30B9\u30C8"}}},
      {u"https://d.example/a\u2003https://e.example/b\u2028https://f.example/\u202F",
       {{0, 19, "https://d.example/a"}, {22, 41, "https://e.example/b"}, {44, 62, "https://f.example/"}}},
      {u"\u300Chttps://g.example/x\u300D\uFF0C\u3001\uFF0E\uFF01", {{3, 22, "https://g.example/x"}}},
      {u"(https://h.example/\uFF08a\uFF09)\u2026", {{1, 26, "https://h.example/\uFF08a\uFF09"}}},
  };
  for (const Case& c : cases) {
    std::string text = utf8::FromUtf16(c.line);
    auto found = bluesky::FindLinks(text);
    ASSERT_EQ(found.size(), c.links.size()) << text;
    for (std::size_t i = 0; i < found.size(); ++i) {
      EXPECT_EQ(found[i].byteStart, c.links[i].start) << text;
      EXPECT_EQ(found[i].byteEnd, c.links[i].end) << text;
      EXPECT_EQ(found[i].uri, c.links[i].uri) << text;
      EXPECT_EQ(text.substr(found[i].byteStart, found[i].byteEnd - found[i].byteStart), found[i].uri);
    }
  }
}

TEST(Graphemes, CountedAsReadersSeeThem) {
  struct Case {
    std::u16string text;
    int graphemes;
    const char* what;
  } cases[] = {
      {u"", 0, "nothing"},
      {u"abc", 3, "letters"},
      {u"e\u0301te\u0301", 3, "combining accents"},
      {u"a\u0308\u0323b", 2, "two marks on one letter"},
      {u"\r\n\n", 2, "CR LF is one, LF another"},
      {u"\U0001F600", 1, "an emoji (a surrogate pair)"},
      {u"\U0001F44D\U0001F3FD", 1, "an emoji with a skin tone"},
      {u"\u2764\uFE0F", 1, "a variation selector"},
      {u"\U0001F468\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466", 1, "a family joined by ZWJ"},
      {u"\U0001F3F3\uFE0F\u200D\U0001F308", 1, "a rainbow flag"},
      {u"\U0001F1E9\U0001F1EA", 1, "a flag"},
      {u"\U0001F1E9\U0001F1EA\U0001F1EB\U0001F1F7\U0001F1EE", 3, "two flags and a lone indicator"},
      {u"\uD55C\uAE00", 2, "Hangul syllables"},
      {u"\u1112\u1161\u11AB", 1, "a syllable of jamo"},
      {u"a\u200Db", 2, "a joiner between letters joins only the joiner"},
      {u"\u0915\u094D\u0937\u093F", 2, "Devanagari: virama and vowel sign join (no conjunct rule)"},
      {u"\u0301", 1, "a mark alone"},
      {std::u16string{char16_t{0xD800}, u'x'}, 2, "a lone surrogate counts as one"},
  };
  for (const Case& c : cases) EXPECT_EQ(grapheme::Count(c.text), c.graphemes) << c.what;
}

HttpReply Replied(int status, std::string body = {}, std::string rateLimitReset = {}) {
  return {.outcome = HttpOutcome::kReplied, .status = status, .body = std::move(body), .requestSent = true,
          .rateLimitReset = std::move(rateLimitReset)};
}

TEST(BlueskySession, WhenToRenewAndSignInAgain) {
  struct Case {
    HttpReply reply;
    bool accessExpired, signInAgain;
  } cases[] = {
      {Replied(200), false, false},
      {Replied(400, R"({"error":"ExpiredToken","message":"Token has expired"})"), true, true},
      {Replied(400, R"({"error":"InvalidToken"})"), true, true},
      {Replied(400, R"({"error":"InvalidRequest"})"), false, true},
      {Replied(401, R"({"error":"AuthenticationRequired"})"), true, true},
      {Replied(401, R"({"error":"AuthFactorTokenRequired"})"), false, true},
      {Replied(429, R"({"error":"RateLimitExceeded"})"), false, false},
      {Replied(502), false, false},
      {{.outcome = HttpOutcome::kTimedOut, .requestSent = true}, false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(bluesky::AccessExpired(c.reply), c.accessExpired) << c.reply.status << c.reply.body;
    EXPECT_EQ(bluesky::SignInAgain(c.reply), c.signInAgain) << c.reply.status << c.reply.body;
  }
}

TEST(BlueskySession, OutcomesInWords) {
  constexpr std::int64_t kNow = 1'800'000'000'000;
  struct Case {
    HttpReply reply;
    Delivery kind;
    const char16_t* words;
    int wait;
  } cases[] = {
      {Replied(200), Delivery::kDelivered, u"", 0},
      {Replied(401, R"({"error":"AuthenticationRequired","message":"Invalid identifier or password"})"),
       Delivery::kPermanent, u"handle or app password", 0},
      {Replied(401, R"({"error":"AuthFactorTokenRequired"})"), Delivery::kPermanent,
       u"use an app password (Bluesky: Settings, Privacy and security, App passwords)", 0},
      {Replied(400, R"({"error":"InvalidRecord","message":"Invalid app.bsky.feed.post record: Record/text must not be longer than 300 graphemes"})"),
       Delivery::kPermanent, u"too long", 0},
      {Replied(400, R"({"error":"InvalidRequest","message":"bad\nthing"})"), Delivery::kPermanent, u"(400: badthing)", 0},
      {Replied(429, R"({"error":"RateLimitExceeded"})", "1800000090"), Delivery::kTemporary, u"too many requests", 90},
      {Replied(429, "", "soon"), Delivery::kTemporary, u"too many requests", 0},
      {Replied(503), Delivery::kTemporary, u"", 0},
      {{.outcome = HttpOutcome::kTimedOut, .requestSent = true}, Delivery::kAmbiguous, u"", 0},
  };
  for (const Case& c : cases) {
    DeliveryOutcome outcome = bluesky::Outcome(c.reply, "pds.example", kNow);
    EXPECT_EQ(outcome.kind, c.kind) << c.reply.body;
    EXPECT_NE(outcome.reason.find(c.words), std::u16string::npos) << utf8::FromUtf16(outcome.reason);
    EXPECT_EQ(outcome.retryAfterSeconds, c.wait) << c.reply.body;
  }
}

TEST(BlueskySession, KeptRecordBoundToServerAndHandle) {
  bluesky::Session session{"did:plc:abc", "alice.test", "acc", "ref"};
  std::string record = bluesky::SessionRecord(session, "https://pds.example/", "alice.test");
  EXPECT_EQ(bluesky::ReadSessionRecord(record, "https://pds.example/", "alice.test"), session);
  EXPECT_FALSE(bluesky::ReadSessionRecord(record, "https://other.example/", "alice.test"));
  EXPECT_FALSE(bluesky::ReadSessionRecord(record, "https://pds.example/", "bob.test"));
  EXPECT_FALSE(bluesky::ReadSessionRecord(record.substr(0, record.size() - 1), "https://pds.example/", "alice.test"));
  EXPECT_FALSE(bluesky::ReadSession(R"({"did":"d","handle":"h","accessJwt":"a"})"));
  EXPECT_FALSE(bluesky::ReadSession(R"({"did":"d","handle":"h","accessJwt":"a\nb","refreshJwt":"r"})"));
}

// The program on the fake platform, posting to a Bluesky server over https.
struct BlueskyProgram : FakeProgram {
  BlueskyProgram(platform::fake::FakeFiles* shared = nullptr)
      : FakeProgram({.connectHost = "status.example.net", .hostHeader = "example.net", .port = 8080}, shared) {
    clock.nowMs = 1'796'744'045'123;
    Store("Api", "bluesky");
    Store("Server", "https://pds.example/");
    Store("Password", ToAnsi(password_scrambling::Scramble(u"app-pass-word")));
  }
  std::string LastPath() const { return http.pending.empty() ? "" : http.pending.back().request.path; }
  static std::string SessionBody(const std::string& access) {
    return R"({"did":"did:plc:alice","handle":"alice.test","accessJwt":")" + access + R"(","refreshJwt":"refresh-)" +
           access + R"("})";
  }
};

std::string Narrow8(const std::u16string& text) { return utf8::FromUtf16(text); }

TEST(BlueskyExchange, SignsInOnceRenewsAndSignsInAgainOnlyWhenRenewingFails) {
  BlueskyProgram p;
  p.Start();
  p.Confirm(u"hello \U0001F600 https://quillet.example/a.");
  ASSERT_EQ(p.LastPath(), "/xrpc/com.atproto.server.createSession");
  EXPECT_EQ(p.http.pending.back().request.body, R"({"identifier":"alice","password":"app-pass-word"})");
  p.http.Answer(200, BlueskyProgram::SessionBody("one"));
  ASSERT_EQ(p.LastPath(), "/xrpc/com.atproto.repo.putRecord");
  const platform::HttpRequest& put = p.http.pending.back().request;
  const std::string tid = p.program.outbox().Records().front().keys.record;
  EXPECT_TRUE(bluesky::IsTid(tid)) << tid;
  EXPECT_EQ(bluesky::TidMicros(tid), (p.clock.nowMs) * 1000) << "made when the line was confirmed";
  EXPECT_EQ(put.headers.front().second, "Bearer one");
  EXPECT_EQ(put.body, R"({"repo":"did:plc:alice","collection":"app.bsky.feed.post","rkey":")" + tid +
                          R"(","record":{"$type":"app.bsky.feed.post","text":"hello )" "\xF0\x9F\x98\x80" R"( https://quillet.example/a.","createdAt":"2026-12-08T15:34:06.123Z","facets":[{"index":{"byteStart":11,"byteEnd":36},"features":[{"$type":"app.bsky.richtext.facet#link","uri":"https://quillet.example/a"}]}]}})");
  EXPECT_EQ(p.program.outbox().Records().front().state, OutboxState::kLeaving);
  p.http.Answer(200, R"({"uri":"at://did:plc:alice/app.bsky.feed.post/x","cid":"c"})");
  EXPECT_TRUE(p.program.outbox().Records().empty());
  // Kept protected, never in clear.
  auto stored = p.registry.Find(kAppKey, "Session");
  ASSERT_TRUE(stored);
  EXPECT_EQ(std::string(stored->data.begin(), stored->data.end()).find("refresh-one"), std::string::npos);

  // The next line uses the kept session; a used-up one is renewed, and the line goes under its key.
  p.Confirm(u"second");
  ASSERT_EQ(p.LastPath(), "/xrpc/com.atproto.repo.putRecord");
  p.http.Answer(400, R"({"error":"ExpiredToken","message":"Token has expired"})");
  ASSERT_EQ(p.LastPath(), "/xrpc/com.atproto.server.refreshSession");
  EXPECT_EQ(p.http.pending.back().request.headers.front().second, "Bearer refresh-one");
  p.http.Answer(200, BlueskyProgram::SessionBody("two"));
  ASSERT_EQ(p.LastPath(), "/xrpc/com.atproto.repo.putRecord");
  EXPECT_EQ(p.http.pending.back().request.headers.front().second, "Bearer two");
  p.http.Answer(200, "{}");

  // A refused refresh signs in again; a refused sign-in is the person's to fix, in words.
  p.Confirm(u"third");
  p.http.Answer(401, R"({"error":"AuthenticationRequired"})");
  p.http.Answer(400, R"({"error":"ExpiredToken"})");
  ASSERT_EQ(p.LastPath(), "/xrpc/com.atproto.server.createSession");
  p.http.Answer(401, R"({"error":"AuthenticationRequired","message":"Invalid identifier or password"})");
  ASSERT_EQ(p.program.outbox().Records().size(), 1u);
  EXPECT_EQ(p.program.outbox().Records().front().state, OutboxState::kRefused);
  EXPECT_NE(Narrow8(p.program.outbox().Records().front().reason).find("handle or app password"), std::string::npos);
  int signIns = 0;
  for (const auto& request : p.http.requests) signIns += request.path.find("createSession") != std::string::npos;
  EXPECT_EQ(signIns, 2);
}

TEST(BlueskyExchange, UncertainPostRepeatedUnderItsKeyHoweverLate) {
  platform::fake::FakeFiles files;
  std::string tid;
  {
    BlueskyProgram p(&files);
    p.Start();
    p.Confirm(u"only once");
    p.http.Answer(200, BlueskyProgram::SessionBody("one"));
    tid = p.program.outbox().Records().front().keys.record;
    p.http.Answer({.outcome = HttpOutcome::kTimedOut, .requestSent = true});  // it may have arrived
    const OutboxRecord& record = p.program.outbox().Records().front();
    EXPECT_EQ(record.state, OutboxState::kWaiting);
    EXPECT_TRUE(record.mayHaveArrived && record.keyed);
    p.Seconds(61 * 60);  // past the 50 minutes a Mastodon key lives
    ASSERT_EQ(p.LastPath(), "/xrpc/com.atproto.repo.putRecord");
    EXPECT_NE(p.http.pending.back().request.body.find(tid), std::string::npos);
    // Quillet ends while the repeat is under way.
  }
  BlueskyProgram again(&files);
  again.Start();
  again.Seconds(1);
  again.http.Answer(200, BlueskyProgram::SessionBody("two"));  // this registry keeps no session
  ASSERT_EQ(again.LastPath(), "/xrpc/com.atproto.repo.putRecord") << "repeated blind, not read back";
  EXPECT_NE(again.http.pending.back().request.body.find("\"rkey\":\"" + tid + "\""), std::string::npos);
  again.http.Answer(200, "{}");
  EXPECT_TRUE(again.program.outbox().Records().empty());
  EXPECT_EQ(again.shell.balloons.size(), 0u);
}

TEST(BlueskyExchange, ReadBackByRecordKey) {
  BlueskyProgram p;
  p.Store("Server", "https://pds.example/base/");
  p.Start();
  struct Case {
    HttpReply reply;
    ReadBackAnswer::Finding finding;
  } cases[] = {{Replied(200, R"({"uri":"at://x","value":{}})"), ReadBackAnswer::kFound},
               {Replied(400, R"({"error":"RecordNotFound"})"), ReadBackAnswer::kNotFound},
               {Replied(400, R"({"error":"InvalidRequest"})"), ReadBackAnswer::kFailed},
               {Replied(502), ReadBackAnswer::kFailed}};
  for (const Case& c : cases) {
    std::optional<ReadBackAnswer> answer;
    p.program.senders().For("1").ReadBack({.line = u"line", .key = "3n466dczphs27"},
                                          [&](const ReadBackAnswer& a) { answer = a; });
    ASSERT_EQ(p.LastPath(), "/base/xrpc/com.atproto.repo.getRecord?repo=alice&collection=app.bsky.feed.post&rkey=3n466dczphs27");
    p.http.Answer(c.reply);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->finding, c.finding) << c.reply.status << c.reply.body;
  }
}

// A Bluesky account added second through Options: Add..., the kind, server, handle and app
// password, then Test before OK (signs in with what is typed, keeps nothing) and Cancel, or OK, OK.
TEST(BlueskyExchange, ASecondAccountIsTestedBeforeOkAndPostsWithItsOwnAppPassword) {
  FakeProgram p({.connectHost = "status.example.net", .hostHeader = "example.net", .port = 8080});
  p.Store("PostHere", "0");  // the built-in service gets nothing, so that the line goes at once
  p.Start();
  const std::string signIn = R"({"identifier":"bob.test","password":"bob-app-pass"})";
  const std::string second = kAppKey + "\\Accounts\\2";
  auto add = [&](bool test) {
    p.whileAccount = [&, test](FakeAccountView& view) {
      view.api.SetListIndex(3);
      view.otherServer.SetValue(1);  // another server than bsky.social
      view.server.SetText(u"https://pds.example/");
      view.userName.SetText(u"bob.test");
      view.password.SetText(u"bob-app-pass");
      if (!test) return view.ok.Click();
      view.test.Click();
      ASSERT_EQ(p.http.pending.size(), 1u) << Narrow8(view.message.Caption());
      EXPECT_EQ(p.http.pending[0].request.body, signIn);
      p.http.Answer(200, BlueskyProgram::SessionBody("tested"));
      p.http.Answer(200, R"({"handle":"bob.test"})");
      EXPECT_EQ(view.message.Caption(), u"Signed in as @bob.test. Lines may be up to 300 characters long.");
      view.cancel.Click();
    };
    p.whileOptions = [](FakeOptionsView& view) {
      view.add.Click();
      view.ok.Click();
    };
    p.menu->Choose(u"&Options...");
  };
  add(true);
  EXPECT_FALSE(p.registry.KeyExists(second) || p.registry.Find(kAppKey, "Session")) << "nothing kept";
  add(false);
  p.Confirm(u"to bob");
  ASSERT_EQ(p.http.pending.size(), 1u);
  EXPECT_EQ(p.http.pending[0].request.body, signIn);
  p.http.Answer(200, BlueskyProgram::SessionBody("bob"));
  p.http.Answer(200, "{}");
  EXPECT_TRUE(p.program.outbox().Records().empty());
  EXPECT_TRUE(p.registry.Find(second, "Session"));
}

TEST(BlueskyLimit, GraphemesShownAndHoldingTheLineBack) {
  BlueskyProgram p;
  p.Start();
  p.program.updateWindow().PopUp();
  EXPECT_EQ(p.statusBox.MaxLength(), 3000);
  std::u16string flags;
  for (int i = 0; i < 150; ++i) flags += u"\U0001F1E9\U0001F1EA";  // 150 graphemes, 600 units, 1200 bytes
  p.statusBox.Type(flags);
  EXPECT_EQ(p.charsLeft.Caption(), u"150");
  p.statusBox.Type(flags + u"\U0001F1E9\U0001F1EA");  // 301
  EXPECT_EQ(p.charsLeft.Caption(), u"-1");
  p.clock.nowMs += 5000;
  p.statusBox.TypeChar(u'\r');
  EXPECT_TRUE(p.program.outbox().Records().empty()) << "too long: not sent";
  EXPECT_TRUE(p.window.Visible());
}

}  // namespace
}  // namespace quillet::testing
