// A simulated week of the whole program on the fake platform: 604,800 seconds of the minute timer
// (and the countdown timer while enabled) with random typing, keys, clicks, tray actions, settings changes and
// socket events in between, some of them nested inside PopUp's DoEvents, the popup menu and the
// modal dialog. After every event the update window is in one of its four states; every request
// sent carries the line confirmed for it; nothing grows without bound.
// The service misbehaves (refused, reset, 500, 503 with Retry-After, 401, no answer), the disk
// fills up now and then, the outbox file is held by another program, and Quillet is ended and
// started again every few hours: every confirmed line is delivered exactly once, or is still in
// the outbox, or was put away by the person after being told.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "common/convert.h"
#include "delivery/status_request.h"
#include "tests/unit/fake_program.h"

namespace quillet {
namespace {

using namespace platform::fake;

constexpr int kWeek = 7 * 24 * 60 * 60;

// The program as quillet.exe wires it, on the fake platform, with a user name stored earlier.
struct SoakProgram : testing::FakeProgram {
  explicit SoakProgram(FakeFiles& disk)
      : FakeProgram({.connectHost = "status.example.net", .hostHeader = "example.net", .port = 80}, &disk) {
    registry.Put(testing::kAppKey, "Username", platform::kRegSz, "soak");
    window.OnShown([this] {
      shownAtMs = clock.nowMs;
      recallShowing = false;
    });
  }
  std::int64_t shownAtMs = 0;  // when the update window last came up
  bool recallShowing = false;  // it came up with a recalled line, which a post sends again
};

class Soak : public ::testing::Test {
 protected:
  std::u16string Caption() const { return p->countdownCaption.Caption(); }

  // The update window is Idle, Counting, Editing or Closing, with the matching window, timer and
  // caption; the characters-left label agrees with the box.
  void CheckState(const char* after) {
    ++checks;
    const bool shown = p->window.Visible();
    const bool counting = p->countdownTimer.Enabled();
    const std::u16string caption = Caption();
    auto countdown = [&]() -> int {
      if (caption.rfind(u"Update (", 0) != 0 || caption.back() != u')') return -1;
      return ToInt16(caption.substr(8, caption.size() - 9));
    };
    if (shown && counting) {
      ASSERT_GE(countdown(), 1) << after << ": Counting shows the seconds left";
      ASSERT_LE(countdown(), 15) << after;
    } else if (shown) {
      ASSERT_EQ(caption, u"Update") << after << ": Editing";
    } else if (counting) {
      ASSERT_GE(countdown(), 0) << after << ": Closing shows the count it stopped at";
      ASSERT_LE(countdown(), 14) << after;
    }
    ASSERT_LE(p->statusBox.Text().size(), 140u) << after;
    ASSERT_EQ(p->charsLeft.Caption(), DecimalText(140 - static_cast<long long>(p->statusBox.Text().size()))) << after;
  }

  // The service: each connection comes up (sometimes only inside the next pop-up's DoEvents) or
  // is refused, and then answers, fails, or never answers.
  void Peer() {
    if (p->socket.state != FakeSocket::State::Connecting || peerBusy) return;
    peerBusy = true;
    int roll = static_cast<int>(random() % 20);
    if (roll == 0) {
      p->socket.RaiseClose(platform::SocketEnd::kNotConnected);
      peerBusy = false;
      return;
    }
    auto connect = [this, roll] {
      peerBusy = false;
      if (p->socket.state != FakeSocket::State::Connecting) return;
      p->socket.RaiseConnect();
      if (p->socket.state != FakeSocket::State::Connected) return;
      const std::string& request = p->socket.sent.back();
      switch (roll) {
        case 1:
          p->socket.allSent = false;  // broken while sending
          p->socket.RaiseClose(platform::SocketEnd::kReset);
          p->socket.allSent = true;
          return;
        case 2:
          p->socket.RaiseData("HTTP/1.0 503 Busy\r\nRetry-After: 120\r\n\r\n");
          return;
        case 3:
          p->socket.RaiseData("HTTP/1.0 500 Oops\r\n\r\n");
          return;
        case 4:
          if (random() % 4 == 0) {  // the request arrived, the answer never comes
            ++arrivedUnanswered[request];
            return;
          }
          break;
        case 5:
          if (random() % 4 == 0) {
            p->socket.RaiseData("HTTP/1.0 401 Unauthorized\r\n\r\n");
            return;
          }
          break;
        default:
          break;
      }
      ++delivered[request.substr(request.find("\r\n\r\n") + 4)];
      p->socket.RaiseData("HTTP/1.0 200 OK\r\n\r\n<status/>");
      p->socket.PeerCloses();
    };
    if (roll == 6) {
      p->app.Queue(connect);  // comes up during the next DoEvents
    } else {
      connect();
    }
  }

  // A line confirmed by `action`, made unique by its number so that every delivery can be told.
  void Confirm(const Callback<void()>& action) {
    if (!p->statusBox.Text().empty() && p->statusBox.Text().rfind(u"#", 0) != 0) {
      std::u16string tagged = u"#" + DecimalText(++tags) + u" " + p->statusBox.Text();
      p->statusBox.SetText(tagged.substr(0, 140));
    }
    std::u16string line = p->statusBox.Text();
    int waitingBefore = p->program.outbox().Waiting();
    bool recalled = p->recallShowing;
    bool tooSoon = p->clock.nowMs - p->shownAtMs < 1000;  // taken for an Enter meant for another window
    action();
    if (!line.empty() && !tooSoon) {
      confirmed.insert(status_request::StatusBody(line));
      if (recalled) resent.insert(status_request::StatusBody(line));
      ASSERT_GE(p->program.outbox().Waiting(), recalled ? waitingBefore : waitingBefore + 1)
          << "a confirmed line is in the outbox before it is sent";
    }
  }

  // The person clicks the balloon, then sends the line again or puts it away.
  void AnswerBalloon() {
    if (p->shell.balloons.size() == balloonsSeen) return;
    balloonsSeen = p->shell.balloons.size();
    p->trayForm->IconMessage(platform::kNinBalloonUserClick);
    auto recalled = p->program.updateWindow().RecalledLine();
    if (!recalled) return;
    const OutboxRecord* kept = p->program.outbox().Find(*recalled);
    ASSERT_NE(kept, nullptr);
    auto line = std::optional<std::u16string>(kept->line);
    EXPECT_EQ(p->statusBox.Text(), *line);
    p->recallShowing = true;
    if (random() % 3 == 0) {
      putAway.insert(status_request::StatusBody(*line));
      p->statusBox.TypeChar(27);
    } else {
      Tick();  // reads it again for a second: an Enter at once is not taken
      Confirm([&] { p->statusBox.TypeChar(13); });
    }
  }

  // The disk and the other programs.
  void DiskTrouble() {
    switch (random() % 6) {
      case 0:
        disk.diskFull = !disk.diskFull;
        break;
      case 1:
        if (disk.locked.empty()) {
          disk.locked.insert("outbox.txt");
        } else {
          disk.locked.clear();
        }
        break;
      default:
        disk.diskFull = false;
        disk.locked.clear();
    }
  }

  // Quillet ends (the session ends, or the power goes) and starts again with what is on the disk.
  void Restart() {
    disk.diskFull = false;  // the disk is fine again a second before the end
    disk.locked.clear();
    Tick();
    std::int64_t now = p->clock.nowMs;
    p.reset();
    p = std::make_unique<SoakProgram>(disk);
    p->clock.nowMs = now;
    p->app.title = u"Quillet";
    p->program.Start();
    balloonsSeen = 0;
    peerBusy = false;
    ++restarts;
  }

  void TypeSomething() {
    static const std::u16string kCharacters = u"abc xyz&=+%é€~.-_ 0123456789";
    int count = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < count; ++i) p->statusBox.TypeChar(kCharacters[random() % kCharacters.size()]);
  }

  void ChangeSettings() {
    p->whileSettings = [this](testing::FakeSettingsView& view) {
      if (random() % 4 == 0) Tick();  // the clock goes on while the dialog is open
      view.Interval().SetListIndex(static_cast<std::int32_t>(random() % 5));  // 1 to 5 minutes
      (random() % 3 == 0 ? view.cancel : view.ok).Click();
    };
    p->menu->whileOpen = [](FakePopupMenu& menu) { menu.Choose(u"&Settings"); };
    p->trayForm->IconMessage(0x204);
  }

  // One user or peer action, chosen at random.
  void RandomEvent() {
    switch (random() % 16) {
      case 0:
      case 1:
      case 2:
        if (p->window.Visible()) TypeSomething();
        break;
      case 3:
        if (p->window.Visible()) p->statusBox.Backspace();
        break;
      case 4:
        if (p->window.Visible()) Confirm([&] { p->statusBox.TypeChar(13); });
        break;
      case 5:
        if (p->window.Visible()) p->statusBox.TypeChar(27);
        break;
      case 6:
        if (p->window.Visible()) Confirm([&] { p->sendButton.Click(); });
        break;
      case 7:
        if (p->window.Visible()) p->closeMark.Click();
        break;
      case 8:
        p->trayForm->IconMessage(0x203);  // double click on the icon
        break;
      case 9:
        p->menu->whileOpen = [this](FakePopupMenu& menu) {
          if (random() % 3 == 0) Tick();
          const char16_t* items[] = {u"&Post Now", u"Open &Twitter", u"&About"};
          menu.Choose(items[random() % 3]);
        };
        p->trayForm->IconMessage(0x204);
        break;
      case 10:
        if (random() % 20 == 0) ChangeSettings();
        break;
      case 11:
        if (random() % 50 == 0) p->program.settings().Save(u"Interval", random() % 2 ? u"abc" : u"0");
        break;
      case 12:
        p->trayForm->IconMessage(0x200);  // a move over the icon
        break;
      default:
        break;
    }
    Peer();
  }

  void Tick() {
    p->clock.nowMs += 1000;
    p->minuteTimer.Tick();
    p->deliveryTimer.Tick();
    p->countdownTimer.Tick();
  }

  FakeFiles disk;
  std::unique_ptr<SoakProgram> p = std::make_unique<SoakProgram>(disk);
  std::mt19937 random{20261207};
  bool peerBusy = false;
  long long tags = 0;
  std::set<std::string> confirmed, resent, putAway;  // request bodies
  std::map<std::string, int> delivered, arrivedUnanswered;
  std::size_t balloonsSeen = 0;
  int restarts = 0;
  long long checks = 0;
};

TEST_F(Soak, AWeekOfRandomUseKeepsEveryRule) {
  p->app.title = u"Quillet";
  p->program.Start();
  ASSERT_NE(p->program.trayWindow(), nullptr);
  CheckState("start-up");
  std::size_t requestsChecked = 0;
  int popUps = 0;
  for (int second = 0; second < kWeek; ++second) {
    int shownBefore = p->window.showCount;
    Tick();
    popUps += p->window.showCount - shownBefore;
    ASSERT_NO_FATAL_FAILURE(CheckState("a tick"));
    // The user is busier while the window is up.
    if (random() % (p->window.Visible() ? 3 : 20) == 0) {
      RandomEvent();
      ASSERT_NO_FATAL_FAILURE(CheckState("an event"));
    }
    Peer();
    if (random() % 600 == 0) {
      ASSERT_NO_FATAL_FAILURE(AnswerBalloon());
    }
    if (random() % 3000 == 0) DiskTrouble();
    // Every request sent so far carries a line confirmed earlier, whole.
    for (; requestsChecked < p->socket.sent.size(); ++requestsChecked) {
      const std::string& request = p->socket.sent[requestsChecked];
      std::string body = request.substr(request.find("\r\n\r\n") + 4);
      ASSERT_TRUE(confirmed.contains(body)) << body;
      ASSERT_NE(request.find("content-length: " + std::to_string(body.size()) + "\r\n"), std::string::npos);
    }
    // Bounded: the test's own records are trimmed; the program's state must stay small by itself.
    if (second % 3600 == 0) {
      p->windowing.focusCalls.clear();
      p->shell.executeCalls.clear();
      ASSERT_LE(p->app.pending.size(), 1u);
      ASSERT_TRUE(p->socket.received.empty()) << "the reply is taken out";
      ASSERT_EQ(p->registry.OpenKeys(), 0u);
      int adds = 0;
      for (const auto& call : p->shell.notifyCalls) adds += call.message == platform::kNimAdd;
      ASSERT_EQ(adds, 1) << "the icon is added once";
      ASSERT_LE(p->program.outbox().Waiting(), 200);
    }
    if (second % (5 * 3600) == 4000) {
      Restart();
      requestsChecked = 0;
    }
  }
  // The service comes back for good and the disk is fine: whatever waits goes.
  disk.diskFull = false;
  disk.locked.clear();
  for (int second = 0; second < 3 * 3600; ++second) {
    Tick();
    if (p->socket.state == FakeSocket::State::Connecting) {
      p->socket.RaiseConnect();
      const std::string& request = p->socket.sent.back();
      ++delivered[request.substr(request.find("\r\n\r\n") + 4)];
      p->socket.RaiseData("HTTP/1.0 200 OK\r\n\r\n");
    }
  }
  // Every confirmed line: delivered exactly once, or kept in the outbox, or put away by the person.
  std::set<std::string> kept;
  for (const OutboxRecord& record : p->program.outbox().Records()) {
    EXPECT_NE(record.state, OutboxState::kWaiting) << "nothing waits once the service is back";
    kept.insert(status_request::StatusBody(record.line));
  }
  int lost = 0, duplicates = 0, deliveredLines = 0;
  for (const std::string& body : confirmed) {
    int times = delivered.contains(body) ? delivered.at(body) : 0;
    deliveredLines += times > 0;
    if (times > 1) ++duplicates;
    if (times == 0 && !kept.contains(body) && !putAway.contains(body)) {
      ++lost;
      ADD_FAILURE() << "lost: " << body;
    }
  }
  EXPECT_EQ(lost, 0);
  EXPECT_EQ(duplicates, 0);
  EXPECT_GT(static_cast<int>(confirmed.size()), 1000);
  EXPECT_GT(popUps, 1000);
  EXPECT_GT(restarts, 20);
  std::cout << "[ soak     ] " << kWeek << " seconds, " << popUps << " pop-ups, " << restarts << " restarts, "
            << confirmed.size() << " lines confirmed, " << deliveredLines << " delivered, " << kept.size()
            << " kept for the person, " << putAway.size() << " put away after a balloon, " << arrivedUnanswered.size()
            << " arrived but never answered, " << duplicates << " duplicates, " << lost << " lost, " << checks
            << " state checks\n";
}

}  // namespace
}  // namespace quillet
