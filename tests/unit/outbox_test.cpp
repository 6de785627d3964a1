// The outbox on the fake platform: what each way of failing does to a line, the retry schedule,
// order, a restart with the file as the last run left it, and the person being told.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "delivery/outcome.h"
#include "journal/journal.h"
#include "networks/nostr/nostr_event.h"
#include "delivery/outbox_file.h"
#include "common/crc32.h"
#include "tests/unit/mo_of.h"
#include "tests/unit/update_window_fixture.h"

namespace quillet::testing {
namespace {

using platform::SocketEnd;
using platform::fake::FakePopupMenu;
using platform::fake::FakeSocket;

class OutboxTest : public UpdateWindowTest {
 protected:
  Outbox& outbox() { return program.outbox(); }
  std::string Tip() const { return shell.notifyCalls.back().data.tip; }
  std::string BalloonText() const { return shell.balloons.back().second.text; }
};

TEST(Delivery, RepliesAndEndsBecomeOutcomes) {
  struct Case {
    std::string reply;
    Delivery kind;
    int retryAfter;
  };
  const std::int64_t kNowMs = 1792567620000;  // 2026-10-21 07:27:00 GMT
  const Case cases[] = {
      {"HTTP/1.0 200 OK\r\n\r\n", Delivery::kDelivered, 0},
      {"HTTP/1.1 201 Created\r\nX: y\r\n\r\n{}", Delivery::kDelivered, 0},
      {"HTTP/1.0 503 Busy\r\nretry-after:  120 \r\n\r\n", Delivery::kTemporary, 120},
      {"HTTP/1.0 429 Slow\r\nRetry-After: Wed, 21 Oct 2026 07:28:00 GMT\r\n\r\n", Delivery::kTemporary, 60},
      {"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\n\r\n", Delivery::kDelivered, 0},
      {"HTTP/1.1 102 Processing\r\n\r\nHTTP/1.1 103 Early Hints\r\nLink: </a>\r\n\r\n"
       "HTTP/1.1 503 Busy\r\nRetry-After: 7\r\n\r\n",
       Delivery::kTemporary, 7},
      {"HTTP/1.1 101 Switching Protocols\r\nUpgrade: x\r\n\r\n", Delivery::kPermanent, 0},
      {"HTTP/1.0 500 Oops\r\n\r\n", Delivery::kAmbiguous, 0},
      {"HTTP/1.0 502 Bad Gateway\r\n\r\n", Delivery::kAmbiguous, 0},
      {"HTTP/1.0 504 Gateway Timeout\r\n\r\n", Delivery::kAmbiguous, 0},
      {"HTTP/1.0 401 Unauthorized\r\n\r\n", Delivery::kPermanent, 0},
      {"HTTP/1.0 403 Forbidden\r\n\r\n", Delivery::kPermanent, 0},
      {"HTTP/1.0 422 Unprocessable\r\n\r\n", Delivery::kPermanent, 0},
      {"HTTP/1.0 301 Moved\r\nLocation: x\r\n\r\n", Delivery::kPermanent, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.reply);
    auto head = ReadReplyHead(c.reply, false);
    ASSERT_TRUE(head);
    DeliveryOutcome outcome = FromStatus(head->status, "h.example", RetryAfterSeconds(head->retryAfter, kNowMs));
    EXPECT_EQ(outcome.kind, c.kind);
    EXPECT_EQ(outcome.retryAfterSeconds, c.retryAfter);
  }
  EXPECT_FALSE(ReadReplyHead("HTTP/1.0 200 OK\r\nX: y", false));  // the head goes on
  EXPECT_TRUE(ReadReplyHead("HTTP/1.0 200 OK\r\nX: y", true));    // ... unless the peer closed
  EXPECT_FALSE(ReadReplyHead("SSH-2.0-OpenSSH\r\n\r\n", true));
  EXPECT_EQ(FromStatus(401, "h", 0).reason, u"the server refused the password (401)");
  EXPECT_EQ(FromSocketEnd(SocketEnd::kNotConnected, false, "h").kind, Delivery::kTemporary);
  EXPECT_EQ(FromSocketEnd(SocketEnd::kReset, false, "h").kind, Delivery::kTemporary);
  EXPECT_EQ(FromSocketEnd(SocketEnd::kClosed, true, "h").kind, Delivery::kAmbiguous);
  EXPECT_EQ(FromTimeout(false, "h").kind, Delivery::kTemporary);
  EXPECT_EQ(FromTimeout(true, "h").kind, Delivery::kAmbiguous);
}

// What the service does with one line, and what becomes of it.
TEST_F(OutboxTest, EachOutcomeLeavesTheLineWhereItBelongs) {
  struct Case {
    const char* name;
    Callback<void(FakeSocket&)> service;
    int waiting;        // lines in the outbox afterwards
    OutboxState state;  // the line's state, when it is still there
    bool balloon;       // the person is told
    std::string tip;
  };
  const Case cases[] = {
      {"200", [](FakeSocket& s) { s.RaiseData("HTTP/1.0 200 OK\r\n\r\n"); }, 0, {}, false, "Quillet"},
      {"refused", [](FakeSocket& s) { s.RaiseClose(SocketEnd::kNotConnected); }, 1, OutboxState::kWaiting, false,
       "Quillet: 1 line waiting"},
      {"reset while sending",
       [](FakeSocket& s) {
         s.allSent = false;
         s.RaiseClose(SocketEnd::kReset);
         s.allSent = true;
       },
       1, OutboxState::kWaiting, false, "Quillet: 1 line waiting"},
      {"503", [](FakeSocket& s) { s.RaiseData("HTTP/1.0 503 Busy\r\n\r\n"); }, 1, OutboxState::kWaiting, false,
       "Quillet: 1 line waiting"},
      {"502 from a proxy", [](FakeSocket& s) { s.RaiseData("HTTP/1.0 502 Bad Gateway\r\n\r\n"); }, 1,
       OutboxState::kUncertain, true, "Quillet: 1 line waiting"},
      {"401", [](FakeSocket& s) { s.RaiseData("HTTP/1.0 401 No\r\n\r\n"); }, 1, OutboxState::kRefused, true,
       "Quillet: 1 line waiting"},
      {"closed mid-reply", [](FakeSocket& s) { s.RaiseData("HTTP/1.0 2"), s.PeerCloses(); }, 1, OutboxState::kUncertain,
       true, "Quillet: 1 line waiting"},
      {"closed after the request", [](FakeSocket& s) { s.PeerCloses(); }, 1, OutboxState::kUncertain, true,
       "Quillet: 1 line waiting"},
  };
  Start();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::size_t balloons = shell.balloons.size();
    Confirm(u"line");
    ASSERT_TRUE(files.files.contains("outbox.txt"));
    EXPECT_EQ(ParseOutbox(files.files["outbox.txt"]).records.back().line, u"line") << "written before it is sent";
    if (!c.name || std::string(c.name) != "refused") socket.RaiseConnect();
    c.service(socket);
    EXPECT_EQ(outbox().Waiting(), c.waiting);
    if (c.waiting) {
      EXPECT_EQ(outbox().Records()[0].state, c.state);
    }
    EXPECT_EQ(shell.balloons.size(), balloons + (c.balloon ? 1 : 0));
    EXPECT_EQ(Tip(), c.tip);
    EXPECT_EQ(ParseOutbox(files.files["outbox.txt"]).records.size(), static_cast<std::size_t>(c.waiting));
    // Clear the way for the next case: the person puts a line set aside away, a waiting one goes.
    if (c.waiting && c.state != OutboxState::kWaiting) {
      trayForm->IconMessage(platform::kNinBalloonUserClick);
      EXPECT_EQ(statusBox.Text(), u"line");
      EXPECT_FALSE(countdownTimer.Enabled());
      statusBox.TypeChar(u'\x1b');
      Seconds(60);  // past the gap between balloons
    } else if (c.waiting) {
      Seconds(40);
      socket.RaiseConnect();
      socket.RaiseData("HTTP/1.0 200 OK\r\n\r\n");
    }
    EXPECT_EQ(outbox().Waiting(), 0);
  }
}

TEST_F(OutboxTest, RetriesGrowFrom30SecondsTo30MinutesInOrderOneAtATime) {
  Start();
  Confirm(u"first");
  Confirm(u"second");
  std::vector<int> waits;
  for (int attempt = 0; attempt < 10; ++attempt) {
    ASSERT_EQ(socket.state, FakeSocket::State::Connecting);
    EXPECT_EQ(socket.calls.size(), 2u * (attempt + 1) + attempt) << "one connection at a time";
    socket.RaiseClose(SocketEnd::kNotConnected);
    int waited = 0;
    while (socket.state != FakeSocket::State::Connecting && waited < 3600) {
      Seconds(1);
      ++waited;
    }
    waits.push_back(waited);
  }
  const int expected[] = {30, 60, 120, 240, 480, 960, 1800, 1800, 1800, 1800};
  for (int i = 0; i < 10; ++i) {
    EXPECT_GE(waits[i], expected[i] * 9 / 10) << i;
    EXPECT_LE(waits[i], expected[i] * 11 / 10 + 1) << i;
  }
  EXPECT_TRUE(socket.sent.empty());
  socket.RaiseConnect();
  EXPECT_NE(socket.sent.back().find("status=first"), std::string::npos) << "the oldest line goes first";
  socket.RaiseData("HTTP/1.0 503 Busy\r\nRetry-After: 3000\r\n\r\n");
  Seconds(2000);
  EXPECT_NE(socket.state, FakeSocket::State::Connecting) << "the service asked for 50 minutes";
  Seconds(1001);
  socket.RaiseConnect();
  socket.RaiseData("HTTP/1.0 200 OK\r\n\r\n");
  Seconds(1);
  socket.RaiseConnect();
  EXPECT_NE(socket.sent.back().find("status=second"), std::string::npos);
}

TEST_F(OutboxTest, AfterADayUnsentThePersonIsToldOnce) {
  Start();
  Confirm(u"patient");
  for (int hour = 0; hour < 30; ++hour) {
    for (int second = 0; second < 3600; ++second) {
      Seconds(1);
      if (socket.state == FakeSocket::State::Connecting) socket.RaiseClose(SocketEnd::kNotConnected);
    }
  }
  ASSERT_EQ(shell.balloons.size(), 1u);
  EXPECT_EQ(std::string(shell.balloons[0].second.title), "Quillet: a line is still waiting");
  EXPECT_NE(BalloonText().find("patient"), std::string::npos);
  EXPECT_NE(BalloonText().find("no answer from status.example.net"), std::string::npos);
  EXPECT_EQ(outbox().Records()[0].state, OutboxState::kWaiting);
}

TEST_F(OutboxTest, ALineThatMayHaveArrivedIsLookedForAfter1And3And10MinutesThenGoesAgainWithItsKey) {
  Store("Api", "mastodon");
  Store("Server", "https://m.example/");
  Start();
  Confirm(u"toot");
  ASSERT_EQ(http.requests.size(), 2u);
  EXPECT_EQ(http.requests[1].path, "/api/v1/instance") << "the run's first line asks the server's limit";
  auto key = [](const platform::HttpRequest& request) {
    for (const auto& [name, value] : request.headers)
      if (name == "Idempotency-Key") return value;
    return std::string();
  };
  EXPECT_EQ(key(http.requests[0]).size(), 32u);
  EXPECT_EQ(outbox().Records()[0].state, OutboxState::kLeaving);
  http.Answer({.outcome = platform::HttpOutcome::kTimedOut, .requestSent = true});
  http.Answer(404);  // the limit
  EXPECT_TRUE(shell.balloons.empty());
  // Looked for after 1, 3 and 10 minutes (the server may take it late); found nowhere, it goes again.
  std::vector<int> looks;
  for (int second = 1; second <= 11 * 60; ++second) {
    Seconds(1);
    if (http.pending.empty()) continue;
    if (http.pending.back().request.method == "POST") break;
    ASSERT_EQ(http.pending.back().request.path, "/api/v1/accounts/verify_credentials");
    looks.push_back(second / 60);
    http.Answer(200, "{\"id\":\"7\"}");
    EXPECT_EQ(http.pending.back().request.path, "/api/v1/accounts/7/statuses?exclude_reblogs=true&limit=40");
    http.Answer(200, "[]");
  }
  EXPECT_EQ(looks, (std::vector<int>{1, 3, 10}));
  ASSERT_EQ(http.requests.back().method, "POST");
  EXPECT_EQ(key(http.requests.back()), key(http.requests[0]));
  http.Answer(200);
  EXPECT_EQ(outbox().Waiting(), 0);
  EXPECT_TRUE(shell.balloons.empty());
}

TEST_F(OutboxTest, ARestartSendsWhatWaitsAndNeverRepeatsALineThatMayHaveArrived) {
  // The last run left: a line waiting, one whose request was under way, and a refused one.
  std::vector<OutboxRecord> left = {
      {.id = 7, .confirmedMs = clock.nowMs - 5000, .attempts = 2, .line = u"waiting \u00e9 \U0001F600\nline 2"},
      {.id = 8, .confirmedMs = clock.nowMs - 4000, .attempts = 1, .state = OutboxState::kLeaving, .line = u"maybe"},
      {.id = 9,
       .confirmedMs = clock.nowMs - 3000,
       .attempts = 1,
       .state = OutboxState::kRefused,
       .reported = true,
       .line = u"refused"},
  };
  files.files["outbox.txt"] = FormatOutbox(left);
  Start();
  EXPECT_EQ(Tip(), "Quillet: 3 lines waiting");
  ASSERT_EQ(shell.balloons.size(), 1u);
  EXPECT_NE(BalloonText().find("maybe"), std::string::npos);
  EXPECT_EQ(outbox().Records()[1].state, OutboxState::kUncertain);
  std::vector<std::string> sent;
  for (int i = 0; i < 5 && outbox().Records().size() > 1; ++i) {
    Seconds(1);
    if (socket.state != FakeSocket::State::Connecting) continue;
    socket.RaiseConnect();
    sent.push_back(socket.sent.back().substr(socket.sent.back().find("status=")));
    socket.RaiseData("HTTP/1.0 200 OK\r\n\r\n");
  }
  EXPECT_EQ(sent, (std::vector<std::string>{"status=waiting+%C3%A9+%F0%9F%98%80%0Aline+2", "status=refused"}));
  ASSERT_EQ(outbox().Waiting(), 1);  // the uncertain one, for the person
  Confirm(u"new");
  EXPECT_EQ(outbox().Records().back().id, 10u);
}

TEST_F(OutboxTest, ADamagedFileIsKeptAsideItsWholeRecordsReadAndThePersonToldOnce) {
  std::vector<OutboxRecord> left = {{.id = 1, .confirmedMs = clock.nowMs, .line = u"whole"},
                                    {.id = 2, .confirmedMs = clock.nowMs, .line = u"cut in half"}};
  std::string bytes = FormatOutbox(left);
  const std::string damaged[] = {bytes.substr(0, bytes.find("cut") + 2), "", "\x01\xff garbage",
                                 bytes.substr(0, bytes.find("end"))};
  for (const std::string& file : damaged) {
    SCOPED_TRACE(file);
    files.files.clear();
    files.files["outbox.txt"] = file;
    FakeProgram restarted({.connectHost = "h", .hostHeader = "h", .port = 80}, &files);
    restarted.registry.Put(kAppKey, "Username", platform::kRegSz, "alice");
    restarted.program.Start();
    ASSERT_EQ(restarted.shell.balloons.size(), 1u);
    EXPECT_EQ(std::string(restarted.shell.balloons[0].second.title), "Quillet's outbox was damaged");
    EXPECT_EQ(files.files.size(), 2u) << "the damaged file is kept beside the new one";
    int whole = file.find("whole") != std::string::npos ? 1 : 0;
    int cutWhole = file.find("end ") == std::string::npos && file.find("cut\\sin\\shalf") != std::string::npos;
    EXPECT_EQ(restarted.program.outbox().Waiting(), whole + cutWhole);
    EXPECT_FALSE(ParseOutbox(files.files["outbox.txt"]).damaged);
  }
}

TEST_F(OutboxTest, DiskTroubleIsToldOnceAndTheLinesGoOn) {
  Store("Journal", "1");
  Start();
  files.diskFull = true;
  Confirm(u"one");
  Confirm(u"two");
  ASSERT_EQ(shell.balloons.size(), 1u) << "once, not at every line";
  EXPECT_EQ(std::string(shell.balloons[0].second.title), "Quillet cannot save its outbox");
  socket.RaiseConnect();
  socket.RaiseData("HTTP/1.0 200 OK\r\n\r\n");
  EXPECT_EQ(shell.balloons.size(), 2u);
  EXPECT_EQ(std::string(shell.balloons[1].second.title), "Quillet cannot write its journal");
  files.diskFull = false;
  Seconds(1);  // the outbox catches up
  EXPECT_EQ(ParseOutbox(files.files["outbox.txt"]).records.size(), 1u);
  socket.RaiseConnect();
  socket.RaiseData("HTTP/1.0 200 OK\r\n\r\n");
  files.locked.insert("journal.csv");
  Confirm(u"three");
  socket.RaiseConnect();
  socket.RaiseData("HTTP/1.0 200 OK\r\n\r\n");
  EXPECT_EQ(shell.balloons.size(), 3u) << "trouble that comes back after the journal took rows again is told again";
  EXPECT_EQ(socket.sent.size(), 3u);
}

TEST_F(OutboxTest, TheJournalKeepsEachLineWithItsTimeAndOutcomeForASpreadsheet) {
  Store("Journal", "1");
  Start();
  clock.nowMs = 1'796'000'000'000;  // 2026-11-30 00:53:20 UTC, 01:53:20 here
  Confirm(u"plain");
  socket.RaiseConnect();
  socket.RaiseData("HTTP/1.0 200 OK\r\n\r\n");
  updateWindow.PopUp();
  statusBox.SetText(u"a, \"quoted\"\r\nline \U0001F600");
  clock.nowMs += 1000;
  sendButton.Click();
  socket.RaiseConnect();
  socket.RaiseData("HTTP/1.0 401 No\r\n\r\n");
  Store("Api", "journal");
  Confirm(u"private");
  EXPECT_EQ(socket.calls.size(), 8u) << "posting nowhere";
  EXPECT_EQ(files.files["journal.csv"],
            "\xEF\xBB\xBFTime,Line,Outcome,Asked,Accounts\r\n"
            "2026-11-30 01:53:21,plain,posted,2026-11-30 01:53:20,\r\n"
            "2026-11-30 01:53:22,\"a, \"\"quoted\"\"\r\nline \xF0\x9F\x98\x80\","
            "not posted: the server refused the password (401),2026-11-30 01:53:21,\r\n"
            "2026-11-30 01:53:23,private,kept in the journal only,2026-11-30 01:53:22,\r\n");
}

TEST_F(OutboxTest, ARecalledLineSentAgainTakesThePlaceOfTheOneSetAside) {
  Store("Journal", "1");
  Start();
  Confirm(u"typo");
  socket.RaiseConnect();
  socket.RaiseData("HTTP/1.0 401 No\r\n\r\n");
  EXPECT_NE(BalloonText().find("the server refused the password"), std::string::npos);
  EXPECT_EQ(Tip(), "Quillet: 1 line waiting");
  window.Hide();
  trayForm->IconMessage(platform::kNinBalloonUserClick);
  EXPECT_TRUE(window.Visible());
  EXPECT_EQ(countdownCaption.Caption(), u"Update");
  statusBox.Type(u"!");
  clock.nowMs += 1000;
  statusBox.TypeChar(u'\r');
  ASSERT_EQ(outbox().Waiting(), 1);
  EXPECT_EQ(outbox().Records()[0].line, u"typo!");
  socket.RaiseConnect();
  socket.RaiseData("HTTP/1.0 200 OK\r\n\r\n");
  EXPECT_EQ(Tip(), "Quillet");
  // Sent again, it keeps the moment its first pop-up came up.
  EXPECT_EQ(files.files["journal.csv"],
            "\xEF\xBB\xBFTime,Line,Outcome,Asked,Accounts\r\n"
            "2026-11-30 01:53:21,typo,not posted: the server refused the password (401),2026-11-30 01:53:20,\r\n"
            "2026-11-30 01:53:22,typo!,posted,2026-11-30 01:53:20,\r\n");
}

TEST(OutboxFile, EarlierVersionsStillReadAndTheNewestKeepsWhenThePopUpCame) {
  auto record = [](std::string fields) {  // with its check
    char check[9];
    std::snprintf(check, sizeof check, "%08x", static_cast<unsigned>(Crc32(fields)));
    return fields + ' ' + check + '\n';
  };
  // Each kind of service's key in its own field; the one key of earlier versions read as its form shows.
  const LineKeys keys{.idempotency = "0123", .record = "3n466dczphs27", .signedEvent = "{\"content\": \"a b\"}"};
  OutboxRecord asked{.id = 5, .confirmedMs = 1'796'000'004'000, .keys = keys, .destination = "2",
                     .askedMs = 1'796'000'000'000, .line = u"now"};
  const std::string event = nostr::EventJson({.id = std::string(64, 'e'), .pubkey = std::string(64, 'a'),
                                              .content = "x", .sig = std::string(128, 'b')});
  struct Case {
    const char* name;
    std::string file;
    std::int64_t askedMs;
    std::string destination;
    std::u16string line;
    LineKeys keys;
  } cases[] = {
      {"version 1", "Quillet outbox 1\n" + record("3 1700 0 w 0 - first\\sone") + "end 1\n", 0, "1", u"first one", {}},
      {"version 2", "Quillet outbox 2\n" + record("4 1700 1 w 0 k 1 0 0 2 =why =second") + "end 1\n", 0, "2", u"second",
       {.idempotency = "k"}},
      {"version 3", "Quillet outbox 3\n" + record("6 1700 1 w 0 3n466dczphs27 1 0 0 2 9 =why =third") + "end 1\n", 9, "2",
       u"third", {.record = "3n466dczphs27"}},
      {"version 3, a Nostr line", "Quillet outbox 3\n" + record("7 1700 1 w 0 " + event + " 1 0 0 2 9 =why =fourth") + "end 1\n",
       9, "2", u"fourth", {.signedEvent = event}},
      {"version 4", FormatOutbox({asked}), asked.askedMs, "2", u"now", keys},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ParsedOutbox parsed = ParseOutbox(c.file);
    EXPECT_FALSE(parsed.damaged);
    ASSERT_EQ(parsed.records.size(), 1u);
    EXPECT_EQ(parsed.records[0].askedMs, c.askedMs);
    EXPECT_EQ(parsed.records[0].destination, c.destination);
    EXPECT_EQ(parsed.records[0].line, c.line);
    EXPECT_EQ(parsed.records[0].keys, c.keys);
  }
}


// In the language chosen, the update window, the tray's menu and tip, a balloon and the
// lines-waiting list speak it; the log keeps English, and a server's words stay as they came.
TEST_F(OutboxTest, WhatThePersonSeesIsInTheirLanguageWhileTheLogStaysEnglish) {
  using namespace std::string_literals;
  std::optional<Catalog> german = Catalog::FromMo(MoOf({
      {"", "Language: de\nPlural-Forms: nplurals=2; plural=(n != 1);\n"},
      {"Update", "Senden"},
      {"Update (%1)", "Senden (%1)"},
      {"Lines &waiting...", "Wartende &Zeilen..."},
      {"%1 line waiting\0%1 lines waiting"s, "%1 Zeile wartet\0%1 Zeilen warten"s},
      {"Quillet could not post a line", "Quillet konnte eine Zeile nicht senden"},
      {"Not posted", "Nicht gesendet"},
  }));
  ASSERT_TRUE(german);
  Start();
  app.UseWords(*german);
  updateWindow.PopUp();
  EXPECT_EQ(countdownCaption.Caption(), u"Senden (15)");
  statusBox.Type(u"typo");
  EXPECT_EQ(countdownCaption.Caption(), u"Senden");
  clock.nowMs += 1000;
  statusBox.TypeChar(u'\r');
  socket.RaiseConnect();
  socket.RaiseData("HTTP/1.0 401 No\r\n\r\n");

  ASSERT_EQ(shell.balloons.size(), 1u);
  EXPECT_EQ(std::string(shell.balloons[0].second.title), "Quillet konnte eine Zeile nicht senden");
  EXPECT_EQ(Tip(), "Quillet: 1 Zeile wartet");
  bool logged = false;
  for (const std::string& line : log.lines)
    logged |= line.find("line 1 kept for the person: the server refused the password (401)") != std::string::npos;
  EXPECT_TRUE(logged);

  std::vector<WaitingLineRow> rows;
  whileLinesWaiting = [&](FakeLinesWaitingView& view) { rows = view.rows; };
  menu->whileOpen = [](FakePopupMenu& opened) { opened.Choose(u"Wartende &Zeilen..."); };
  trayForm->IconMessage(platform::kWmRButtonDown);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].state, u"Nicht gesendet: the server refused the password (401)");
}

}  // namespace
}  // namespace quillet::testing

namespace quillet::testing {
namespace {

// The pane under the list: the selected line whole, when it was tried and when it goes next.
TEST_F(OutboxTest, TheLinesWaitingWindowShowsTheSelectedLineWithItsTimes) {
  clock.nowMs = 1'795'999'980'000;  // 01:53:00 local
  Start();
  Confirm(u"refused");
  socket.RaiseConnect();
  socket.RaiseData("HTTP/1.0 401 No\r\n\r\n");
  Confirm(u"busy");
  socket.RaiseConnect();
  socket.RaiseData("HTTP/1.0 503 Busy\r\nRetry-After: 600\r\n\r\n");
  std::vector<std::optional<WaitingLineDetails>> seen;
  whileLinesWaiting = [&](FakeLinesWaitingView& view) {
    for (std::int32_t row : {0, 1, -1}) {
      view.SelectRow(row);
      seen.push_back(view.details);
    }
  };
  menu->Choose(u"Lines &waiting...");
  ASSERT_EQ(seen.size(), 3u);
  ASSERT_TRUE(seen[0] && seen[1]);
  EXPECT_EQ(*seen[0], (WaitingLineDetails{.line = u"refused",
                                          .state = u"Not posted: the server refused the password (401)",
                                          .account = program.outbox().AccountInWords(program.outbox().Records()[0]),
                                          .confirmed = u"2026-11-30 01:53",
                                          .lastTried = u"2026-11-30 01:53",
                                          .nextTry = u"When you send it again"}));
  EXPECT_EQ(seen[1]->line, u"busy");
  EXPECT_EQ(seen[1]->nextTry, u"2026-11-30 02:03") << "as the server asked";
  EXPECT_FALSE(seen[2]) << "nothing selected, nothing shown";
}

TEST_F(OutboxTest, ABurstOfFailuresIsToldInTwoBalloonsNotOneEach) {
  Start();
  for (int n = 0; n < 5; ++n) {
    Confirm(u"line " + DecimalText(n));
    socket.RaiseConnect();
    socket.RaiseData("HTTP/1.0 401 No\r\n\r\n");
  }
  EXPECT_EQ(shell.balloons.size(), 1u);
  Seconds(55);  // a minute after the first balloon: the five lines took a second each
  EXPECT_EQ(shell.balloons.size(), 1u);
  Seconds(1);
  ASSERT_EQ(shell.balloons.size(), 2u);
  EXPECT_NE(std::string(shell.balloons[1].second.title).find("5 lines need a look"), std::string::npos);
  trayForm->IconMessage(platform::kNinBalloonUserClick);
  EXPECT_EQ(statusBox.Text(), u"line 4") << "the latest comes up";
  Seconds(120);
  EXPECT_EQ(shell.balloons.size(), 2u) << "told once";
}

}  // namespace
}  // namespace quillet::testing
