// The update window on the fake platform: start-up, the minute schedule, the countdown, typing,
// keys and clicks, in the order Windows delivers them.
#include "tests/unit/form1_fixture.h"

#include "common/convert.h"
#include "common/failure.h"

namespace quillet::testing {
namespace {

using platform::fake::FakeSocket;

TEST_F(Form1Test, StartUpWithAUserNameHidesAndLoadsTheTrayWindow) {
  app.title = u"Quillet";
  settings.SetAppTitle(u"");
  Start();
  EXPECT_EQ(settings.AppTitle(), u"Quillet");
  EXPECT_EQ(app.title, u"");  // from here on only the settings store holds the name
  EXPECT_EQ(Shape1.Top(), 0);
  EXPECT_FALSE(window.Visible());
  EXPECT_EQ(partners.settingsShown, 0);
  EXPECT_EQ(partners.trayLoaded, 1);
  EXPECT_TRUE(Timer1.Enabled());
  EXPECT_FALSE(Timer2.Enabled());
}

TEST_F(Form1Test, FirstRunShowsTheSettingsOwnedByTheWindowAndGoesOnOnceANameIsStored) {
  partners.whileSettings = [&] { Store("Username", "bob"); };
  form.Form_Load();
  EXPECT_EQ(partners.settingsShown, 1);
  EXPECT_EQ(partners.settingsOwner, kHandle);
  EXPECT_EQ(partners.trayLoaded, 1);
  EXPECT_FALSE(app.ended);
}

TEST_F(Form1Test, FirstRunClosedWithoutANameEndsBeforeTheTrayWindow) {
  Store("Username", "");  // empty counts as missing
  EXPECT_THROW(form.Form_Load(), ProgramEnded);
  EXPECT_TRUE(app.ended);
  EXPECT_EQ(partners.settingsShown, 1);
  EXPECT_EQ(partners.trayLoaded, 0);
  EXPECT_EQ(Shape1.Top(), 24);
}

TEST_F(Form1Test, DefaultIntervalPopsUpAfterExactly2400Ticks) {
  Start();
  for (int i = 0; i < 2399; ++i) Timer1.Tick();
  EXPECT_EQ(Pops(), 0);
  Timer1.Tick();
  EXPECT_EQ(Pops(), 1);
  EXPECT_TRUE(window.Visible());
  for (int i = 0; i < 2400; ++i) Timer1.Tick();
  EXPECT_EQ(Pops(), 2);
}

TEST_F(Form1Test, IntervalIsReadAtEveryMinuteBoundary) {
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

TEST_F(Form1Test, IntervalThatDoesNotConvertOrIsNotPositivePopsUpEveryMinute) {
  Start();
  for (const char* interval : {"abc", "40000", "0", "-3", "1e2"}) {
    Store("Interval", interval);
    int before = Pops();
    TickMinutes(2);
    EXPECT_EQ(Pops(), before + 2) << interval;
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

TEST_F(Form1Test, PopUpFromTheTrayDoesNotShiftTheSchedule) {
  Store("Interval", "3");
  Start();
  TickMinutes(2);
  form.ShowMe();  // "Post Now"
  EXPECT_EQ(Pops(), 1);
  TickMinutes(1);
  EXPECT_EQ(Pops(), 2);
}

TEST_F(Form1Test, LeftAloneTheCountdownRunsFrom15AndHidesOnTheFifteenthTick) {
  Start();
  form.ShowMe();
  EXPECT_EQ(Label2.Caption(), u"Update (15)");
  EXPECT_EQ(Text1.Text(), u"");
  EXPECT_TRUE(Timer2.Enabled());
  for (int second = 14; second >= 1; --second) {
    Timer2.Tick();
    EXPECT_TRUE(window.Visible());
    EXPECT_EQ(Label2.Caption(), u"Update (" + DecimalText(second) + u")");
  }
  Timer2.Tick();
  EXPECT_FALSE(window.Visible());
  EXPECT_EQ(Label2.Caption(), u"Update (0)");
  EXPECT_TRUE(Timer2.Enabled());  // Closing: the next tick stops it
  Timer2.Tick();
  EXPECT_FALSE(Timer2.Enabled());
  EXPECT_EQ(Label2.Caption(), u"Update (0)");
  EXPECT_TRUE(Winsock1.calls.empty());

  form.ShowMe();  // the count restarts at 15
  Timer2.Tick();
  EXPECT_EQ(Label2.Caption(), u"Update (14)");
}

TEST_F(Form1Test, TypingStopsTheCountdownForGood) {
  Start();
  form.ShowMe();
  Timer2.Tick();
  Text1.TypeChar(u'a');
  EXPECT_EQ(Label2.Caption(), u"Update");
  EXPECT_EQ(Label3.Caption(), u"139");
  EXPECT_FALSE(Timer2.Enabled());
  Text1.Backspace();
  EXPECT_EQ(Label3.Caption(), u"140");
  EXPECT_FALSE(Timer2.Enabled());  // emptying the box does not restart it
  EXPECT_EQ(Label2.Caption(), u"Update");
  EXPECT_TRUE(window.Visible());
}

TEST_F(Form1Test, TheBoxTakes140CharactersAndThenShowsZeroLeft) {
  Start();
  form.ShowMe();
  Text1.Type(std::u16string(140, u'x'));
  EXPECT_EQ(Label3.Caption(), u"0");
  EXPECT_FALSE(Text1.TypeChar(u'y'));
  EXPECT_EQ(Text1.Text().size(), 140u);
}

TEST_F(Form1Test, EnterPostsWhenThereIsTextAndHidesEitherWay) {
  Start();
  form.ShowMe();
  Text1.TypeChar(u'\r');
  EXPECT_FALSE(window.Visible());
  EXPECT_TRUE(Winsock1.calls.empty());  // an empty box sends nothing

  form.ShowMe();
  Text1.Type(u"hello");
  Text1.TypeChar(u'\r');
  EXPECT_FALSE(window.Visible());
  EXPECT_EQ(Text1.Text(), u"hello");  // the key was discarded, the text stays
  EXPECT_EQ(Winsock1.calls, (std::vector<std::string>{"Close", "Connect status.example.net:8080"}));

  form.ShowMe();
  Text1.Type(u"   ");  // blanks only is not empty
  Label1.Click();
  EXPECT_FALSE(window.Visible());
  EXPECT_EQ(Winsock1.calls.size(), 4u);
}

TEST_F(Form1Test, EscAndTheCloseMarkHideWithoutSendingAndKeepTheText) {
  Start();
  form.ShowMe();
  Text1.Type(u"draft");
  Text1.TypeChar(u'\x1b');
  EXPECT_FALSE(window.Visible());
  EXPECT_EQ(Text1.Text(), u"draft");

  form.ShowMe();
  EXPECT_EQ(Text1.Text(), u"");  // until the next pop-up
  Image1.Click();
  EXPECT_FALSE(window.Visible());
  EXPECT_TRUE(Winsock1.calls.empty());

  // Closing while counting: the next tick finds the window hidden and stops the countdown.
  form.ShowMe();
  Image1.Click();
  EXPECT_TRUE(Timer2.Enabled());
  Timer2.Tick();
  EXPECT_FALSE(Timer2.Enabled());
}

TEST_F(Form1Test, ShowMeWhileTypingDiscardsTheTextAndRestartsTheCountdown) {
  Start();
  form.ShowMe();
  Text1.Type(u"half a thought");
  form.ShowMe();
  EXPECT_EQ(Text1.Text(), u"");
  EXPECT_EQ(Label3.Caption(), u"140");
  EXPECT_EQ(Label2.Caption(), u"Update (15)");
  EXPECT_TRUE(Timer2.Enabled());
  EXPECT_TRUE(window.Visible());
}

TEST_F(Form1Test, ShowMeShowsThenProcessesPendingEventsThenTakesTheFocus) {
  Start();
  bool shownWhenEventsRan = false;
  app.Queue([&] { shownWhenEventsRan = window.Visible(); });
  app.Queue([&] { Timer2.Tick(); });  // a tick queued behind the pop-up
  form.ShowMe();
  EXPECT_TRUE(shownWhenEventsRan);
  EXPECT_EQ(Label2.Caption(), u"Update (14)");
  EXPECT_EQ(app.doEventsCount, 1);
  using Call = std::pair<std::string, platform::WindowHandle>;
  EXPECT_EQ(windowing.focusCalls,
            (std::vector<Call>{{"SetForegroundWindow", kHandle}, {"SetActiveWindow", kHandle},
                               {"SetForegroundWindow", kHandle}, {"SetActiveWindow", kHandle}}));
}

TEST_F(Form1Test, KeysAndClicksDeliveredInsideShowMeAct) {
  Start();
  // The user types and presses Esc before ShowMe's focus calls.
  app.Queue([&] { Text1.Type(u"quick"); });
  app.Queue([&] { Text1.TypeChar(u'\x1b'); });
  form.ShowMe();
  EXPECT_FALSE(window.Visible());
  EXPECT_EQ(Label2.Caption(), u"Update");
  EXPECT_FALSE(Timer2.Enabled());
  EXPECT_EQ(windowing.focusCalls.size(), 4u);  // still made, as they come after the events

  // The tray asks for the window again while a pop-up is processing its events.
  app.Queue([&] { form.ShowMe(); });
  form.ShowMe();
  EXPECT_TRUE(window.Visible());
  EXPECT_EQ(Pops(), 3);
}

TEST_F(Form1Test, MinuteTickInsideShowMeNestsAPopUp) {
  Store("Interval", "1");
  Start();
  for (int i = 0; i < 59; ++i) Timer1.Tick();
  app.Queue([&] { Timer1.Tick(); });  // the minute boundary falls inside the tray's ShowMe
  form.ShowMe();
  EXPECT_EQ(Pops(), 2);
  EXPECT_EQ(app.doEventsCount, 2);
  EXPECT_EQ(Label2.Caption(), u"Update (15)");
  TickMinutes(1);
  EXPECT_EQ(Pops(), 3);
}

}  // namespace
}  // namespace quillet::testing
