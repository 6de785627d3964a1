// When the scheduled pop-up may come: the decision as a table, the texts of the settings it reads,
// and the schedule, the tray's Pause menu and the hotkey in the program as it is wired.
#include <cstdio>
#include <optional>
#include <string>

#include "common/codepage.h"
#include "posting/pop_up_rules.h"
#include "settings/hotkey_text.h"
#include "tests/unit/update_window_fixture.h"

namespace quillet::testing {
namespace {

using platform::KeyCombination;
using platform::NotificationState;

TEST(PopUpRules, DecisionTable) {
  using enum PopUpDecision;
  auto at = [](int year, int month, int day, int hour, int minute) {
    return LocalTime{year, month, day, hour, minute};
  };
  const PopUpRules none;
  const PopUpRules night{.quietFrom = 22 * 60, .quietTo = 7 * 60};  // across midnight
  const PopUpRules lunch{.quietFrom = 12 * 60, .quietTo = 13 * 60 + 30};
  const PopUpRules dstNight{.quietFrom = 2 * 60, .quietTo = 2 * 60 + 45};  // holds a changed hour
  const PopUpRules busy{.respectBusy = true, .intervalMinutes = 40};
  const PopUpRules paused{.pausedUntil = at(2024, 3, 12, 14, 30)};
  const PopUpRules pausedOverMidnight{.pausedUntil = at(2025, 1, 1, 0, 0)};
  const PresenceSignals here;
  const PresenceSignals locked{.locked = true};
  const PresenceSignals presenting{.state = NotificationState::kPresentation};
  const PresenceSignals fullScreen{.state = NotificationState::kFullScreen};
  const PresenceSignals screenSaver{.state = NotificationState::kNotPresent};
  const PresenceSignals idle40{.idleMs = 40 * 60'000};
  const PresenceSignals idle41{.idleMs = 41 * 60'000};
  struct Case {
    const char* what;
    LocalTime now;
    const PopUpRules& rules;
    const PresenceSignals& signals;
    PopUpDecision expected;
  } cases[] = {
      {"no rules, locked: as always", at(2024, 3, 12, 3, 0), none, locked, kPopUp},
      {"night, 21:59", at(2024, 3, 12, 21, 59), night, here, kPopUp},
      {"night, 22:00", at(2024, 3, 12, 22, 0), night, here, kQuietHours},
      {"night, 00:00", at(2024, 3, 13, 0, 0), night, here, kQuietHours},
      {"night, 06:59", at(2024, 3, 13, 6, 59), night, here, kQuietHours},
      {"night, 07:00", at(2024, 3, 13, 7, 0), night, here, kPopUp},
      {"lunch, 12:00", at(2024, 3, 12, 12, 0), lunch, here, kQuietHours},
      {"lunch, 13:30", at(2024, 3, 12, 13, 30), lunch, here, kPopUp},
      {"lunch, 23:00", at(2024, 3, 12, 23, 0), lunch, here, kPopUp},
      {"clocks forward: 01:59 is followed by 03:00", at(2024, 3, 31, 3, 0), dstNight, here, kPopUp},
      {"clocks back: 02:30, either time", at(2024, 10, 27, 2, 30), dstNight, here, kQuietHours},
      {"night across the clock change", at(2024, 10, 27, 2, 30), night, here, kQuietHours},
      {"busy: nobody there", at(2024, 3, 12, 10, 0), busy, here, kPopUp},
      {"busy: locked", at(2024, 3, 12, 10, 0), busy, locked, kLocked},
      {"busy: screen saver", at(2024, 3, 12, 10, 0), busy, screenSaver, kLocked},
      {"busy: presenting", at(2024, 3, 12, 10, 0), busy, presenting, kPresenting},
      {"busy: full screen", at(2024, 3, 12, 10, 0), busy, fullScreen, kPresenting},
      {"busy: idle for the interval", at(2024, 3, 12, 10, 0), busy, idle40, kPopUp},
      {"busy: idle for longer", at(2024, 3, 12, 10, 0), busy, idle41, kAway},
      {"not busy: signals ignored", at(2024, 3, 12, 10, 0), none, idle41, kPopUp},
      {"paused, a minute before the end", at(2024, 3, 12, 14, 29), paused, here, kPaused},
      {"paused, at the end", at(2024, 3, 12, 14, 30), paused, here, kPopUp},
      {"paused, the day before, over a day ahead", at(2024, 3, 11, 14, 29), paused, here, kPopUp},
      {"paused, exactly a day ahead", at(2024, 3, 11, 14, 30), paused, here, kPaused},
      {"paused until the new year, 23:59", at(2024, 12, 31, 23, 59), pausedOverMidnight, here, kPaused},
      {"paused until the new year, 00:00", at(2025, 1, 1, 0, 0), pausedOverMidnight, here, kPopUp},
  };
  for (const Case& c : cases) EXPECT_EQ(DecideScheduledPopUp(c.now, c.rules, c.signals), c.expected) << c.what;
}

TEST(PopUpRules, TextsOfTheSettings) {
  struct ClockCase {
    std::u16string text;
    std::optional<int> minutes;
  } clocks[] = {{u"07:05", 425}, {u"7:05", 425}, {u"23:59", 1439}, {u"00:00", 0}, {u"24:00", {}},
                {u"7:5", {}},    {u"07:60", {}}, {u" 7:05", {}},   {u"", {}},     {u"0705", {}}};
  for (const auto& c : clocks) EXPECT_EQ(ParseClockTime(c.text), c.minutes) << Narrow(c.text);
  EXPECT_EQ(ClockTimeText(425), u"07:05");

  EXPECT_EQ(ParseLocalTime(u"2024-02-29 23:59"), (LocalTime{2024, 2, 29, 23, 59, 0}));
  for (const char16_t* bad : {u"2023-02-29 10:00", u"2024-13-01 10:00", u"2024-1-01 10:00", u"2024-01-01T10:00"})
    EXPECT_EQ(ParseLocalTime(bad), std::nullopt) << Narrow(bad);
  EXPECT_EQ(LocalMinuteText(AddMinutes({2024, 12, 31, 23, 30, 0}, 180)), u"2025-01-01 02:30");
  EXPECT_EQ(LocalMinuteText(PauseEnd({2024, 2, 28, 22, 15, 0}, PauseLength::kUntilTomorrow)), u"2024-02-29 00:00");

  struct HotkeyCase {
    std::u16string text;
    std::optional<KeyCombination> combination;
    std::u16string canonical;
  } hotkeys[] = {
      {u"Ctrl+Alt+Q", KeyCombination{platform::kModControl | platform::kModAlt, 'Q'}, u"Ctrl+Alt+Q"},
      {u"alt+ctrl+q", KeyCombination{platform::kModControl | platform::kModAlt, 'Q'}, u"Ctrl+Alt+Q"},
      {u"Win+Shift+F12", KeyCombination{platform::kModWin | platform::kModShift, 0x7B}, u"Shift+Win+F12"},
      {u"Ctrl+Num7", KeyCombination{platform::kModControl, 0x67}, u"Ctrl+Num7"},
      {u"Ctrl+Space", KeyCombination{platform::kModControl, 0x20}, u"Ctrl+Space"},
      {u"Ctrl+Alt+0xba", KeyCombination{platform::kModControl | platform::kModAlt, 0xBA}, u"Ctrl+Alt+0xBA"},
      {u"Ctrl+Ctrl+Q", {}, u""},
      {u"Ctrl+", {}, u""},
      {u"Ctrl+F25", {}, u""},
      {u"Hyper+Q", {}, u""},
      {u"", {}, u""},
  };
  for (const auto& c : hotkeys) {
    EXPECT_EQ(ParseHotkey(c.text), c.combination) << Narrow(c.text);
    if (c.combination) {
      EXPECT_EQ(HotkeyText(*c.combination), c.canonical);
    }
  }
  EXPECT_FALSE(UsableHotkey({platform::kModShift, 'Q'}));
  EXPECT_TRUE(UsableHotkey({platform::kModWin, 'Q'}));
}

// The program with its tray loaded, at 14:00 on a Tuesday.
class PopUpRulesProgram : public UpdateWindowTest {
 protected:
  void SetUp() override {
    clock.nowMs = (MinuteNumber({2024, 3, 12, 14, 0, 0}) - clock.offsetMinutes) * 60'000;
    Store("Interval", "2");
    Start();
  }
  std::optional<std::string> Stored(const std::string& name) {
    const auto* value = registry.Find(kAppKey, name);
    if (value == nullptr) return std::nullopt;
    return std::string(value->data.begin(), value->data.end());
  }
  // Minutes pass on both clocks.
  void Minutes(int count) {
    for (int i = 0; i < count; ++i) {
      clock.nowMs += 60'000;
      TickMinutes(1);
    }
  }
  std::string Tip() const { return shell.notifyCalls.back().data.tip; }
  void ChooseFromMenu(std::u16string_view caption) {
    menu->whileOpen = [caption](platform::fake::FakePopupMenu& open) { open.Choose(caption); };
    trayForm->IconMessage(0x204);
  }
  bool PauseTicked() { return menu->Find(u"Pa&use")->checked; }
  // Seconds until the window comes up (at most `limit`); -1 when it does not.
  int SecondsUntilShown(int limit) {
    for (int second = 1; second <= limit; ++second) {
      int before = Pops();
      Seconds(1);
      if (Pops() != before) return second;
    }
    return -1;
  }
};

TEST_F(PopUpRulesProgram, WithoutTheNewSettingsThePopUpComesAsAlwaysAndNoSignalIsRead) {
  auto notifications = shell.notifyCalls.size();
  presence.locked = true;
  Minutes(2);
  EXPECT_EQ(Pops(), 1);
  EXPECT_EQ(presence.reads, 0);
  EXPECT_EQ(shell.notifyCalls.size(), notifications) << "the tip is never touched";
  for (const char* name : {"QuietFrom", "QuietTo", "RespectBusy", "PausedUntil", "Hotkey"})
    EXPECT_EQ(Stored(name), std::nullopt) << name;
  EXPECT_FALSE(trayForm->hotkey.has_value());
}

TEST_F(PopUpRulesProgram, SkippedPopUpsKeepTheScheduleAndTheUserCanStillPopUp) {
  Store("QuietFrom", "14:00");
  Store("QuietTo", "14:03");
  Minutes(2);  // 14:02, in the quiet hours: skipped
  EXPECT_EQ(Pops(), 0);
  menu->whileOpen = [](platform::fake::FakePopupMenu& open) { open.Choose(u"&Post Now"); };
  trayForm->IconMessage(0x204);
  trayForm->IconMessage(0x203);
  trayForm->ActivateRequest();
  EXPECT_EQ(Pops(), 3) << "Post Now, the double click and a second start always pop up";
  Minutes(1);
  EXPECT_EQ(Pops(), 3) << "not retried at the next minute";
  Minutes(1);  // 14:04, two minutes after the skipped one
  EXPECT_EQ(Pops(), 4);

  Store("RespectBusy", "1");
  presence.state = NotificationState::kPresentation;
  Minutes(2);
  EXPECT_EQ(Pops(), 4);
  presence.state = NotificationState::kAcceptsNotifications;
  Minutes(2);
  EXPECT_EQ(Pops(), 5);
}

TEST_F(PopUpRulesProgram, APopUpDueDuringAShowWaitsForItsEndAndComesOnceWithinFiveSeconds) {
  struct Case {
    const char* name;
    NotificationState state;
    bool showInFront;
    const char* setting;  // HoldWhileFullScreen; empty reads as absent
    bool held;
  } cases[] = {
      {"a window in front fills the monitor", NotificationState::kAcceptsNotifications, true, "", true},
      {"a full-screen program, or busy", NotificationState::kFullScreen, false, "", true},
      {"presentation mode", NotificationState::kPresentation, false, "1", true},
      {"the quiet time after a first sign-in", NotificationState::kQuietTime, false, "", true},
      {"nothing fills the screen", NotificationState::kAcceptsNotifications, false, "", false},
      {"the screen saver is not a show", NotificationState::kNotPresent, false, "", false},
      {"the person wants pop-ups over a show", NotificationState::kFullScreen, true, "0", false},
  };
  Store("Journal", "1");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Store("HoldWhileFullScreen", c.setting);
    files.files.clear();
    int pops = Pops();
    presence.state = c.state;
    presence.showInFront = c.showInFront;
    Minutes(2);
    EXPECT_EQ(Pops(), pops + (c.held ? 0 : 1));
    closeMark.Click();
    if (!c.held) continue;
    EXPECT_EQ(presence.showAskedFor, kHandle) << "asked about the monitor the pop-up comes up on";
    Minutes(5);
    EXPECT_EQ(Pops(), pops) << "none over the show, however many fall due";
    EXPECT_FALSE(files.files.contains("journal.csv")) << "a pop-up held back is no unanswered row";
    presence.state = NotificationState::kAcceptsNotifications;
    presence.showInFront = false;
    const std::int64_t ended = clock.nowMs;
    int waited = SecondsUntilShown(5);
    EXPECT_GE(waited, 0) << "within 5 s after the show";
    EXPECT_EQ(Pops(), pops + 1) << "once";
    const std::int64_t shown = clock.nowMs;
    EXPECT_LE(shown - ended, 5000);
    closeMark.Click();
    platform::LocalTime asked = clock.Local(shown);
    char row[48];
    std::snprintf(row, sizeof row, ",not answered,%04d-%02d-%02d %02d:%02d:%02d,", asked.year, asked.month, asked.day,
                  asked.hour, asked.minute, asked.second);
    EXPECT_NE(files.files["journal.csv"].find(row), std::string::npos) << "asked when it came up: " << row;
    // The schedule goes on from then: the next one an interval (2 minutes) later, not before.
    EXPECT_EQ(SecondsUntilShown(119), -1);
    EXPECT_EQ(SecondsUntilShown(1), 1);
    closeMark.Click();
  }
}

TEST_F(PopUpRulesProgram, TheDoubleClickAndTheHotkeyBringItUpAtOnceDuringAShowAndTheHeldOneIsThatOne) {
  presence.showInFront = true;
  Minutes(2);
  EXPECT_EQ(Pops(), 0);
  trayForm->IconMessage(0x203);  // the double click
  EXPECT_EQ(Pops(), 1);
  closeMark.Click();
  presence.showInFront = false;
  EXPECT_EQ(SecondsUntilShown(60), -1) << "the one held was brought up by the person";
  presence.showInFront = true;
  Minutes(1);  // the next falls due, and waits
  EXPECT_EQ(Pops(), 1);
  trayForm->PressHotkey();
  EXPECT_EQ(Pops(), 2);
  closeMark.Click();
  presence.showInFront = false;
  EXPECT_EQ(SecondsUntilShown(60), -1);

  presence.showInFront = true;  // a pause begun while one waits: it does not come when the show ends
  Minutes(2);
  ChooseFromMenu(u"For &1 hour");
  presence.showInFront = false;
  EXPECT_EQ(SecondsUntilShown(60), -1);
}

TEST_F(PopUpRulesProgram, PauseFromTheMenuTicksShowsItsEndInTheTipAndEndsByItself) {
  ChooseFromMenu(u"For &1 hour");
  EXPECT_EQ(Stored("PausedUntil"), "2024-03-12 15:00");
  EXPECT_EQ(Tip(), "Quillet: paused until 15:00");
  EXPECT_TRUE(PauseTicked());
  program.trayWindow()->ShowWaiting(2);  // the outbox's count shares the tip
  EXPECT_EQ(Tip(), "Quillet: paused until 15:00; 2 lines waiting");
  program.trayWindow()->ShowWaiting(0);
  Minutes(59);  // 14:59
  EXPECT_EQ(Pops(), 0);
  EXPECT_EQ(Tip(), "Quillet: paused until 15:00");
  Minutes(1);  // 15:00: over, and the schedule's due pop-up comes
  EXPECT_EQ(Pops(), 1);
  EXPECT_EQ(Stored("PausedUntil"), std::nullopt);
  EXPECT_EQ(Tip(), "Quillet");
  EXPECT_FALSE(PauseTicked());

  ChooseFromMenu(u"Until &tomorrow");
  EXPECT_EQ(Tip(), "Quillet: paused until tomorrow");
  ChooseFromMenu(u"For &3 hours");
  EXPECT_EQ(Tip(), "Quillet: paused until 18:00");
  ChooseFromMenu(u"&Resume");
  EXPECT_EQ(Stored("PausedUntil"), std::nullopt);
  EXPECT_EQ(Tip(), "Quillet");

  // A stored end that cannot be the menu's (the clock was put back by days) ends at once.
  Store("PausedUntil", "2024-03-20 09:00");
  trayForm->IconMessage(0x204);
  EXPECT_EQ(Stored("PausedUntil"), std::nullopt);
  EXPECT_FALSE(PauseTicked());
}

TEST_F(PopUpRulesProgram, TheHotkeyPopsUpAndATakenOneIsReportedInTheOptions) {
  const KeyCombination ctrlAltQ{platform::kModControl | platform::kModAlt, 'Q'};
  const KeyCombination ctrlAltP{platform::kModControl | platform::kModAlt, 'P'};
  trayForm->heldElsewhere = ctrlAltQ;
  whileOptions = [&](FakeOptionsView& view) {
    EXPECT_EQ(view.popUpMessage.Caption(), u"");
    view.hotkey.value = ctrlAltQ;
    view.ok.Click();
    EXPECT_FALSE(view.window.unloaded) << "stays open";
    EXPECT_EQ(view.popUpMessage.Caption(), u"Ctrl+Alt+Q is in use by another program: choose another combination.");
    EXPECT_EQ(view.focused, "Hotkey");
    view.hotkey.value = ctrlAltP;
    view.ok.Click();
    EXPECT_TRUE(view.window.unloaded);
  };
  menu->Choose(u"&Options...");
  EXPECT_EQ(Stored("Hotkey"), "Ctrl+Alt+P");
  EXPECT_EQ(trayForm->hotkey, ctrlAltP);
  trayForm->PressHotkey();
  EXPECT_EQ(Pops(), 1);

  // Stored but held by another program since the start: said when the dialog opens.
  program.trayWindow()->TakeHotkey(std::nullopt);
  Store("Hotkey", "Ctrl+Alt+Q");
  EXPECT_FALSE(program.trayWindow()->TakeHotkey(ctrlAltQ));
  whileOptions = [&](FakeOptionsView& view) {
    EXPECT_EQ(view.hotkey.value, ctrlAltQ);
    EXPECT_NE(view.popUpMessage.Caption().find(u"in use"), std::u16string::npos);
    view.hotkey.value = {};
    view.ok.Click();
  };
  menu->Choose(u"&Options...");
  EXPECT_EQ(Stored("Hotkey"), std::nullopt);
}

}  // namespace
}  // namespace quillet::testing
