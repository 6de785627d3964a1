// A simulated week of the whole program on the fake platform: 604,800 seconds of the minute timer
// (and the countdown timer while enabled) with random typing, keys, clicks, tray actions, settings changes and
// socket events in between, some of them nested inside PopUp's DoEvents, the popup menu and the
// modal dialog. After every event the update window is in one of its four states; every request
// sent carries the line confirmed for it; nothing grows without bound.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "common/convert.h"
#include "posting/status_request.h"
#include "tests/unit/fake_program.h"

namespace quillet {
namespace {

using namespace platform::fake;

constexpr int kWeek = 7 * 24 * 60 * 60;

// The program as quillet.exe wires it, on the fake platform, with a user name stored earlier.
struct SoakProgram : testing::FakeProgram {
  SoakProgram() : FakeProgram({.connectHost = "status.example.net", .hostHeader = "example.net", .port = 80}) {
    registry.Put(testing::kAppKey, "Username", platform::kRegSz, "soak");
  }
};

class Soak : public ::testing::Test {
 protected:
  std::u16string Caption() const { return p.countdownCaption.Caption(); }

  // The update window is Idle, Counting, Editing or Closing, with the matching window, timer and
  // caption; the characters-left label agrees with the box.
  void CheckState(const char* after) {
    ++checks;
    const bool shown = p.window.Visible();
    const bool counting = p.countdownTimer.Enabled();
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
    ASSERT_LE(p.statusBox.Text().size(), 140u) << after;
    ASSERT_EQ(p.charsLeft.Caption(), DecimalText(140 - static_cast<long long>(p.statusBox.Text().size()))) << after;
  }

  // The socket's peer: each post's connection comes up (sometimes only inside the next pop-up's
  // DoEvents), answers, or is refused and never comes up.
  void Peer() {
    if (p.socket.state != FakeSocket::State::Connecting || pendingLine.empty()) return;
    int roll = static_cast<int>(random() % 10);
    if (roll == 0) {  // refused: no event; the next post closes it
      pendingLine.clear();
      return;
    }
    auto connect = [this, line = pendingLine] {
      if (p.socket.state != FakeSocket::State::Connecting) return;
      p.socket.RaiseConnect();
      expectedBodies.push_back(status_request::StatusBody(line));
      p.socket.RaiseData("HTTP/1.0 200 OK\r\n\r\n<status/>");
      p.socket.PeerCloses();
    };
    pendingLine.clear();
    if (roll == 1) {
      p.app.Queue(connect);  // comes up during the next DoEvents
    } else {
      connect();
    }
  }

  void Confirm(const std::function<void()>& action) {
    std::u16string line = p.statusBox.Text();
    auto postsBefore = p.socket.calls.size();
    action();
    if (p.socket.calls.size() != postsBefore) {  // Post closed and connected
      ASSERT_FALSE(line.empty());
      pendingLine = line;
      ++confirmedLines;
    }
  }

  void TypeSomething() {
    static const std::u16string kCharacters = u"abc xyz&=+%é€~.-_ 0123456789";
    int count = 1 + static_cast<int>(random() % 8);
    for (int i = 0; i < count; ++i) p.statusBox.TypeChar(kCharacters[random() % kCharacters.size()]);
  }

  void ChangeSettings() {
    p.whileSettings = [this](testing::FakeSettingsView& view) {
      if (random() % 4 == 0) Tick();  // the clock goes on while the dialog is open
      view.Interval().SetListIndex(static_cast<std::int32_t>(random() % 5));  // 1 to 5 minutes
      (random() % 3 == 0 ? view.cancel : view.ok).Click();
    };
    p.menu->whileOpen = [](FakePopupMenu& menu) { menu.Choose(u"&Settings"); };
    p.trayForm->IconMessage(0x204);
  }

  // One user or peer action, chosen at random.
  void RandomEvent() {
    switch (random() % 16) {
      case 0:
      case 1:
      case 2:
        if (p.window.Visible()) TypeSomething();
        break;
      case 3:
        if (p.window.Visible()) p.statusBox.Backspace();
        break;
      case 4:
        if (p.window.Visible()) Confirm([&] { p.statusBox.TypeChar(13); });
        break;
      case 5:
        if (p.window.Visible()) p.statusBox.TypeChar(27);
        break;
      case 6:
        if (p.window.Visible()) Confirm([&] { p.sendButton.Click(); });
        break;
      case 7:
        if (p.window.Visible()) p.closeMark.Click();
        break;
      case 8:
        p.trayForm->IconMessage(0x203);  // double click on the icon
        break;
      case 9:
        p.menu->whileOpen = [this](FakePopupMenu& menu) {
          if (random() % 3 == 0) Tick();
          const char16_t* items[] = {u"&Post Now", u"Open &Twitter", u"&About"};
          menu.Choose(items[random() % 3]);
        };
        p.trayForm->IconMessage(0x204);
        break;
      case 10:
        if (random() % 20 == 0) ChangeSettings();
        break;
      case 11:
        if (random() % 50 == 0) p.program.settings().Save(u"Interval", random() % 2 ? u"abc" : u"0");
        break;
      case 12:
        p.trayForm->IconMessage(0x200);  // a move over the icon
        break;
      default:
        break;
    }
    Peer();
  }

  void Tick() {
    p.clock.Advance(1000);
    p.minuteTimer.Tick();
    p.countdownTimer.Tick();
  }

  SoakProgram p;
  std::mt19937 random{20261207};
  std::u16string pendingLine;
  std::vector<std::string> expectedBodies;
  int confirmedLines = 0;
  long long checks = 0;
};

TEST_F(Soak, AWeekOfRandomUseKeepsEveryRule) {
  p.app.title = u"Quillet";
  p.program.Start();
  ASSERT_NE(p.program.trayWindow(), nullptr);
  CheckState("start-up");
  std::size_t requestsChecked = 0;
  int popUps = 0;
  for (int second = 0; second < kWeek; ++second) {
    int shownBefore = p.window.showCount;
    Tick();
    popUps += p.window.showCount - shownBefore;
    ASSERT_NO_FATAL_FAILURE(CheckState("a tick"));
    // The user is busier while the window is up.
    if (random() % (p.window.Visible() ? 3 : 20) == 0) {
      RandomEvent();
      ASSERT_NO_FATAL_FAILURE(CheckState("an event"));
    }
    // Every request sent so far carries exactly the line confirmed for it.
    for (; requestsChecked < p.socket.sent.size(); ++requestsChecked) {
      const std::string& request = p.socket.sent[requestsChecked];
      ASSERT_LT(requestsChecked, expectedBodies.size());
      const std::string& body = expectedBodies[requestsChecked];
      ASSERT_GE(request.size(), body.size());
      ASSERT_EQ(request.substr(request.size() - body.size()), body);
      ASSERT_NE(request.find("content-length: " + std::to_string(body.size()) + "\r\n"), std::string::npos);
    }
    // Bounded: the test's own records are trimmed; the program's state must stay small by itself.
    if (second % 3600 == 0) {
      p.windowing.focusCalls.clear();
      p.shell.executeCalls.clear();
      ASSERT_LE(p.app.pending.size(), 1u);
      ASSERT_TRUE(p.socket.received.empty()) << "the reply is taken and dropped";
      ASSERT_EQ(p.registry.OpenKeys(), 0u);
      ASSERT_EQ(p.shell.notifyCalls.size(), 1u) << "the icon is added once";
    }
  }
  Peer();
  p.app.DoEvents();
  // Requests sent = confirmed non-empty lines, less the ones whose connection was refused.
  EXPECT_EQ(p.socket.sent.size(), expectedBodies.size());
  EXPECT_GT(confirmedLines, 1000);
  EXPECT_GE(static_cast<int>(p.socket.sent.size()), confirmedLines * 8 / 10);
  EXPECT_GT(popUps, 1000);
  std::cout << "[ soak     ] " << kWeek << " seconds, " << popUps << " pop-ups, " << confirmedLines
            << " confirmed lines, " << p.socket.sent.size() << " requests sent, " << checks << " state checks\n";
}

}  // namespace
}  // namespace quillet
