// Delivery's regressions, one row each: ways a confirmed line was once lost, sent twice or left
// out of the person's reach, each played on the fake platform as a person would meet it. (Reply
// parsing, Retry-After dates, journal cells and credentials have their tables beside their code.)
#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "common/callback.h"
#include "delivery/outbox_file.h"
#include "networks/read_back.h"
#include "common/utf8.h"
#include "tests/unit/fake_program.h"

namespace quillet::testing {
namespace {

using platform::HttpOutcome;
using platform::SocketEnd;
using platform::fake::FakeSocket;

std::string TimeText(std::int64_t ms, const char* format) {
  std::time_t seconds = static_cast<std::time_t>(ms / 1000);
  char text[64];
  std::strftime(text, sizeof text, format, std::gmtime(&seconds));
  return text;
}
// A moment as servers write it: in a Mastodon-compatible post, a Twitter-compatible one, a Date.
std::string IsoTime(std::int64_t ms) { return TimeText(ms, "%Y-%m-%dT%H:%M:%S.000Z"); }
std::string XmlTime(std::int64_t ms) { return TimeText(ms, "%a %b %d %H:%M:%S +0000 %Y"); }
std::string HttpTime(std::int64_t ms) { return TimeText(ms, "%a, %d %b %Y %H:%M:%S GMT"); }

// The program on the fake platform, with what the rows do as a person would.
struct Scenario : FakeProgram {
  Scenario() : FakeProgram({.connectHost = "status.example.net", .hostHeader = "example.net", .port = 8080}) {}

  void Answer(std::string reply) {
    socket.RaiseConnect();
    socket.RaiseData(reply);
  }
  const OutboxRecord& Only() {
    EXPECT_EQ(program.outbox().Records().size(), 1u);
    return program.outbox().Records().front();
  }
  int Posts(std::string_view status) {
    int posts = 0;
    for (const std::string& request : socket.sent) posts += request.find(status) != std::string::npos;
    for (const auto& request : http.requests) posts += request.body.find(status) != std::string::npos;
    return posts;
  }
  void Leave(std::vector<OutboxRecord> records) { files.files["outbox.txt"] = FormatOutbox(records); }
  std::vector<WaitingLineRow> Listed() {
    std::vector<WaitingLineRow> rows;
    whileLinesWaiting = [&](FakeLinesWaitingView& view) { rows = view.rows; };
    menu->Choose(u"Lines &waiting...");
    return rows;
  }

  // A Mastodon-compatible server over HTTPS.
  void StartMastodon() {
    Store("Api", "mastodon");
    Store("Server", "https://m.example/");
    Start();
  }
  // A line confirmed; the server's limit, asked at the run's first line, is left unanswered.
  void Say(std::u16string_view line) {
    Confirm(line);
    std::erase_if(http.pending, [](const auto& p) { return p.request.path == "/api/v1/instance"; });
  }
  // Answers the read-back under way: who is signed in, then the account's posts (text, made at,
  // and whether it is a repost), the reply dated by the fake clock.
  void AnswerPosts(const std::vector<std::pair<std::string, std::int64_t>>& posts) {
    ASSERT_EQ(http.pending.back().request.path, "/api/v1/accounts/verify_credentials");
    http.Answer(200, "{\"id\":\"7\"}");
    std::string body = "[";
    for (const auto& [text, at] : posts) {
      bool repost = text.starts_with("RT ");
      body += std::string(body.size() > 1 ? "," : "") + "{\"content\":\"<p>" + text + "</p>\",\"created_at\":\"" +
              IsoTime(at) + "\"" + (repost ? ",\"reblog\":{\"id\":\"3\"}" : "") + "}";
    }
    http.Answer({.outcome = HttpOutcome::kReplied, .status = 200, .body = body + "]", .requestSent = true,
                 .date = HttpTime(clock.nowMs)});
  }

  UpdateWindow& updateWindow = program.updateWindow();
};

struct Fault {
  const char* name;
  Callback<void(Scenario&)> play;
};

const Fault kFaults[] = {
    {"1 a request under way at a crash is not sent again blind",
     [](Scenario& s) {
       // Every record has a key, but the built-in service honours none: the key is no licence.
       s.Leave({{.id = 4, .confirmedMs = s.clock.nowMs, .attempts = 1, .state = OutboxState::kLeaving,
                 .keys = {.idempotency = "k"}, .firstSentMs = s.clock.nowMs, .line = u"builtin"}});
       s.Start();
       s.Seconds(2);
       EXPECT_EQ(s.socket.state, FakeSocket::State::Closed);
       EXPECT_EQ(s.Only().state, OutboxState::kUncertain);
       EXPECT_EQ(s.shell.balloons.size(), 1u);
       // A Twitter-compatible server is asked instead: there the line is found, and not posted again.
       Scenario t;
       t.Store("Server", "http://social.example/api/");
       t.Leave({{.id = 4, .confirmedMs = t.clock.nowMs, .attempts = 1, .state = OutboxState::kLeaving,
                 .keys = {.idempotency = "k"}, .firstSentMs = t.clock.nowMs, .line = u"a & b"}});
       t.Start();
       t.socket.RaiseConnect();
       EXPECT_NE(t.socket.sent.back().find("GET /api/statuses/user_timeline.xml?count=40"), std::string::npos);
       t.socket.RaiseData("HTTP/1.0 200 OK\r\n\r\n<statuses><status><text>a &amp; b</text><created_at>" +
                          XmlTime(t.clock.nowMs) + "</created_at></status></statuses>");
       t.socket.PeerCloses();
       EXPECT_TRUE(t.program.outbox().Records().empty());
       EXPECT_EQ(t.Posts("status="), 0);
     }},
    {"2 a journal-only line leaves only once its row is written",
     [](Scenario& s) {
       s.Store("Api", "journal");
       s.Start();
       s.files.locked.insert("journal.csv");
       s.Confirm(u"kept");
       EXPECT_EQ(s.Only().state, OutboxState::kWaiting);
       EXPECT_EQ(s.program.outbox().StateInWords(s.Only()), u"Waiting: the journal cannot be written");
       s.Confirm(u"kept too");
       EXPECT_EQ(s.shell.balloons.size(), 1u) << "told once";
       s.files.locked.clear();
       s.Seconds(40);
       EXPECT_TRUE(s.program.outbox().Records().empty());
       EXPECT_NE(s.files.files["journal.csv"].find("kept too"), std::string::npos);
     }},
    {"3 the line in the box is the one settled",
     [](Scenario& s) {
       s.Start();
       s.Confirm(u"A");
       s.Answer("HTTP/1.0 401 No\r\n\r\n");
       s.trayForm->IconMessage(platform::kNinBalloonUserClick);
       EXPECT_EQ(s.statusBox.Text(), u"A");
       s.Seconds(61);
       s.program.outbox().Add(u"B");  // confirmed elsewhere meanwhile, and refused too
       s.Answer("HTTP/1.0 401 No\r\n\r\n");
       s.clock.nowMs += 1000;
       s.statusBox.TypeChar(u'\r');
       s.Answer("HTTP/1.0 200 OK\r\n\r\n");
       ASSERT_EQ(s.program.outbox().Records().size(), 1u);
       EXPECT_EQ(s.Only().line, u"B");
       EXPECT_EQ(s.Only().state, OutboxState::kRefused);
     }},
    {"4 a recalled line that a retry delivers is not posted again",
     [](Scenario& s) {
       s.Start();
       s.Confirm(u"patient");
       s.socket.RaiseClose(SocketEnd::kNotConnected);
       s.clock.nowMs += 25 * 3600'000LL;  // unsent for a day: the balloon comes with the next failure
       s.Seconds(40);
       s.socket.RaiseClose(SocketEnd::kNotConnected);
       s.Seconds(70);  // the next retry is under way when the person clicks
       ASSERT_EQ(s.socket.state, FakeSocket::State::Connecting);
       s.trayForm->IconMessage(platform::kNinBalloonUserClick);
       EXPECT_EQ(s.statusBox.Text(), u"patient");
       s.Answer("HTTP/1.0 200 OK\r\n\r\n");
       s.clock.nowMs += 1000;
       s.statusBox.TypeChar(u'\r');
       s.Seconds(5);
       EXPECT_EQ(s.Posts("status=patient"), 1);
       EXPECT_TRUE(s.program.outbox().Records().empty());
     }},
    {"5 a scheduled pop-up does not wipe a recalled line",
     [](Scenario& s) {
       s.Store("Interval", "1");
       s.Start();
       s.Confirm(u"refused");
       s.Answer("HTTP/1.0 403 No\r\n\r\n");
       s.trayForm->IconMessage(platform::kNinBalloonUserClick);
       int pops = s.Pops();
       s.TickMinutes(3);
       EXPECT_EQ(s.Pops(), pops);
       EXPECT_EQ(s.statusBox.Text(), u"refused");
       s.updateWindow.PopUp();  // Post Now: the line is left, still listed
       EXPECT_EQ(s.statusBox.Text(), u"");
       EXPECT_EQ(s.Listed().size(), 1u);
     }},
    {"6 lines that may have arrived are listed and can be removed",
     [](Scenario& s) {
       s.Leave({{.id = 1, .confirmedMs = s.clock.nowMs, .state = OutboxState::kUncertain, .reported = true,
                 .reason = u"no answer", .line = u"maybe"},
                {.id = 2, .confirmedMs = s.clock.nowMs, .attempts = 1, .state = OutboxState::kLeaving,
                 .line = u"cut off"}});
       s.Start();
       EXPECT_TRUE(s.menu->Find(u"Lines &waiting...")->visible);
       auto rows = s.Listed();
       ASSERT_EQ(rows.size(), 2u);
       EXPECT_EQ(rows[0].state, u"May have arrived, not sent again: no answer");
       EXPECT_EQ(rows[0].confirmed, u"2026-11-30 01:53");
       s.whileLinesWaiting = [](FakeLinesWaitingView& view) {
         view.SelectRow(1);
         view.copy.Click();
         EXPECT_EQ(view.clipboard, u"cut off");
         view.answerYes = false;
         view.remove.Click();
         EXPECT_EQ(view.rows.size(), 2u) << "No keeps it";
         view.answerYes = true;
         view.remove.Click();
         view.SelectRow(0);
         view.remove.Click();
         EXPECT_TRUE(view.rows.empty());
         EXPECT_FALSE(view.actionsEnabled);
       };
       s.menu->Choose(u"Lines &waiting...");
       EXPECT_TRUE(ParseOutbox(s.files.files["outbox.txt"]).records.empty());
       EXPECT_EQ(s.shell.notifyCalls.back().data.tip, std::string("Quillet"));
       EXPECT_FALSE(s.menu->Find(u"Lines &waiting...")->visible);
       EXPECT_FALSE(s.deliveryTimer.Enabled()) << "with nothing to deliver, nothing wakes the program";
     }},
    {"7 setting the wall clock neither stalls retries nor cuts an attempt short",
     [](Scenario& s) {
       s.Start();
       s.Confirm(u"steady");
       s.socket.RaiseClose(SocketEnd::kNotConnected);
       s.clock.JumpWall(-3600'000);
       s.Seconds(35);
       ASSERT_EQ(s.socket.state, FakeSocket::State::Connecting);
       s.socket.RaiseConnect();
       s.clock.JumpWall(3600'000);
       s.Seconds(5);
       EXPECT_EQ(s.socket.state, FakeSocket::State::Connected) << "still waiting for the answer";
       s.socket.RaiseData("HTTP/1.0 200 OK\r\n\r\n");
       EXPECT_TRUE(s.program.outbox().Records().empty());
     }},
    {"8 Retry-After as a date over HTTPS",
     [](Scenario& s) {
       s.Store("Api", "mastodon");
       s.Store("Server", "https://m.example/");
       s.Start();
       s.Confirm(u"later");
       s.http.Answer(503, "", "Mon, 30 Nov 2026 01:00:00 GMT");  // 400 s after the fake clock's start

       s.http.Answer(404);  // the server's limit, asked at the run's first line
       s.Seconds(300);
       EXPECT_TRUE(s.http.pending.empty());
       s.Seconds(120);
       ASSERT_EQ(s.http.pending.size(), 1u);
     }},
    {"9 an outbox that cannot be read is told once, kept, and new lines still go",
     [](Scenario& s) {
       s.Leave({{.id = 1, .confirmedMs = s.clock.nowMs, .line = u"old"}});
       std::string before = s.files.files["outbox.txt"];
       s.files.locked.insert("outbox.txt");
       s.Start();
       s.Confirm(u"new");
       s.Answer("HTTP/1.0 200 OK\r\n\r\n");
       s.Seconds(5);
       EXPECT_EQ(s.shell.balloons.size(), 1u);
       EXPECT_EQ(s.files.files["outbox.txt"], before) << "never overwritten";
       s.files.locked.clear();
       s.Seconds(1);
       s.Answer("HTTP/1.0 200 OK\r\n\r\n");
       EXPECT_EQ(s.Posts("status=old"), 1);
       EXPECT_TRUE(ParseOutbox(s.files.files["outbox.txt"]).records.empty());
     }},
    {"10 an interim reply is not the answer",
     [](Scenario& s) {
       s.Start();
       s.Confirm(u"continued");
       s.Answer("HTTP/1.1 100 Continue\r\n\r\n");
       EXPECT_EQ(s.Only().state, OutboxState::kLeaving);
       s.socket.RaiseData("HTTP/1.1 200 OK\r\n\r\n");
       EXPECT_TRUE(s.program.outbox().Records().empty());
     }},
    {"11 a balloon shows any text as typed",
     [](Scenario& s) {
       s.Start();
       s.updateWindow.PopUp();
       s.statusBox.SetText(u"Gr\u00FC\u00DFe \u2615 \U0001F642");
       s.clock.nowMs += 1000;
       s.statusBox.TypeChar(u'\r');
       s.Answer("HTTP/1.0 401 No\r\n\r\n");
       EXPECT_NE(s.shell.balloons.back().second.wideText.find(u"Gr\u00FC\u00DFe \u2615 \U0001F642"),
                 std::u16string::npos)
           << utf8::FromUtf16(s.shell.balloons.back().second.wideText);
     }},
    {"12 a dripping HTTPS server holds an attempt no longer than its deadline",
     [](Scenario& s) {
       s.Store("Api", "mastodon");
       s.Store("Server", "https://m.example/");
       s.Start();
       s.http.pending.clear();
       s.Confirm(u"dripped");
       s.Seconds(36);  // no answer at all: the sender gives up on its own
       EXPECT_EQ(s.Only().state, OutboxState::kChecking) << "looked for later";
       EXPECT_TRUE(s.Only().mayHaveArrived);
     }},
    {"13 a journal cell that a spreadsheet would run is kept as text",
     [](Scenario& s) {
       s.Store("Api", "journal");
       s.Start();
       s.Confirm(u"=HYPERLINK(\"x\")");
       EXPECT_NE(s.files.files["journal.csv"].find("\"'=HYPERLINK(\"\"x\"\")\""), std::string::npos);
     }},
    {"15 a server that takes a line late gets it once",
     [](Scenario& s) {
       s.StartMastodon();
       s.Say(u"lunch");
       std::int64_t sent = s.clock.nowMs;
       s.http.Answer({.outcome = HttpOutcome::kTimedOut, .requestSent = true});
       s.Seconds(40);
       EXPECT_TRUE(s.http.pending.empty()) << "not sent again at once";
       s.Seconds(25);
       s.AnswerPosts({{"lunch", sent + 40'000}, {"lunch", sent - 86'400'000}});
       EXPECT_TRUE(s.program.outbox().Records().empty()) << "found: it had arrived";
       EXPECT_EQ(s.Posts("status=lunch"), 1);
     }},
    {"16 yesterday's post with the same words is not this line",
     [](Scenario& s) {
       s.StartMastodon();
       s.Say(u"lunch");
       std::int64_t sent = s.clock.nowMs;
       s.http.Answer({.outcome = HttpOutcome::kUnreachable, .requestSent = true});  // reset: never stored
       for (int look = 0; look < 3; ++look) {
         while (s.http.pending.empty()) s.Seconds(1);
         s.AnswerPosts({{"lunch", sent - 86'400'000}, {"RT lunch", sent + 1'000}});
       }
       for (int second = 0; second < 40 && s.http.pending.empty(); ++second) s.Seconds(1);  // after a pause
       ASSERT_EQ(s.http.pending.size(), 1u);
       EXPECT_EQ(s.http.pending.back().request.method, "POST") << "sent again, never dropped as delivered";
     }},
    {"17 a post the server shows otherwise, or two alike, leave the line to the person",
     [](Scenario&) {
       const std::pair<std::string, std::vector<std::pair<std::string, std::int64_t>>> cases[] = {
           {"done :-)", {{"done \xF0\x9F\x99\x82", 5'000}}},
           {".@bob@other.example thanks", {{".@bob thanks", 5'000}}},
           {"coding", {{"coding", 5'000}, {"coding", 9'000}}},
       };
       for (const auto& [line, posts] : cases) {
         Scenario t;
         t.StartMastodon();
         t.Say(utf8::ToUtf16(line));
         std::int64_t sent = t.clock.nowMs;
         t.http.Answer({.outcome = HttpOutcome::kTimedOut, .requestSent = true});
         while (t.http.pending.empty()) t.Seconds(1);
         std::vector<std::pair<std::string, std::int64_t>> shown;
         for (const auto& [text, after] : posts) shown.emplace_back(text, sent + after);
         t.AnswerPosts(shown);
         EXPECT_EQ(t.Only().state, OutboxState::kUncertain) << line;
         EXPECT_EQ(t.Posts("status="), 1) << line << " is not sent again";
         EXPECT_EQ(t.shell.balloons.size(), 1u) << line;
       }
     }},
    {"18 a 502 after the server stored the line is read back, not sent blind",
     [](Scenario& s) {
       s.StartMastodon();
       s.Say(u"proxied");
       std::int64_t sent = s.clock.nowMs;
       s.http.Answer(502);
       while (s.http.pending.empty()) s.Seconds(1);
       s.AnswerPosts({{"proxied", sent + 1'000}});
       EXPECT_TRUE(s.program.outbox().Records().empty());
       EXPECT_EQ(s.Posts("status=proxied"), 1);
     }},
    {"19 a silent account holds up no other",
     [](Scenario& s) {
       s.Store("Api", "mastodon");
       s.Store("Server", "https://silent.example/");
       s.registry.Put(kAppKey + "\\Accounts\\2", "Server", platform::kRegSz, "http://two.example/api/");
       s.Start();
       s.Say(u"both");
       s.Seconds(1);
       EXPECT_EQ(s.http.pending.front().request.method, "POST") << "the silent server's request waits";
       EXPECT_EQ(s.socket.state, FakeSocket::State::Connecting) << "while the second account's goes at once";
       s.Answer("HTTP/1.0 200 OK\r\n\r\n");
       ASSERT_EQ(s.program.outbox().Records().size(), 1u);
       EXPECT_EQ(s.Only().destination, "1");
     }},
};

TEST(DeliveryFaults, EachOnceBrokenPromiseHolds) {
  for (const Fault& fault : kFaults) {
    SCOPED_TRACE(fault.name);
    Scenario scenario;
    fault.play(scenario);
  }
}

// A post counts as the line only when it is the account's own, made since the line's first
// request could have left, and reads the same as the server shows it; one that differs only in
// how the server shows it, or two, leave it to the person.
TEST(ReadBack, APostIsTheLineOnlyWhenItIsTheAccountsOwnSinceItWasSentAndReadsTheSame) {
  using read_back::Finding;
  using read_back::Likeness;
  EXPECT_EQ(read_back::PlainTextOfHtml("<p>a &amp; b &lt;3 &#x1F600;</p><p>two<br />lines</p>"),
            u"a & b <3 \U0001F600\n\ntwo\nlines\n\n");
  EXPECT_EQ(read_back::PlainTextOfHtml(
                R"(<p>.<span class="h-card"><a href="https://other.example/@bob" class="u-url mention">@<span>bob</span></a></span> thanks <a href="https://s.example/tags/x" class="mention hashtag">#<span>x</span></a></p>)"),
            u".@bob@other.example thanks #x\n\n");
  struct Compared {
    std::u16string posted, line;
    Likeness likeness;
  };
  const Compared compared[] = {
      {u"hello  world\n", u"hello world", Likeness::kSame},
      {u"hi @bob@own.example and (@carol@x.org)", u"hi @bob and (@carol@x.org)", Likeness::kSame},
      {u".@bob@other.example thanks", u".@bob@other.example thanks", Likeness::kSame},
      {u".@bob thanks", u".@bob@other.example thanks", Likeness::kRendered},
      {u"@bob@one.example hi", u"@bob@two.example hi", Likeness::kRendered},
      {u"done \U0001F642", u"done :-)", Likeness::kRendered},
      {u"really done", u"*really* done", Likeness::kRendered},
      {u"mail bob@example.com", u"mail bob@other.com", Likeness::kDifferent},
      {u"line 1", u"line 10", Likeness::kDifferent},
  };
  for (const Compared& c : compared)
    EXPECT_EQ(read_back::Compare(c.posted, c.line, "own.example"), c.likeness) << utf8::FromUtf16(c.line);

  const std::int64_t sent = 1'796'000'000'000;
  auto post = [](std::u16string text, std::optional<std::int64_t> at, bool own = true) {
    return read_back::Post{.text = std::move(text), .createdMs = at, .own = own};
  };
  struct Found {
    const char* what;
    std::vector<read_back::Post> posts;
    Finding::Kind kind;
  };
  const Found found[] = {
      {"yesterday's lunch is not today's", {post(u"lunch", sent - 86'400'000)}, Finding::kNotFound},
      {"today's, made after the request", {post(u"lunch", sent + 40'000), post(u"lunch", sent - 86'400'000)}, Finding::kFound},
      {"cut to the second, within it", {post(u"lunch", sent - 999)}, Finding::kFound},
      {"someone else's, repeated", {post(u"lunch", sent + 5'000, false)}, Finding::kNotFound},
      {"two since the request", {post(u"lunch", sent + 5'000), post(u"lunch", sent + 9'000)}, Finding::kUnsure},
      {"shown otherwise", {post(u"Lunch!", sent + 5'000)}, Finding::kUnsure},
      {"no time said", {post(u"lunch", std::nullopt)}, Finding::kUnsure},
  };
  for (const Found& f : found) EXPECT_EQ(read_back::FindLine(f.posts, u"lunch", sent, "own.example").kind, f.kind) << f.what;

  EXPECT_EQ(read_back::PostTimeMs("2026-12-08T14:30:05.123Z"), read_back::PostTimeMs("Tue Dec 08 14:30:05 +0000 2026").value() + 123);
  EXPECT_EQ(read_back::PostTimeMs("2026-12-08T15:30:05+01:00"), read_back::PostTimeMs("2026-12-08T14:30:05Z"));
  EXPECT_FALSE(read_back::PostTimeMs("yesterday"));
  auto xml = read_back::Posts(ServiceApi::kTwitter,
                              "<statuses><status><text>RT @x: lunch</text><retweeted_status><text>lunch</text>"
                              "</retweeted_status><created_at>Tue Dec 08 14:30:05 +0000 2026</created_at></status></statuses>");
  ASSERT_TRUE(xml);
  ASSERT_EQ(xml->size(), 1u) << "someone else's post inside a repeat is not read as one of the account's";
  EXPECT_FALSE((*xml)[0].own);
  auto json = read_back::Posts(ServiceApi::kMastodon, R"([{"content":"<p>x</p>","created_at":"2026-12-08T14:30:05Z","reblog":null},{"content":"","reblog":{"id":"2","content":"<p>y</p>"}}])");
  ASSERT_TRUE(json);
  ASSERT_EQ(json->size(), 2u);
  EXPECT_TRUE((*json)[0].own && (*json)[0].createdMs);
  EXPECT_FALSE((*json)[1].own);
  EXPECT_FALSE(read_back::Posts(ServiceApi::kMastodon, "{\"error\":\"x\"}"));
  EXPECT_FALSE(read_back::Posts(ServiceApi::kTwitter, "<html>login</html>"));
}

}  // namespace
}  // namespace quillet::testing
