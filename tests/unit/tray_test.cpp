// The tray presence on the fake platform: the notification record byte by byte, the taskbar
// lookup in twips, and the tray window's menu, notifications, parking and unloading.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/failure.h"
#include "platform/fake/fake_files.h"
#include "platform/fake/fake_presence.h"
#include "platform/fake/fake_registry.h"
#include "platform/fake/fake_services.h"
#include "platform/fake/fake_tray.h"
#include "platform/fake/fake_ui.h"
#include "tray/tray_icon.h"
#include "tray/tray_window.h"
#include "tray/notification_area.h"

namespace quillet {
namespace {

using platform::NotifyIconRecord;
using platform::fake::FakeApplication;
using platform::fake::FakePopupMenu;
using platform::fake::FakeShell;
using platform::fake::FakeTrayForm;
using platform::fake::FakeWindow;
using platform::fake::FakeWindowing;

std::vector<unsigned char> Bytes(const NotifyIconRecord& record) {
  std::vector<unsigned char> bytes(sizeof record);
  std::memcpy(bytes.data(), &record, sizeof record);
  return bytes;
}

std::uint32_t Word32(const std::vector<unsigned char>& bytes, std::size_t offset) {
  return static_cast<std::uint32_t>(bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
                                    bytes[offset + 3] << 24);
}

std::string TipField(const std::vector<unsigned char>& bytes) { return std::string(bytes.begin() + 24, bytes.end()); }

std::string ExpectedTip(const std::string& text) {
  std::string field = text + '\0';
  field.resize(64, ' ');
  return field;
}

// An owner window whose handle can fail to be read.
class BrokenWindow : public FakeWindow {
 public:
  using FakeWindow::FakeWindow;
  platform::WindowHandle Handle() const override { throw Failure("no handle"); }
};

TEST(TrayIcon, AddSendsTheAddRecordByteForByte) {
  FakeShell shell;
  FakeWindow owner(0x00120034, 0x00560078);
  owner.SetCaption(u"Quillet");
  TrayIcon tray(shell);
  EXPECT_FALSE(tray.Added());
  tray.Add(owner);
  ASSERT_EQ(shell.notifyCalls.size(), 1u);
  EXPECT_EQ(shell.notifyCalls[0].message, 0u);  // NIM_ADD
  auto bytes = Bytes(shell.notifyCalls[0].data);
  ASSERT_EQ(bytes.size(), 88u);
  EXPECT_EQ(Word32(bytes, 0), 88u);
  EXPECT_EQ(Word32(bytes, 4), 0x00120034u);
  EXPECT_EQ(Word32(bytes, 8), 1u);
  EXPECT_EQ(Word32(bytes, 12), 7u);
  EXPECT_EQ(Word32(bytes, 16), 0x200u);
  EXPECT_EQ(Word32(bytes, 20), 0x00560078u);
  EXPECT_EQ(bytes[4], 0x34) << "little-endian";
  EXPECT_EQ(TipField(bytes), ExpectedTip("Quillet"));
  EXPECT_TRUE(tray.Added());
}

TEST(TrayIcon, TipFieldLimitsAndCodePage) {
  FakeShell shell;
  FakeWindow owner(1, 2);
  TrayIcon tray(shell);

  owner.SetCaption(std::u16string(63, u'x'));
  tray.Add(owner);
  EXPECT_EQ(TipField(Bytes(shell.notifyCalls.back().data)), std::string(63, 'x') + '\0');

  owner.SetCaption(u"");
  tray.Add(owner);
  EXPECT_EQ(TipField(Bytes(shell.notifyCalls.back().data)), ExpectedTip(""));

  owner.SetCaption(std::u16string(64, u'y') + u"zzz");  // too long: cut, still ends in a NUL
  tray.Add(owner);
  EXPECT_EQ(TipField(Bytes(shell.notifyCalls.back().data)), std::string(63, 'y') + '\0');

  owner.SetCaption(u"Caf\u00e9 \u20ac");  // one byte each in the 8-bit code page
  tray.Add(owner);
  EXPECT_EQ(TipField(Bytes(shell.notifyCalls.back().data)), ExpectedTip("Caf\xE9 \x80"));
}

TEST(TrayIcon, RemoveDeletesAndShowsAHiddenOwner) {
  FakeShell shell;
  FakeWindow owner(0x10, 0x20);
  owner.SetCaption(u"Quillet");
  TrayIcon tray(shell);
  tray.Add(owner);
  tray.Remove(owner);
  ASSERT_EQ(shell.notifyCalls.size(), 2u);
  EXPECT_EQ(shell.notifyCalls[1].message, 2u);  // NIM_DELETE
  auto bytes = Bytes(shell.notifyCalls[1].data);
  EXPECT_EQ(Word32(bytes, 0), 88u);
  EXPECT_EQ(Word32(bytes, 4), 0x10u);
  EXPECT_EQ(Word32(bytes, 8), 1u);
  EXPECT_EQ(Word32(bytes, 12), 7u);
  EXPECT_EQ(Word32(bytes, 16), 1u);
  EXPECT_EQ(Word32(bytes, 20), 0x20u);
  EXPECT_EQ(TipField(bytes), ExpectedTip(""));
  EXPECT_TRUE(owner.Visible());
  EXPECT_FALSE(tray.Added());

  // Not in the tray: the delete goes out anyway; a visible owner is not shown again.
  tray.Remove(owner);
  EXPECT_EQ(shell.notifyCalls.size(), 3u);
  EXPECT_EQ(owner.showCount, 1);
}

TEST(TrayIcon, ChangesOnlyWhileInTheTrayAndKeepTheOtherFields) {
  FakeShell shell;
  FakeWindow owner(0x10, 0x20);
  owner.SetCaption(u"Quillet");
  TrayIcon tray(shell);
  tray.SetIcon(owner);
  tray.SetTip(owner, u"new");
  EXPECT_TRUE(shell.notifyCalls.empty()) << "before Add nothing is sent";

  tray.Add(owner);
  tray.SetTip(owner, u"Tip two");
  FakeWindow sameWindowNewIcon(0x10, 0x99);
  tray.SetIcon(sameWindowNewIcon);
  ASSERT_EQ(shell.notifyCalls.size(), 3u);
  EXPECT_EQ(shell.notifyCalls[1].message, 1u);  // NIM_MODIFY
  auto bytes = Bytes(shell.notifyCalls[2].data);
  EXPECT_EQ(shell.notifyCalls[2].message, 1u);
  EXPECT_EQ(Word32(bytes, 8), 1u);
  EXPECT_EQ(Word32(bytes, 12), 7u);
  EXPECT_EQ(Word32(bytes, 16), 0x200u);
  EXPECT_EQ(Word32(bytes, 20), 0x99u);
  EXPECT_EQ(TipField(bytes), ExpectedTip("Tip two")) << "the new tip goes out again with the new icon";

  tray.Remove(owner);
  tray.SetIcon(owner);
  tray.SetTip(owner, u"x");
  EXPECT_EQ(shell.notifyCalls.size(), 4u) << "after Remove nothing is sent";
}

TEST(TrayIcon, TipAndBalloonGoInUnicodeCutBetweenCharacters) {
  FakeShell shell;
  FakeWindow owner(1, 2);
  TrayIcon tray(shell);
  tray.Add(owner);
  const std::u16string emoji = u"\U0001F600";  // two UTF-16 units
  struct Case {
    std::u16string text, tipSent, titleSent;
  };
  const Case cases[] = {
      {u"Gr\u00fc\u00dfe " + emoji, u"Gr\u00fc\u00dfe " + emoji, u"Gr\u00fc\u00dfe " + emoji},
      {std::u16string(126, u'x') + emoji, std::u16string(126, u'x'), std::u16string(63, u'x')},
      {std::u16string(125, u'x') + emoji, std::u16string(125, u'x') + emoji, std::u16string(63, u'x')},
      {std::u16string(62, u'y') + emoji + u"z", std::u16string(62, u'y') + emoji + u"z", std::u16string(62, u'y')},
      {std::u16string(61, u'y') + emoji, std::u16string(61, u'y') + emoji, std::u16string(61, u'y') + emoji},
  };
  for (const Case& c : cases) {
    tray.SetTip(owner, c.text);
    EXPECT_EQ(shell.notifyCalls.back().message, platform::kNimModify);
    EXPECT_EQ(shell.notifyCalls.back().wideTip, c.tipSent);
    tray.ShowBalloon(owner, c.text, c.text + c.text);
    EXPECT_EQ(shell.balloons.back().second.wideTitle, c.titleSent);
    EXPECT_EQ(shell.balloons.back().second.wideText.substr(0, c.text.size()), c.text);
  }
  std::u16string longText = std::u16string(254, u'z') + emoji;
  tray.ShowBalloon(owner, u"t", longText);
  EXPECT_EQ(shell.balloons.back().second.wideText, std::u16string(254, u'z')) << "no half of a pair at the end";
  tray.ShowBalloon(owner, u"t", longText.substr(1));
  EXPECT_EQ(shell.balloons.back().second.wideText, longText.substr(1));

  // The icon's change sends the tip as it was written, not as the code page has it.
  tray.SetTip(owner, u"\u00fc " + emoji);
  tray.SetIcon(owner);
  EXPECT_EQ(shell.notifyCalls.back().wideTip, u"\u00fc " + emoji);
  EXPECT_EQ(std::string(shell.notifyCalls.back().data.tip), "\xFC ??");
}

TEST(TrayIcon, StateFollowsTheCallsNotTheShell) {
  FakeShell shell;
  shell.notifyResult = false;  // no taskbar
  FakeWindow owner(1, 2);
  TrayIcon tray(shell);
  tray.Add(owner);
  EXPECT_TRUE(tray.Added());
  tray.Add(owner);
  EXPECT_EQ(shell.notifyCalls[1].message, 0u) << "a second add for the same icon";
  tray.SetAdded(false);
  tray.SetIcon(owner);
  EXPECT_EQ(shell.notifyCalls.size(), 2u);

  BrokenWindow broken(1, 2);
  tray.SetAdded(true);
  EXPECT_THROW(tray.Remove(broken), Failure);
  EXPECT_THROW(tray.Add(broken), Failure);
  EXPECT_EQ(shell.notifyCalls.size(), 2u) << "nothing sent";
  EXPECT_TRUE(tray.Added()) << "state kept";
}

class NotificationAreaTest : public ::testing::Test {
 protected:
  void AddTaskbar(platform::RECT trayArea, const std::string& taskbarTitle = "") {
    windowing.windows[0x100] = {0, "Shell_TrayWnd", taskbarTitle, {0, 738, 1024, 768}};
    windowing.windows[0x101] = {0x100, "ReBarWindow32", "", {0, 738, 800, 768}};
    windowing.windows[0x102] = {0x100, "TrayNotifyWnd", "anything", trayArea};
  }
  std::int32_t Top() { return notification_area::TopTwips(windowing, app); }
  std::int32_t Right() { return notification_area::RightTwips(windowing, app); }
  FakeWindowing windowing;
  FakeApplication app;
};

TEST_F(NotificationAreaTest, NotificationAreaAtTheBottomIn96And120Dpi) {
  AddTaskbar({900, 738, 1024, 768});
  EXPECT_EQ(Right(), 15360);
  EXPECT_EQ(Top(), 11070);
  app.dpi = 120;
  EXPECT_EQ(Top(), 8856);
  EXPECT_EQ(Right(), 12288);
}

// At densities that do not divide 1440 the pixels are multiplied by the exact ratio:
// 1024 * 1440 / 168 = 8777.14, 738 * 1440 / 168 = 6325.71; 1024 * 7.5 = 7680, 738 * 7.5 = 5535.
TEST_F(NotificationAreaTest, NotificationAreaAt168And192DpiUsesTheExactTwipsPerPixel) {
  AddTaskbar({900, 738, 1024, 768});
  app.dpi = 168;
  EXPECT_EQ(Right(), 8777);
  EXPECT_EQ(Top(), 6326);
  app.dpi = 192;
  EXPECT_EQ(Right(), 7680);
  EXPECT_EQ(Top(), 5535);
}

TEST_F(NotificationAreaTest, TopEdgeNearTheTopOfTheScreenGivesTheScreenHeight) {
  AddTaskbar({900, 2, 1024, 30});
  EXPECT_EQ(Top(), 11520);
  AddTaskbar({900, 3, 1024, 30});
  EXPECT_EQ(Top(), 45);
  AddTaskbar({900, 0, 1000, 28});  // docked at the top
  EXPECT_EQ(Top(), 11520);
  EXPECT_EQ(Right(), 15000);
  AddTaskbar({900, -5, 1000, 28});
  EXPECT_EQ(Top(), 11520);
}

TEST_F(NotificationAreaTest, NoTaskbarOrNoNotificationAreaGivesZeroAndTheScreenHeight) {
  EXPECT_EQ(Right(), 0);
  EXPECT_EQ(Top(), 11520);
  AddTaskbar({900, 738, 1024, 768}, "titled");  // only a taskbar with an empty title counts
  EXPECT_EQ(Right(), 0);
  windowing.windows.erase(0x102);
  windowing.windows[0x100].title = "";
  EXPECT_EQ(Right(), 0);
  app.dpi = 120;
  app.screenHeightPixels = 1001;  // 12012 twips
  EXPECT_EQ(Top(), 12012);
}

TEST(RoundHalfEvenTwips, HalvesGoToTheEvenNeighbour) {
  FakeWindowing windowing;
  FakeApplication app;
  app.dpi = 96;
  app.screenHeightPixels = 768;
  // A screen height with half a twip: 0.5 rounds to even.
  struct HalfApp : FakeApplication {
    double ScreenHeightTwips() const override { return value; }
    double value = 0;
  } half;
  half.value = 11520.5;
  EXPECT_EQ(notification_area::TopTwips(windowing, half), 11520);
  half.value = 11521.5;
  EXPECT_EQ(notification_area::TopTwips(windowing, half), 11522);
}

// The tray window, with the update window and the settings dialog stubbed.
class TrayWindowTest : public ::testing::Test, public IUpdateWindow {
 protected:
  void PopUp() override { events.push_back("PopUp"); }
  platform::WindowHandle Handle() const override { return 0x4444; }

  TrayWindowTest()
      : form(0x3333, 0x5555),
        tray(form, menu,
             {.app = app,
              .shell = shell,
              .windowing = windowing,
              .updateWindow = *this,
              .settings = settings,
              .clock = clock,
              .showSettingsModal = [this](platform::IWindow& owner) {
                events.push_back("Settings owned by " + std::to_string(owner.Handle()));
                if (settingsFail) throw Failure("cannot load");
              }}) {
    windowing.windows[0x100] = {0, "Shell_TrayWnd", "", {0, 738, 1024, 768}};
    windowing.windows[0x102] = {0x100, "TrayNotifyWnd", "", {900, 738, 1024, 768}};
  }
  std::vector<std::string> FocusCalls() {
    std::vector<std::string> calls;
    for (auto& [name, handle] : windowing.focusCalls) calls.push_back(name + " " + std::to_string(handle));
    return calls;
  }

  FakeApplication app;
  FakeShell shell;
  FakeWindowing windowing;
  platform::fake::FakeRegistry registry;
  SettingsStore settings{registry};
  platform::fake::FakeClock clock;
  FakeTrayForm form;
  FakePopupMenu menu;
  std::vector<std::string> events;
  bool settingsFail = false;
  TrayWindow tray;
};

TEST_F(TrayWindowTest, MenuHasItsItemsInOrder) {
  std::vector<std::u16string> captions;
  for (auto& item : menu.items) captions.push_back(item.caption);
  EXPECT_EQ(captions, (std::vector<std::u16string>{u"&Post Now", u"Lines &waiting...", u"Look &back...", u"Pa&use", u"Open &Twitter",
                                                   u"-", u"&Settings", u"&Options...", u"&About",
                                                   u"Don't tell me about this &version", u"-", u"E&xit"}));
  EXPECT_FALSE(menu.Find(u"Lines &waiting...")->visible) << "only while lines wait";
  EXPECT_FALSE(menu.Find(u"Don't tell me about this &version")->visible) << "only while a newer version is pending";
  captions.clear();
  for (auto& item : menu.SubmenuOf(u"Pa&use")->items) captions.push_back(item.caption);
  EXPECT_EQ(captions,
            (std::vector<std::u16string>{u"For &1 hour", u"For &3 hours", u"Until &tomorrow", u"-", u"&Resume"}));
}

TEST_F(TrayWindowTest, LoadSetsTheCaptionAndAddsTheIconWithItAsTip) {
  tray.Load();
  EXPECT_EQ(form.Caption(), u"Quillet");
  EXPECT_FALSE(form.Visible()) << "never shown by loading";
  ASSERT_EQ(shell.notifyCalls.size(), 1u);
  EXPECT_EQ(shell.notifyCalls[0].message, 0u);
  EXPECT_EQ(shell.notifyCalls[0].data.window, 0x3333u);
  EXPECT_EQ(shell.notifyCalls[0].data.icon, 0x5555u);
  EXPECT_EQ(TipField(Bytes(shell.notifyCalls[0].data)), ExpectedTip("Quillet"));
}

TEST_F(TrayWindowTest, RightButtonPopsTheMenuUpAfterTakingTheForeground) {
  tray.Load();
  menu.whileOpen = [&](FakePopupMenu&) { events.push_back("menu open"); };
  form.IconMessage(0x204);
  EXPECT_EQ(menu.popupCount, 1);
  EXPECT_EQ(FocusCalls(), (std::vector<std::string>{"SetForegroundWindow 13107", "SetActiveWindow 13107",
                                                    "SetForegroundWindow 13107", "SetActiveWindow 13107"}));
  // The release, single clicks, moves and the middle button do nothing.
  for (int message : {0x205, 0x200, 0x201, 0x202, 0x207, 0x208, 0x209, 0x206}) form.IconMessage(message);
  EXPECT_EQ(menu.popupCount, 1);
  EXPECT_EQ(events, (std::vector<std::string>{"menu open"}));
}

TEST_F(TrayWindowTest, DoubleClickBringsTheUpdateWindowUp) {
  tray.Load();
  form.IconMessage(0x203);
  EXPECT_EQ(events, (std::vector<std::string>{"PopUp"}));
  EXPECT_EQ(FocusCalls(), (std::vector<std::string>{"SetForegroundWindow 17476", "SetActiveWindow 17476",
                                                    "SetForegroundWindow 17476", "SetActiveWindow 17476"}));
  form.IconMessage(0x10000 | 0x203);  // only the low word counts
  EXPECT_EQ(events.size(), 2u);
}

// The notification area's keyboard: the icon asks for it when added; Enter or Space on the focused
// icon brings the update window up as a double click does, the context-menu key opens the menu,
// and a right click opens the menu once although the context-menu message follows it.
TEST_F(TrayWindowTest, TheKeyboardOfTheNotificationAreaReachesTheIcon) {
  tray.Load();
  EXPECT_EQ(shell.versionCalls, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{0x3333u, 3u}}));
  struct Case {
    const char* what;
    std::vector<int> messages;
    int menus;
    int popUps;
  };
  const Case cases[] = {
      {"Enter or Space", {0x401}, 0, 1},
      {"the context-menu key", {0x7B}, 1, 0},
      {"a right click", {0x204, 0x205, 0x7B}, 1, 0},
      {"a right click whose context menu never comes, then the key", {0x204, 0x205, 0x201, 0x202, 0x400, 0x7B}, 2, 0},
      {"a single left click", {0x201, 0x202, 0x400}, 0, 0},
      {"a double click", {0x201, 0x202, 0x400, 0x203, 0x202, 0x400}, 0, 1},
  };
  for (const Case& c : cases) {
    int menusBefore = menu.popupCount;
    events.clear();
    for (int message : c.messages) form.IconMessage(message);
    EXPECT_EQ(menu.popupCount - menusBefore, c.menus) << c.what;
    EXPECT_EQ(static_cast<int>(events.size()), c.popUps) << c.what;
  }
}

TEST_F(TrayWindowTest, AShellWithoutTheKeyboardVersionGetsTheMenuFromTheRightButtonAsBefore) {
  shell.versionResult = false;
  tray.Load();
  form.IconMessage(0x204);
  form.IconMessage(0x7B);  // no such message comes from that shell; the key would send it
  EXPECT_EQ(menu.popupCount, 2);
}

TEST_F(TrayWindowTest, NotificationsAreIgnoredWhileNotInTheTray) {
  form.IconMessage(0x204);
  form.IconMessage(0x203);
  EXPECT_EQ(menu.popupCount, 0);
  EXPECT_TRUE(events.empty());
}

TEST_F(TrayWindowTest, MenuItemsDoTheirWork) {
  tray.Load();
  menu.whileOpen = [](FakePopupMenu& m) { m.Choose(u"&Post Now"); };
  form.IconMessage(0x204);
  EXPECT_EQ(events, (std::vector<std::string>{"PopUp"}));
  EXPECT_EQ(windowing.focusCalls.size(), 4u) << "no focus calls after Post Now beyond the popup's own";

  menu.whileOpen = [](FakePopupMenu& m) { m.Choose(u"Open &Twitter"); };
  form.IconMessage(0x204);
  menu.whileOpen = [](FakePopupMenu& m) { m.Choose(u"&About"); };
  form.IconMessage(0x204);
  ASSERT_EQ(shell.executeCalls.size(), 2u);
  for (auto& call : shell.executeCalls) {
    EXPECT_EQ(call.parent, 0x3333u);
    EXPECT_EQ(call.verb, "Open");
    EXPECT_EQ(call.parameters, "");
    EXPECT_EQ(call.directory, "");
    EXPECT_EQ(call.showCommand, 1);
  }
  EXPECT_EQ(shell.executeCalls[0].file, "http://twitter.com/");
  EXPECT_EQ(shell.executeCalls[1].file, "http://www.velmora.com/quillet/news/");

  menu.whileOpen = [](FakePopupMenu& m) { m.Choose(u"&Settings"); };
  form.IconMessage(0x204);
  EXPECT_EQ(events.back(), "Settings owned by 13107");
  settingsFail = true;
  form.IconMessage(0x204);  // a dialog that cannot load is skipped quietly
  EXPECT_EQ(menu.popupCount, 5);
}

TEST_F(TrayWindowTest, ExitRemovesTheIconThenEndsTheProgram) {
  tray.Load();
  app.Queue([&] { events.push_back("pending event"); });
  menu.whileOpen = [](FakePopupMenu& m) { m.Choose(u"E&xit"); };
  EXPECT_THROW(form.IconMessage(0x204), ProgramEnded);
  EXPECT_TRUE(app.ended);
  ASSERT_EQ(shell.notifyCalls.size(), 2u);
  EXPECT_EQ(shell.notifyCalls[1].message, 2u);
  EXPECT_FALSE(tray.Icon().Added());
  EXPECT_EQ(app.doEventsCount, 1);
  EXPECT_EQ(events, (std::vector<std::string>{"pending event"}));
  // Shown by Remove, hence parked at the notification area with zero size.
  EXPECT_TRUE(form.Visible());
  EXPECT_EQ(form.left, 15360);
  EXPECT_EQ(form.top, 11070);
  EXPECT_EQ(form.width, 0);
  EXPECT_EQ(form.height, 0);
}

TEST_F(TrayWindowTest, SystemCloseUnloadsLikeExit) {
  tray.Load();
  EXPECT_THROW(form.SystemClose(), ProgramEnded);
  EXPECT_EQ(shell.notifyCalls.back().message, 2u);
}

TEST_F(TrayWindowTest, ResizeParksAtTheNotificationAreaOrOffTheScreen) {
  form.Resize();
  EXPECT_EQ(form.left, 15360);
  EXPECT_EQ(form.top, 11070);
  windowing.windows.clear();  // no taskbar running
  form.width = form.height = 5;
  form.Resize();
  EXPECT_EQ(form.left, 0);
  EXPECT_EQ(form.top, 11520);
  EXPECT_EQ(form.width, 0);
  EXPECT_EQ(form.height, 0);
}

TEST_F(TrayWindowTest, TaskbarCreatedAddsTheIconAgain) {
  form.TaskbarCreated();
  EXPECT_TRUE(shell.notifyCalls.empty()) << "not loaded yet: nothing to restore";
  tray.Load();
  form.TaskbarCreated();
  ASSERT_EQ(shell.notifyCalls.size(), 2u);
  EXPECT_EQ(shell.notifyCalls[1].message, 0u);
  EXPECT_EQ(std::memcmp(&shell.notifyCalls[0].data, &shell.notifyCalls[1].data, 88), 0);
}

TEST_F(TrayWindowTest, AnIconDrawnForANewDensityReplacesTheOneInTheNotificationArea) {
  form.IconChanged(0x6666);
  EXPECT_TRUE(shell.notifyCalls.empty()) << "no icon added yet";
  tray.Load();
  form.IconChanged(0x7777);
  ASSERT_EQ(shell.notifyCalls.size(), 2u);
  EXPECT_EQ(shell.notifyCalls[1].message, 1u);  // NIM_MODIFY
  EXPECT_EQ(shell.notifyCalls[1].data.icon, 0x7777u);
  EXPECT_EQ(shell.notifyCalls[1].data.window, 0x3333u);
}

TEST_F(TrayWindowTest, AnotherStartBringsTheUpdateWindowUp) {
  tray.Load();
  form.ActivateRequest();
  EXPECT_EQ(events, (std::vector<std::string>{"PopUp"}));
}

}  // namespace
}  // namespace quillet
