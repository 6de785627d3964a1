// The update window on the fake platform: start-up, the minute schedule, the countdown, typing,
// keys and clicks, in the order Windows delivers them.
#include "tests/unit/update_window_fixture.h"

#include "common/callback.h"

#include "common/convert.h"
#include "common/failure.h"
#include "dialogs/settings_dialog.h"
#include "platform/fake/fake_registry.h"
#include "platform/fake/fake_trace.h"

namespace quillet::testing {
namespace {

using platform::fake::FakeRegistry;
using platform::fake::FakeSocket;

TEST_F(UpdateWindowTest, StartUpWithAUserNameHidesAndLoadsTheTrayWindow) {
  app.title = u"Quillet";
  settings.SetAppTitle(u"");
  Start();
  EXPECT_EQ(settings.AppTitle(), u"Quillet");
  EXPECT_EQ(app.title, u"");  // from here on only the settings store holds the name
  EXPECT_EQ(frame.Top(), 0);
  EXPECT_FALSE(window.Visible());
  EXPECT_EQ(settingsShown, 0);
  EXPECT_EQ(trayLoaded, 1);
  EXPECT_TRUE(minuteTimer.Enabled());
  EXPECT_FALSE(countdownTimer.Enabled());
}

TEST_F(UpdateWindowTest, FirstRunShowsTheSettingsOwnedByTheWindowAndGoesOnOnceANameIsStored) {
  whileSettings = [&](FakeSettingsView&) { Store("Username", "bob"); };
  program.Start();
  EXPECT_EQ(settingsShown, 1);
  EXPECT_EQ(settingsOwner, kHandle);
  EXPECT_EQ(trayLoaded, 1);
  EXPECT_FALSE(app.ended);
}

TEST_F(UpdateWindowTest, FirstRunClosedWithoutANameEndsBeforeTheTrayWindow) {
  Store("Username", "");  // empty counts as missing
  EXPECT_THROW(program.Start(), ProgramEnded);
  EXPECT_TRUE(app.ended);
  EXPECT_EQ(settingsShown, 1);
  EXPECT_EQ(trayLoaded, 0);
  EXPECT_EQ(frame.Top(), 24);
}

TEST_F(UpdateWindowTest, FirstRunThroughTheAccountDialogAloneReachesTheTray) {
  whileSettings = [&](FakeSettingsView& view) {
    ASSERT_TRUE(view.setUpAccountShown);
    view.setUpAccount.Click();
  };
  whileAccount = [&](FakeAccountView& view) {
    for (std::size_t at = 0; at < AccountKinds().size(); ++at)
      if (AccountKinds()[at].api == ServiceApi::kNostr) view.ChooseKind(static_cast<std::int32_t>(at));
    EXPECT_FALSE(view.secretKey.Text().empty()) << "a key made at once";
    view.ok.Click();
  };
  program.Start();
  EXPECT_EQ(accountShown, 1);
  EXPECT_EQ(trayLoaded, 1);
  EXPECT_FALSE(app.ended);
  EXPECT_EQ(settings.Get(kUserName), u"");
  EXPECT_EQ(settings.Get(kApi), u"nostr");
}

// What a start finds stored decides whether it is the first run.
TEST_F(UpdateWindowTest, OnlyAStartWithoutAnyAccountIsTheFirstRun) {
  struct Case {
    std::vector<std::pair<std::string, std::string>> stored;
    bool firstRun;
  } cases[] = {
      {{}, true},
      {{{"Username", ""}, {"Api", "twitter"}, {"Server", "https://social.example"}}, true},
      {{{"Username", "alice"}}, false},
      {{{"Api", "journal"}}, false},
      {{{"Api", "Mastodon"}, {"Server", "https://social.example"}}, false},
  };
  for (const Case& c : cases) {
    FakeRegistry registry;
    for (const auto& [name, value] : c.stored) registry.Put(kAppKey, name, platform::kRegSz, value);
    SettingsStore store(registry);
    store.SetAppTitle(u"Quillet");
    EXPECT_EQ(AnyAccountSetUp(store), !c.firstRun) << c.stored.size();
  }
  FakeRegistry further;
  further.Put(kAppKey + "\\Accounts\\3", "Api", platform::kRegSz, "journal");
  SettingsStore store(further);
  store.SetAppTitle(u"Quillet");
  EXPECT_TRUE(AnyAccountSetUp(store)) << "an account beside an empty first one";
}

TEST_F(UpdateWindowTest, DefaultIntervalPopsUpAfterExactly2400Ticks) {
  Start();
  for (int i = 0; i < 2399; ++i) minuteTimer.Tick();
  EXPECT_EQ(Pops(), 0);
  minuteTimer.Tick();
  EXPECT_EQ(Pops(), 1);
  EXPECT_TRUE(window.Visible());
  for (int i = 0; i < 2400; ++i) minuteTimer.Tick();
  EXPECT_EQ(Pops(), 2);
}

TEST_F(UpdateWindowTest, IntervalIsReadAtEveryMinuteBoundary) {
  Store("Interval", "1");
  Start();
  TickMinutes(3);
  EXPECT_EQ(Pops(), 3);

  // Lowered from 40 to 5 while 12 minutes have passed: up at the next boundary, then every 5.
  Store("Interval", "40");
  TickMinutes(11);
  EXPECT_EQ(Pops(), 3);
  Store("Interval", " 5 ");
  TickMinutes(1);
  EXPECT_EQ(Pops(), 4);
  TickMinutes(4);
  EXPECT_EQ(Pops(), 4);
  TickMinutes(1);
  EXPECT_EQ(Pops(), 5);
}

TEST_F(UpdateWindowTest, IntervalThatDoesNotConvertOrIsNotPositivePopsUpEveryMinute) {
  Start();
  // A conversion that fails is skipped and traced, never shown.
  struct Case {
    const char* interval;
    bool fails;
  };
  for (auto [interval, fails] : {Case{"abc", true}, {"40000", true}, {"0", false}, {"-3", false}, {"1e2", true}}) {
    Store("Interval", interval);
    int before = Pops();
    int traced = platform::fake::Swallowed().count;
    TickMinutes(2);
    EXPECT_EQ(Pops(), before + 2) << interval;
    EXPECT_EQ(platform::fake::Swallowed().count - traced, fails ? 2 : 0) << interval;
  }
  // Missing or empty reads as 40; a fraction rounds halves to even (2.5 -> 2).
  Store("Interval", "");
  int before = Pops();
  TickMinutes(39);
  EXPECT_EQ(Pops(), before);
  TickMinutes(1);
  EXPECT_EQ(Pops(), before + 1);
  Store("Interval", "2.5");
  TickMinutes(1);
  EXPECT_EQ(Pops(), before + 1);
  TickMinutes(1);
  EXPECT_EQ(Pops(), before + 2);
}

TEST_F(UpdateWindowTest, PopUpFromTheTrayDoesNotShiftTheSchedule) {
  Store("Interval", "3");
  Start();
  TickMinutes(2);
  updateWindow.PopUp();  // "Post Now"
  EXPECT_EQ(Pops(), 1);
  TickMinutes(1);
  EXPECT_EQ(Pops(), 2);
}

TEST_F(UpdateWindowTest, LeftAloneTheCountdownRunsFrom15AndHidesOnTheFifteenthTick) {
  Start();
  updateWindow.PopUp();
  EXPECT_EQ(countdownCaption.Caption(), u"Update (15)");
  EXPECT_EQ(statusBox.Text(), u"");
  EXPECT_TRUE(countdownTimer.Enabled());
  for (int second = 14; second >= 1; --second) {
    countdownTimer.Tick();
    EXPECT_TRUE(window.Visible());
    EXPECT_EQ(countdownCaption.Caption(), u"Update (" + DecimalText(second) + u")");
  }
  countdownTimer.Tick();
  EXPECT_FALSE(window.Visible());
  EXPECT_EQ(countdownCaption.Caption(), u"Update (0)");
  EXPECT_TRUE(countdownTimer.Enabled());  // Closing: the next tick stops it
  countdownTimer.Tick();
  EXPECT_FALSE(countdownTimer.Enabled());
  EXPECT_EQ(countdownCaption.Caption(), u"Update (0)");
  EXPECT_TRUE(socket.calls.empty());

  updateWindow.PopUp();  // the count restarts at 15
  countdownTimer.Tick();
  EXPECT_EQ(countdownCaption.Caption(), u"Update (14)");
}

TEST_F(UpdateWindowTest, TypingStopsTheCountdownForGood) {
  Start();
  updateWindow.PopUp();
  countdownTimer.Tick();
  statusBox.TypeChar(u'a');
  EXPECT_EQ(countdownCaption.Caption(), u"Update");
  EXPECT_EQ(charsLeft.Caption(), u"139");
  EXPECT_FALSE(countdownTimer.Enabled());
  statusBox.Backspace();
  EXPECT_EQ(charsLeft.Caption(), u"140");
  EXPECT_FALSE(countdownTimer.Enabled());  // emptying the box does not restart it
  EXPECT_EQ(countdownCaption.Caption(), u"Update");
  EXPECT_TRUE(window.Visible());
}

TEST_F(UpdateWindowTest, TheBoxTakes140CharactersAndThenShowsZeroLeft) {
  Start();
  updateWindow.PopUp();
  statusBox.Type(std::u16string(140, u'x'));
  EXPECT_EQ(charsLeft.Caption(), u"0");
  EXPECT_FALSE(statusBox.TypeChar(u'y'));
  EXPECT_EQ(statusBox.Text().size(), 140u);
}

TEST_F(UpdateWindowTest, EnterPostsWhenThereIsTextAndHidesEitherWay) {
  Start();
  updateWindow.PopUp();
  clock.nowMs += 1000;
  statusBox.TypeChar(u'\r');
  EXPECT_FALSE(window.Visible());
  EXPECT_TRUE(socket.calls.empty());  // an empty box sends nothing

  updateWindow.PopUp();
  clock.nowMs += 1000;
  statusBox.Type(u"hello");
  statusBox.TypeChar(u'\r');
  EXPECT_FALSE(window.Visible());
  EXPECT_EQ(statusBox.Text(), u"hello");  // the key was discarded, the text stays
  EXPECT_EQ(socket.calls, (std::vector<std::string>{"Close", "Connect status.example.net:8080"}));

  updateWindow.PopUp();
  clock.nowMs += 1000;
  statusBox.Type(u"   ");  // blanks only is not empty
  sendButton.Click();
  EXPECT_FALSE(window.Visible());
  EXPECT_EQ(socket.calls.size(), 2u);  // the second line waits in the outbox until the first is done
  EXPECT_EQ(program.outbox().Waiting(), 2);
}

TEST_F(UpdateWindowTest, EnterOrAClickInTheFirstSecondKeepsTheLineAndStopsTheCountdown) {
  Start();
  struct Case {
    std::uint64_t msAfterPopUp;
    bool click;           // the send button, else Enter
    std::u16string line;  // keys meant for another window land in the box
    bool posts;
  } cases[] = {{0, false, u"pass", false}, {999, false, u"pass", false}, {999, true, u"pass", false},
               {0, true, u"", false},      {1000, false, u"pass", true}, {1000, true, u"pass", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.msAfterPopUp) + (c.click ? " ms, click" : " ms, Enter"));
    int waiting = program.outbox().Waiting();
    updateWindow.PopUp();
    statusBox.Type(c.line);
    clock.nowMs += c.msAfterPopUp;
    if (c.click) {
      sendButton.Click();
    } else {
      statusBox.TypeChar(u'\r');
    }
    EXPECT_EQ(program.outbox().Waiting() > waiting, c.posts);
    EXPECT_EQ(window.Visible(), !c.posts);
    EXPECT_EQ(statusBox.Text(), c.line) << "the Enter itself never lands in the box";
    if (!c.posts) {
      EXPECT_FALSE(countdownTimer.Enabled());
      EXPECT_EQ(countdownCaption.Caption(), u"Update");
    }
  }
}

TEST_F(UpdateWindowTest, EscAndTheCloseMarkHideWithoutSendingAndKeepTheText) {
  Start();
  updateWindow.PopUp();
  statusBox.Type(u"draft");
  statusBox.TypeChar(u'\x1b');
  EXPECT_FALSE(window.Visible());
  EXPECT_EQ(statusBox.Text(), u"draft");

  updateWindow.PopUp();
  EXPECT_EQ(statusBox.Text(), u"");  // until the next pop-up
  closeMark.Click();
  EXPECT_FALSE(window.Visible());
  EXPECT_TRUE(socket.calls.empty());

  // Closing while counting: the next tick finds the window hidden and stops the countdown.
  updateWindow.PopUp();
  closeMark.Click();
  EXPECT_TRUE(countdownTimer.Enabled());
  countdownTimer.Tick();
  EXPECT_FALSE(countdownTimer.Enabled());
}

TEST_F(UpdateWindowTest, APopUpThatGoesAwayWithoutALineIsAJournalRowWhenTheJournalIsKept) {
  Start();
  const std::int64_t asked = clock.nowMs;  // 2026-11-30 01:53:20 here
  auto runOut = [&] {
    for (int i = 0; i < 15; ++i) {
      clock.nowMs += 1000;
      countdownTimer.Tick();
    }
  };
  struct Case {
    const char* name;
    const char* journal;
    Callback<void()> leave;
    std::string gone;  // when the row says it went; empty: no row
  } cases[] = {
      {"the countdown runs out", "1", runOut, "01:53:35"},
      {"the countdown runs out, no journal kept", "0", runOut, ""},
      {"Esc over a draft", "1",
       [&] {
         statusBox.Type(u"draft");
         clock.nowMs += 3000;
         statusBox.TypeChar(u'\x1b');
       },
       "01:53:23"},
      {"Enter in an empty box", "1",
       [&] {
         clock.nowMs += 2000;
         statusBox.TypeChar(u'\r');
       },
       "01:53:22"},
      // Typing stopped the countdown: the pop-up stays up, and the next one goes on with it.
      {"emptied, popped up again, then closed", "1",
       [&] {
         statusBox.TypeChar(u'x');
         statusBox.Backspace();
         clock.nowMs += 60'000;
         updateWindow.PopUp();
         clock.nowMs += 1000;
         closeMark.Click();
       },
       "01:54:21"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    files.files.clear();
    clock.nowMs = asked;
    Store("Journal", c.journal);
    updateWindow.PopUp();
    c.leave();
    EXPECT_FALSE(window.Visible());
    if (c.gone.empty()) {
      EXPECT_FALSE(files.files.contains("journal.csv"));
    } else {
      EXPECT_EQ(files.files["journal.csv"], "\xEF\xBB\xBFTime,Line,Outcome,Asked,Accounts\r\n2026-11-30 " + c.gone +
                                                ",,not answered,2026-11-30 01:53:20,\r\n");
    }
  }
}

TEST_F(UpdateWindowTest, ShowMeWhileTypingDiscardsTheTextAndRestartsTheCountdown) {
  Start();
  updateWindow.PopUp();
  statusBox.Type(u"half a thought");
  updateWindow.PopUp();
  EXPECT_EQ(statusBox.Text(), u"");
  EXPECT_EQ(charsLeft.Caption(), u"140");
  EXPECT_EQ(countdownCaption.Caption(), u"Update (15)");
  EXPECT_TRUE(countdownTimer.Enabled());
  EXPECT_TRUE(window.Visible());
}

TEST_F(UpdateWindowTest, ShowMeShowsThenProcessesPendingEventsThenTakesTheFocus) {
  Start();
  bool shownWhenEventsRan = false;
  app.Queue([&] { shownWhenEventsRan = window.Visible(); });
  app.Queue([&] { countdownTimer.Tick(); });  // a tick queued behind the pop-up
  updateWindow.PopUp();
  EXPECT_TRUE(shownWhenEventsRan);
  EXPECT_EQ(countdownCaption.Caption(), u"Update (14)");
  EXPECT_EQ(app.doEventsCount, 1);
  using Call = std::pair<std::string, platform::WindowHandle>;
  EXPECT_EQ(windowing.focusCalls, (std::vector<Call>{{"SetForegroundWindow", kHandle},
                                                     {"SetActiveWindow", kHandle},
                                                     {"SetForegroundWindow", kHandle},
                                                     {"SetActiveWindow", kHandle}}));
}

TEST_F(UpdateWindowTest, KeysAndClicksDeliveredInsideShowMeAct) {
  Start();
  // The user types and presses Esc before PopUp's focus calls.
  app.Queue([&] { statusBox.Type(u"quick"); });
  app.Queue([&] { statusBox.TypeChar(u'\x1b'); });
  updateWindow.PopUp();
  EXPECT_FALSE(window.Visible());
  EXPECT_EQ(countdownCaption.Caption(), u"Update");
  EXPECT_FALSE(countdownTimer.Enabled());
  EXPECT_EQ(windowing.focusCalls.size(), 4u);  // still made, as they come after the events

  // The tray asks for the window again while a pop-up is processing its events.
  app.Queue([&] { updateWindow.PopUp(); });
  updateWindow.PopUp();
  EXPECT_TRUE(window.Visible());
  EXPECT_EQ(Pops(), 3);
}

TEST_F(UpdateWindowTest, MinuteTickInsideShowMeNestsAPopUp) {
  Store("Interval", "1");
  Start();
  for (int i = 0; i < 59; ++i) minuteTimer.Tick();
  app.Queue([&] { minuteTimer.Tick(); });  // the minute boundary falls inside the tray's PopUp
  updateWindow.PopUp();
  EXPECT_EQ(Pops(), 2);
  EXPECT_EQ(app.doEventsCount, 2);
  EXPECT_EQ(countdownCaption.Caption(), u"Update (15)");
  TickMinutes(1);
  EXPECT_EQ(Pops(), 3);
}

}  // namespace
}  // namespace quillet::testing
