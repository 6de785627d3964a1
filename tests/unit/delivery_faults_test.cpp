// Delivery's regressions, one row each: ways a confirmed line was once lost, sent twice or left
// out of the person's reach, each played on the fake platform as a person would meet it. (Reply
// parsing, Retry-After dates, journal cells and credentials have their tables beside their code.)
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "delivery/outbox_file.h"
#include "delivery/read_back.h"
#include "common/utf8.h"
#include "tests/unit/fake_program.h"

namespace quillet::testing {
namespace {

using platform::HttpOutcome;
using platform::SocketEnd;
using platform::fake::FakeSocket;

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

  UpdateWindow& updateWindow = program.updateWindow();
};

struct Fault {
  const char* name;
  std::function<void(Scenario&)> play;
};

const Fault kFaults[] = {
    {"1 a request under way at a crash is not sent again blind",
     [](Scenario& s) {
       // Every record has a key, but the built-in service honours none: the key is no licence.
       s.Leave({{.id = 4, .confirmedMs = s.clock.nowMs, .attempts = 1, .state = OutboxState::kLeaving,
                 .key = "k", .firstSentMs = s.clock.nowMs, .line = u"builtin"}});
       s.Start();
       s.Seconds(2);
       EXPECT_EQ(s.socket.state, FakeSocket::State::Closed);
       EXPECT_EQ(s.Only().state, OutboxState::kUncertain);
       EXPECT_EQ(s.shell.balloons.size(), 1u);
       // A Twitter-compatible server is asked instead: there the line is found, and not posted again.
       Scenario t;
       t.Store("Server", "http://social.example/api/");
       t.Leave({{.id = 4, .confirmedMs = t.clock.nowMs, .attempts = 1, .state = OutboxState::kLeaving,
                 .key = "k", .firstSentMs = t.clock.nowMs, .line = u"a & b"}});
       t.Start();
       t.socket.RaiseConnect();
       EXPECT_NE(t.socket.sent.back().find("GET /api/statuses/user_timeline.xml?count=40"), std::string::npos);
       t.socket.RaiseData("HTTP/1.0 200 OK\r\n\r\n<statuses><status><text>a &amp; b</text></status></statuses>");
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
       EXPECT_EQ(s.Only().state, OutboxState::kWaiting) << "repeated with its key later";
       EXPECT_TRUE(s.Only().mayHaveArrived);
     }},
    {"13 a journal cell that a spreadsheet would run is kept as text",
     [](Scenario& s) {
       s.Store("Api", "journal");
       s.Start();
       s.Confirm(u"=HYPERLINK(\"x\")");
       EXPECT_NE(s.files.files["journal.csv"].find("\"'=HYPERLINK(\"\"x\"\")\""), std::string::npos);
     }},
    {"15 once a key may be forgotten, the line is read back before it goes again",
     [](Scenario& s) {
       s.Store("Api", "mastodon");
       s.Store("Server", "https://m.example/");
       s.Start();
       s.Confirm(u"toot");
       s.http.Answer({.outcome = HttpOutcome::kTimedOut, .requestSent = true});
       s.http.Answer(404);  // the server's limit, asked at the run's first line
       for (int second = 0; second < 90 * 60 && (s.http.pending.empty() || s.http.pending.back().request.method == "POST");
            ++second) {
         if (!s.http.pending.empty()) s.http.Answer(503);
         s.Seconds(1);
       }
       EXPECT_GT(s.http.requests.size(), 5u) << "repeated with its key meanwhile";
       ASSERT_FALSE(s.http.pending.empty());
       EXPECT_EQ(s.http.pending.back().request.path, "/api/v1/accounts/verify_credentials");
       s.http.Answer(200, "{\"id\":\"7\"}");
       ASSERT_EQ(s.http.pending.size(), 1u);
       EXPECT_EQ(s.http.pending.back().request.path, "/api/v1/accounts/7/statuses?limit=40");
       s.http.Answer(200, "[{\"content\":\"\\u003cp\\u003etoot\\u003c/p\\u003e\"}]");
       EXPECT_TRUE(s.program.outbox().Records().empty()) << "it had arrived";
     }},
};

TEST(DeliveryFaults, EachOnceBrokenPromiseHolds) {
  for (const Fault& fault : kFaults) {
    SCOPED_TRACE(fault.name);
    Scenario scenario;
    fault.play(scenario);
  }
}

TEST(ReadBack, PostsAreComparedAsThePersonWroteThem) {
  using read_back::PlainTextOfHtml;
  using read_back::SameText;
  EXPECT_EQ(PlainTextOfHtml("<p>a &amp; b &lt;3 &#x1F600;</p><p>two<br />lines</p>"),
            u"a & b <3 \U0001F600\n\ntwo\nlines\n\n");
  struct Case {
    std::u16string posted, line;
    bool same;
  };
  const Case cases[] = {
      {u"hello  world\n", u"hello world", true},
      {u"hi @bob and (@carol)", u"hi @bob@other.example and (@carol@x.org)", true},
      {u"mail bob@example.com", u"mail bob@other.com", false},
      {u"line 1", u"line 10", false},
      {u"", u"", true},
  };
  for (const Case& c : cases) EXPECT_EQ(SameText(c.posted, c.line), c.same) << utf8::FromUtf16(c.line);
  EXPECT_FALSE(read_back::PostedTexts(ServiceApi::kMastodon, "{\"error\":\"x\"}"));
  EXPECT_FALSE(read_back::PostedTexts(ServiceApi::kTwitter, "<html>login</html>"));
  EXPECT_EQ(read_back::PostedTexts(ServiceApi::kMastodon, "[{\"content\":\"<p>x</p>\"},{\"id\":\"2\"}]")->size(), 1u);
}

}  // namespace
}  // namespace quillet::testing
