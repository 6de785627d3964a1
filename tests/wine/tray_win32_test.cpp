// The tray window, its popup menu, the taskbar lookup and the single-instance token as real
// Windows objects under Wine (which has a taskbar window but no notification-area child).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/convert.h"
#include "windows/single_instance.h"
#include "platform/win32/win32_application.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_presence.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_windowing.h"
#include "windows/win32_tray_window.h"
#include "tray/tray_window.h"
#include "tray/notification_area.h"

namespace quillet {
namespace {

using namespace platform::win32;

// Records the notification records instead of sending them, to compare with what was meant.
class RecordingShell : public platform::IShell {
 public:
  bool Shell_NotifyIconA(std::uint32_t message, const platform::NotifyIconRecord& data) override {
    calls.push_back({message, data});
    return true;
  }
  bool ModifyIconW(const platform::NotifyIconRecord& data, const platform::NotifyIconTip&) override {
    calls.push_back({platform::kNimModify, data});
    return true;
  }
  bool ShowBalloon(const platform::NotifyIconRecord&, const platform::NotifyIconBalloon&) override { return true; }
  bool SetIconVersion(const platform::NotifyIconRecord&, std::uint32_t) override { return true; }
  std::intptr_t ShellExecuteA(platform::WindowHandle, const std::string&, const std::string& file, const std::string&,
                              const std::string&, std::int32_t) override {
    opened.push_back(file);
    return 42;
  }
  std::vector<std::pair<std::uint32_t, platform::NotifyIconRecord>> calls;
  std::vector<std::string> opened;
};

void Pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

class TrayWin32 : public ::testing::Test, public IUpdateWindow {
 protected:
  void PopUp() override { ++showMeCalls; }
  platform::WindowHandle Handle() const override { return 0; }

  Win32Application app{u"Quillet"};
  RecordingShell shell;
  Win32Windowing windowing;
  Win32Registry registry;
  SettingsStore settings{registry};
  Win32Clock clock;
  Win32TrayForm form;
  Win32PopupMenu menu{form};
  int showMeCalls = 0;
  int settingsCalls = 0;
  TrayWindow tray{form,
                  menu,
                  {.app = app,
                   .shell = shell,
                   .windowing = windowing,
                   .updateWindow = *this,
                   .settings = settings,
                   .clock = clock,
                   .showSettingsModal = [this](platform::IWindow&) { ++settingsCalls; }}};
};

TEST_F(TrayWin32, LoadAddsTheIconOfAHiddenToolWindow) {
  tray.Load();
  HWND hwnd = AsHwnd(form.Handle());
  wchar_t caption[32] = {};
  GetWindowTextW(hwnd, caption, 32);
  EXPECT_STREQ(caption, L"Quillet");
  EXPECT_FALSE(IsWindowVisible(hwnd));
  EXPECT_TRUE(GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) << "no taskbar button";
  EXPECT_EQ(GetParent(hwnd), nullptr) << "top-level, so that shell broadcasts reach it";
  ASSERT_EQ(shell.calls.size(), 1u);
  EXPECT_EQ(shell.calls[0].second.window, static_cast<std::uint32_t>(form.Handle()));
  EXPECT_STREQ(shell.calls[0].second.tip, "Quillet");
}

TEST_F(TrayWin32, IconNotificationsArriveAsMouseMoves) {
  tray.Load();
  HWND hwnd = AsHwnd(form.Handle());
  SendMessageW(hwnd, WM_MOUSEMOVE, 1, WM_LBUTTONDBLCLK);
  EXPECT_EQ(showMeCalls, 1);
  SendMessageW(hwnd, WM_MOUSEMOVE, 1, WM_LBUTTONUP);
  SendMessageW(hwnd, WM_MOUSEMOVE, 1, WM_LBUTTONDOWN);
  EXPECT_EQ(showMeCalls, 1);
}

// While the menu is up: what it holds, then a choice by its access key.
HWND gMenuOwner = nullptr;
std::vector<std::wstring> gMenuSeen;
VOID CALLBACK ChoosePostNow(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  HWND popup = FindWindowW(L"#32768", nullptr);
  HMENU shown = popup != nullptr ? reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0)) : nullptr;
  for (int i = 0; shown != nullptr && i < GetMenuItemCount(shown); ++i) {
    wchar_t text[64] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = 64;
    GetMenuItemInfoW(shown, static_cast<UINT>(i), TRUE, &info);
    gMenuSeen.push_back((info.fType & MFT_SEPARATOR) ? L"-" : text);
  }
  PostMessageW(popup != nullptr ? popup : gMenuOwner, WM_CHAR, L'p', 1);
}
VOID CALLBACK DismissMenu(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  EndMenu();
}

TEST_F(TrayWin32, RightButtonPopsTheMenuAndAChoiceRunsItsItem) {
  tray.Load();
  gMenuOwner = AsHwnd(form.Handle());
  gMenuSeen.clear();
  UINT_PTR choose = SetTimer(nullptr, 0, 300, &ChoosePostNow);
  UINT_PTR guard = SetTimer(nullptr, 0, 5000, &DismissMenu);
  SendMessageW(gMenuOwner, WM_MOUSEMOVE, 1, WM_RBUTTONDOWN);  // returns when the menu is gone
  KillTimer(nullptr, choose);
  KillTimer(nullptr, guard);
  EXPECT_EQ(gMenuSeen, (std::vector<std::wstring>{L"&Post Now", L"Look &back...", L"Pa&use", L"Open &Twitter", L"-", L"&Settings",
                                                  L"&Options...", L"&About", L"-", L"E&xit"}));
  EXPECT_EQ(showMeCalls, 1) << "\"&Post Now\" chosen by its access key";

  // Commands in the order of adding: Post Now 1, Lines waiting 2 (out of the menu while no line
  // waits), Look back 3, Pause 4 and its items 5 to 9, Open Twitter 10, a separator 11, Settings 12,
  // Options 13, About 14.
  menu.Choose(10);
  menu.Choose(14);
  EXPECT_EQ(shell.opened, (std::vector<std::string>{"http://twitter.com/", "http://www.velmora.com/quillet/news/"}));
  menu.Choose(12);
  EXPECT_EQ(settingsCalls, 1);
  menu.Choose(11);  // a separator does nothing
  menu.Choose(4);   // nor does the entry of a submenu
  EXPECT_EQ(showMeCalls + settingsCalls + static_cast<int>(shell.opened.size()), 4);
}

TEST_F(TrayWin32, PauseSubmenuTicksItsEntryWhilePaused) {
  settings.SetAppTitle(u"Quillet");
  tray.Load();
  HMENU pause = GetSubMenu(menu.hmenu(), 2);
  ASSERT_NE(pause, nullptr);
  EXPECT_EQ(GetMenuItemCount(pause), 5);
  menu.Choose(5);  // For 1 hour
  EXPECT_TRUE(GetMenuState(menu.hmenu(), 2, MF_BYPOSITION) & MF_CHECKED);
  EXPECT_EQ(std::string(shell.calls.back().second.tip).rfind("Quillet: paused until ", 0), 0u);
  menu.Choose(9);  // Resume
  EXPECT_FALSE(GetMenuState(menu.hmenu(), 2, MF_BYPOSITION) & MF_CHECKED);
  EXPECT_STREQ(shell.calls.back().second.tip, "Quillet");
}

// A menu as shown: each item's caption with its command, "*" when ticked, "{...}" holding a
// submenu's own items.
std::wstring ShownMenu(HMENU menu) {
  std::wstring shown;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    wchar_t text[64] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_STATE | MIIM_ID | MIIM_SUBMENU;
    info.dwTypeData = text;
    info.cch = 64;
    GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
    if (!shown.empty()) shown += L" ";
    if (info.fType & MFT_SEPARATOR) {
      shown += L"-";
      continue;
    }
    shown += text;
    if (info.fState & MFS_CHECKED) shown += L"*";
    if (info.hSubMenu != nullptr) {
      shown += L"{" + ShownMenu(info.hSubMenu) + L"}";
    } else {
      shown += L"#" + std::to_wstring(info.wID);
    }
  }
  return shown;
}

TEST(Win32PopupMenu, HiddenItemsLeaveTheMenuAndComeBackAtTheirPlaceWithTheirTicks) {
  Win32TrayForm form;
  Win32PopupMenu menu{form};
  platform::IMenuItem& first = menu.AddItem(u"First");
  platform::IMenuItem& ticked = menu.AddItem(u"Ticked");
  platform::IMenuItem& separator = menu.AddItem(u"-");
  auto sub = menu.AddSubmenu(u"Sub");
  platform::IMenuItem& inner = sub.menu.AddItem(u"Inner");
  sub.menu.AddItem(u"Other");
  platform::IMenuItem& last = menu.AddItem(u"Last");
  ticked.SetChecked(true);
  sub.item.SetChecked(true);
  int lastClicks = 0;
  last.OnClick([&] { ++lastClicks; });

  struct Step {
    platform::IMenuItem& item;
    bool visible;
    const wchar_t* shown;
  };
  const Step steps[] = {
      {first, false, L"Ticked*#2 - Sub*{Inner#5 Other#6} Last#7"},
      {first, false, L"Ticked*#2 - Sub*{Inner#5 Other#6} Last#7"},  // hidden twice: no change
      {sub.item, false, L"Ticked*#2 - Last#7"},
      {inner, false, L"Ticked*#2 - Last#7"},  // inside a hidden submenu
      {last, false, L"Ticked*#2 -"},
      {sub.item, true, L"Ticked*#2 - Sub*{Other#6}"},
      {first, true, L"First#1 Ticked*#2 - Sub*{Other#6}"},
      {last, true, L"First#1 Ticked*#2 - Sub*{Other#6} Last#7"},
      {inner, true, L"First#1 Ticked*#2 - Sub*{Inner#5 Other#6} Last#7"},
      {ticked, false, L"First#1 - Sub*{Inner#5 Other#6} Last#7"},
      {separator, false, L"First#1 Sub*{Inner#5 Other#6} Last#7"},
      {ticked, true, L"First#1 Ticked*#2 Sub*{Inner#5 Other#6} Last#7"},
      {separator, true, L"First#1 Ticked*#2 - Sub*{Inner#5 Other#6} Last#7"},
  };
  int index = 0;
  for (const Step& step : steps) {
    step.item.SetVisible(step.visible);
    EXPECT_EQ(ShownMenu(menu.hmenu()), step.shown) << "step " << index++;
  }

  // A tick set while hidden is shown when the item comes back; the commands stay the items'.
  ticked.SetVisible(false);
  ticked.SetChecked(false);
  last.SetChecked(true);
  ticked.SetVisible(true);
  EXPECT_EQ(ShownMenu(menu.hmenu()), L"First#1 Ticked#2 - Sub*{Inner#5 Other#6} Last*#7");
  menu.Choose(7);
  EXPECT_EQ(lastClicks, 1);

  // A new caption keeps the item's place, tick and command, shown or hidden ("Open <host>").
  last.SetCaption(u"Open social.example");
  first.SetVisible(false);
  first.SetCaption(u"New first");
  first.SetVisible(true);
  EXPECT_EQ(ShownMenu(menu.hmenu()), L"New first#1 Ticked#2 - Sub*{Inner#5 Other#6} Open social.example*#7");
  menu.Choose(7);
  EXPECT_EQ(lastClicks, 2);
  sub.item.SetVisible(false);  // the menu goes with a submenu out of it: nothing may leak or fail
}

TEST_F(TrayWin32, HotkeyIsTakenWithoutRepeatsAndACombinationHeldElsewhereIsRefused) {
  tray.Load();
  HWND other = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(RegisterHotKey(other, 7, MOD_CONTROL | MOD_ALT, 'J'));
  EXPECT_FALSE(form.SetHotkey({platform::kModControl | platform::kModAlt, 'J'}));
  EXPECT_EQ(GetLastError(), 1409u) << "ERROR_HOTKEY_ALREADY_REGISTERED";
  EXPECT_TRUE(form.SetHotkey({platform::kModControl | platform::kModAlt, 'K'}));
  // Taken in place of the one held: the first one is free again.
  EXPECT_TRUE(form.SetHotkey({platform::kModControl | platform::kModAlt, 'L'}));
  EXPECT_TRUE(RegisterHotKey(other, 8, MOD_CONTROL | MOD_ALT, 'K'));
  PostMessageW(AsHwnd(form.Handle()), WM_HOTKEY, 1, MAKELPARAM(MOD_CONTROL | MOD_ALT, 'L'));
  Pump();
  EXPECT_EQ(showMeCalls, 1);
  EXPECT_TRUE(form.SetHotkey({}));
  EXPECT_TRUE(RegisterHotKey(other, 9, MOD_CONTROL | MOD_ALT, 'L')) << "released";
  DestroyWindow(other);
}

TEST(Win32Presence, UnderWineTheUserIsPresent) {
  Win32Presence presence;
  EXPECT_FALSE(presence.WorkstationLocked());
  EXPECT_EQ(presence.UserNotificationState(), platform::NotificationState::kAcceptsNotifications);
  EXPECT_LE(presence.IdleMs(), GetTickCount64());
}

TEST_F(TrayWin32, TaskbarCreatedBroadcastAddsTheIconAgain) {
  tray.Load();
  PostMessageW(HWND_BROADCAST, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
  for (int i = 0; i < 50 && shell.calls.size() < 2; ++i) {
    Pump();
    Sleep(20);
  }
  ASSERT_EQ(shell.calls.size(), 2u);
  EXPECT_EQ(shell.calls[1].first, 0u);
  EXPECT_EQ(std::memcmp(&shell.calls[0].second, &shell.calls[1].second, 88), 0);
}

TEST_F(TrayWin32, AnotherStartFindsTheTrayWindowAndBringsTheUpdateWindowUp) {
  tray.Load();
  SingleInstance first;
  SingleInstance second;
  EXPECT_TRUE(first.IsFirst());
  EXPECT_FALSE(second.IsFirst());
  EXPECT_TRUE(SingleInstance::ActivateRunning());
  Pump();
  EXPECT_EQ(showMeCalls, 1);
}

TEST_F(TrayWin32, NoNotificationAreaUnderWine) {
  EXPECT_EQ(notification_area::RightTwips(windowing, app), 0);
  EXPECT_EQ(notification_area::TopTwips(windowing, app),
            RoundHalfEven(GetSystemMetrics(SM_CYSCREEN) * 1440.0 / ScreenDpi()));

  // Shown at exit by Remove, the window parks there with zero size.
  tray.Load();
  form.Show();
  ::RECT r;
  GetWindowRect(AsHwnd(form.Handle()), &r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, GetSystemMetrics(SM_CYSCREEN));
  EXPECT_EQ(r.right - r.left, 0);
  EXPECT_EQ(r.bottom - r.top, 0);
}

TEST(Win32Shell, NotifyIconAddModifyDelete) {
  HWND owner = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  platform::NotifyIconRecord record{};
  record.size = 88;
  record.window = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(owner));
  record.id = 1;
  record.flags = 7;
  record.callbackMessage = WM_MOUSEMOVE;
  record.icon =
      static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(LoadIconW(nullptr, MAKEINTRESOURCEW(32512))));
  std::memcpy(record.tip, "Quillet", 8);
  Win32Shell shell;
  EXPECT_TRUE(shell.Shell_NotifyIconA(platform::kNimAdd, record));
  EXPECT_TRUE(shell.Shell_NotifyIconA(platform::kNimModify, record));
  EXPECT_TRUE(shell.Shell_NotifyIconA(platform::kNimDelete, record));
  EXPECT_FALSE(shell.Shell_NotifyIconA(platform::kNimModify, record)) << "gone";
  DestroyWindow(owner);
}

}  // namespace
}  // namespace quillet
