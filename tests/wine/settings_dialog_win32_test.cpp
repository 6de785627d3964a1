// The settings dialog as a real window under Wine: layout at the display's dots per inch, Tab
// order, access keys, Enter, Esc and the close box through the application's loop, the
// three-state check box, and the values written to the real registry.
#include <gtest/gtest.h>
#include <windows.h>
#include <oleacc.h>

#include <string>
#include <vector>

#include "common/codepage.h"
#include "common/convert.h"
#include "common/failure.h"
#include "platform/win32/win32_application.h"
#include "platform/win32/win32_windowing.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/twips_layout.h"
#include "platform/win32/win32_secrets.h"
#include "windows/win32_settings_dialog.h"
#include "dialogs/settings_dialog.h"
#include "settings/password_scrambling.h"
#include "settings/settings_store.h"
#include "tests/wine/modal_harness.h"

namespace quillet {
namespace {

using namespace platform::win32;

class SettingsDialogWin32 : public ::testing::Test, protected testing::ModalHarness {
 protected:
  void SetUp() override {
    settings.SetAppTitle(u"QuilletDialogTest");
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Velmora\\QuilletDialogTest");
    HKEY run;
    RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0, KEY_WRITE, &run);
    RegDeleteValueW(run, L"Quillet");
    RegCloseKey(run);
  }

  std::u16string Stored(std::u16string_view name) { return settings.ReadAppValue(name); }
  bool RunValue(std::string& data) {
    char buffer[512] = {};
    DWORD size = sizeof buffer - 1;
    LONG status = RegGetValueA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "Quillet",
                               RRF_RT_REG_SZ, nullptr, buffer, &size);
    data = buffer;
    return status == ERROR_SUCCESS;
  }

  // Opens the dialog as the program does; `act` runs once the modal loop is going.
  void OpenModal(Callback<void(Win32SettingsView&)> act) {
    Win32SettingsView dialog(app);
    SettingsDialog form(dialog, settings, secrets, app);
    form.Load();
    closedBeforeGuard = ShowAndAct(dialog, owner, [&dialog, act] { act(dialog); });
  }

  bool closedBeforeGuard = false;
  Win32Application app{u"Quillet"};
  Win32Registry registry;
  Win32Secrets secrets;
  SettingsStore settings{registry};
  testing::OwnerWindow owner;
};

TEST_F(SettingsDialogWin32, WindowAndControlsSitAtTheirTwipsPositions) {
  Win32SettingsView view(app);
  int dpi = ScreenDpi();
  auto px = [&](int twips) { return RoundHalfEven(static_cast<double>(twips) * dpi / 1440.0); };  // 4710 at 120: 392
  HWND dialog = AsHwnd(view.Handle());
  ::RECT client;
  GetClientRect(dialog, &client);
  EXPECT_EQ(client.right, px(4710));
  EXPECT_EQ(client.bottom, px(3375));
  EXPECT_EQ(view.Caption(), u"Quillet Settings");
  LONG style = GetWindowLongW(dialog, GWL_STYLE);
  EXPECT_TRUE(style & WS_SYSMENU) << "the close box";
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) << "fixed, no minimize or maximize";

  auto place = [&](int id) {
    ::RECT r;
    GetWindowRect(view.Control(id), &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return std::vector<long>{r.left, r.top, r.right - r.left, r.bottom - r.top};
  };
  EXPECT_EQ(place(kIdFrame), (std::vector<long>{px(120), px(240), px(4455), px(2415)}));
  EXPECT_EQ(place(kIdPanel), (std::vector<long>{px(360), px(600), px(3975), px(1935)}));
  EXPECT_EQ(place(kIdUsername), (std::vector<long>{px(360) + px(1440), px(600), px(2535), px(315)}));
  EXPECT_EQ(place(kIdPassword), (std::vector<long>{px(360) + px(1440), px(600) + px(480), px(2535), px(315)}));
  EXPECT_EQ(place(kIdStartup), (std::vector<long>{px(360) + px(840), px(600) + px(1560), px(3135), px(255)}));
  EXPECT_EQ(place(kIdAddfriend), (std::vector<long>{px(360) + px(840), px(600) + px(1920), px(3135), px(255)}));
  EXPECT_EQ(place(kIdOk), (std::vector<long>{px(1080), px(2880), px(1215), px(375)}));
  EXPECT_EQ(place(kIdCancel), (std::vector<long>{px(2400), px(2880), px(1215), px(375)}));
  auto combo = place(kIdInterval);
  EXPECT_EQ(combo[0], px(360) + px(1440));
  EXPECT_EQ(combo[1], px(600) + px(960));
  EXPECT_EQ(combo[2], px(2535));
  auto label = place(kIdLabelUsername);
  EXPECT_EQ(label[0], px(360));
  EXPECT_EQ(label[1], px(600) + px(60));
  EXPECT_GT(label[2], 40) << "sized to its text";

  EXPECT_FALSE(IsWindowVisible(view.Control(kIdAddfriend))) << "the follow box is hidden";
  EXPECT_EQ(SendMessageW(view.Control(kIdPassword), EM_GETPASSWORDCHAR, 0, 0), L'*');
  EXPECT_EQ(GetWindowLongW(view.Control(kIdInterval), GWL_STYLE) & 3, CBS_DROPDOWNLIST);
  EXPECT_EQ(GetWindowLongW(view.Control(kIdOk), GWL_STYLE) & 0xF, BS_DEFPUSHBUTTON);
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(view.Control(kIdUsername), WM_GETFONT, 0, 0));
  EXPECT_NE(font, nullptr);
  EXPECT_EQ(font, reinterpret_cast<HFONT>(SendMessageW(view.Control(kIdCancel), WM_GETFONT, 0, 0)));
}

TEST_F(SettingsDialogWin32, TabOrderSkipsTheHiddenBoxAndEndsWithCancel) {
  Win32SettingsView view(app);
  HWND dialog = AsHwnd(view.Handle());
  std::vector<int> order;
  HWND at = view.Control(kIdUsername);
  for (int i = 0; i < 7; ++i) {
    order.push_back(GetDlgCtrlID(at));
    at = GetNextDlgTabItem(dialog, at, FALSE);
  }
  EXPECT_EQ(order,
            (std::vector<int>{kIdUsername, kIdPassword, kIdInterval, kIdStartup, kIdOk, kIdCancel, kIdUsername}));
}

// At the first run "Another kind of account..." comes before OK and Cancel, which move right for it;
// its text fits and it is in the Tab order. Otherwise it is neither seen nor reached.
TEST_F(SettingsDialogWin32, TheFirstRunShowsAnotherKindOfAccountBeforeOkAndCancel) {
  Win32SettingsView view(app);
  HWND dialog = AsHwnd(view.Handle());
  HWND button = view.Control(kIdSetUpAccount);
  EXPECT_FALSE(IsWindowVisible(button));
  EXPECT_FALSE(IsWindowEnabled(button));
  view.ShowSetUpAccount();
  ShowWindow(dialog, SW_SHOW);
  EXPECT_TRUE(IsWindowVisible(button));
  auto left = [&](int id) {
    ::RECT r;
    GetWindowRect(view.Control(id), &r);
    return std::pair<long, long>{r.left, r.right};
  };
  EXPECT_LT(left(kIdSetUpAccount).second, left(kIdOk).first);
  EXPECT_LT(left(kIdOk).second, left(kIdCancel).first);
  ::RECT client;
  GetClientRect(dialog, &client);
  MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&client), 2);
  EXPECT_LE(left(kIdCancel).second, client.right);
  EXPECT_TRUE(ClippedTexts(dialog, ScreenDpi()).empty());
  EXPECT_EQ(GetNextDlgTabItem(dialog, view.Control(kIdStartup), FALSE), button);
  EXPECT_EQ(GetNextDlgTabItem(dialog, button, FALSE), view.Control(kIdOk));
  ShowWindow(dialog, SW_HIDE);
}

// Each field's label comes just before it: the label's access key puts the focus on the field,
// and a screen reader names the field by the label.
TEST_F(SettingsDialogWin32, EachLabelsAccessKeyReachesItsFieldAndNamesIt) {
  Win32SettingsView view(app);
  HWND dialog = AsHwnd(view.Handle());
  ShowWindow(dialog, SW_SHOW);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  struct Case {
    wchar_t key;
    int field;
    const wchar_t* name;  // as a screen reader reads it; none for the list (its value is its name)
  };
  const Case cases[] = {{L'u', kIdUsername, L"Twitter Username"}, {L'p', kIdPassword, L"Password"}, {L'e', kIdInterval, nullptr}};
  for (const Case& c : cases) {
    SetFocus(view.Control(kIdCancel));
    MSG key{GetFocus(), WM_SYSCHAR, c.key, 0x20000001, 0, {}};
    EXPECT_TRUE(IsDialogMessageW(dialog, &key));
    EXPECT_EQ(GetDlgCtrlID(GetFocus()), c.field) << "Alt+" << static_cast<char>(c.key);
    if (c.name == nullptr) continue;
    IAccessible* field = nullptr;
    ASSERT_TRUE(SUCCEEDED(AccessibleObjectFromWindow(view.Control(c.field), OBJID_CLIENT, IID_IAccessible,
                                                     reinterpret_cast<void**>(&field))));
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    field->get_accName(self, &name);
    EXPECT_STREQ(name, c.name);
    SysFreeString(name);
    field->Release();
  }
  ShowWindow(dialog, SW_HIDE);
  CoUninitialize();
}

TEST_F(SettingsDialogWin32, CheckBoxHasThreeStatesAndAClickTicksOrClears) {
  Win32SettingsView view(app);
  auto& box = view.StartWithWindows();
  box.SetValue(2);
  EXPECT_EQ(SendMessageW(view.Control(kIdStartup), BM_GETCHECK, 0, 0), BST_INDETERMINATE);
  SendMessageW(view.Control(kIdStartup), BM_CLICK, 0, 0);
  EXPECT_EQ(box.Value(), 1);
  SendMessageW(view.Control(kIdStartup), BM_CLICK, 0, 0);
  EXPECT_EQ(box.Value(), 0);
  EXPECT_THROW(box.SetValue(3), InvalidPropertyValue);
  EXPECT_THROW(view.Interval().SetListIndex(0), InvalidPropertyValue) << "an empty list";
}

TEST_F(SettingsDialogWin32, LoadsFromTheRegistryAndEnterSavesEverything) {
  settings.Save(u"Username", u"alice");
  settings.Save(u"Password", password_scrambling::Scramble(u"p\u00e4ss"));
  settings.Save(u"Interval", u"7");
  settings.Save(u"Startup", u"2");
  OpenModal([&](Win32SettingsView& v) {
    EXPECT_EQ(v.Interval().ListCount(), 120);
    EXPECT_EQ(v.Interval().List(0), u"Update every 1 minutes");
    EXPECT_EQ(v.Interval().List(119), u"Update every 120 minutes");
    EXPECT_EQ(v.Interval().ListIndex(), 6);
    EXPECT_EQ(v.UserName().Text(), u"alice");
    EXPECT_EQ(v.Password().Text(), u"p\u00e4ss");
    EXPECT_EQ(v.StartWithWindows().Value(), 2);
    EXPECT_EQ(v.AddFriend().Value(), 1);
    // The user: Tab to the password box (which selects it all), types over it, and presses Enter.
    PostKey(v.Control(kIdUsername), VK_TAB);
    for (wchar_t ch : std::wstring(L"new pw")) PostMessageW(v.Control(kIdPassword), WM_CHAR, ch, 1);
    PostAltKey(v.Control(kIdPassword), L's');  // Alt+S: the greyed box becomes ticked
    PostAltKey(v.Control(kIdPassword), L'a');  // the hidden box's access key does nothing
    PostKey(v.Control(kIdPassword), VK_RETURN);
  });
  EXPECT_TRUE(closedBeforeGuard) << "Enter closed the dialog";
  EXPECT_EQ(Stored(u"Username"), u"alice");
  EXPECT_EQ(password_scrambling::Unscramble(Stored(u"Password")), u"new pw");
  EXPECT_EQ(Stored(u"Interval"), u"7");
  EXPECT_EQ(Stored(u"Startup"), u"1");
  EXPECT_EQ(Stored(u"Addfriend"), u"1");
  std::string run;
  ASSERT_TRUE(RunValue(run));
  char module[MAX_PATH];
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  std::string folder(module);
  folder.resize(folder.find_last_of('\\'));
  EXPECT_EQ(run, "\"" + folder + "\\quillet.exe\"");
  EXPECT_TRUE(IsWindowEnabled(owner.hwnd_)) << "the owner is enabled again";
}

TEST_F(SettingsDialogWin32, EscAndTheCloseBoxWriteNothing) {
  OpenModal([&](Win32SettingsView& v) {
    EXPECT_FALSE(IsWindowEnabled(owner.hwnd_)) << "modal: the owner is disabled";  // checked once shown
    PostMessageW(v.Control(kIdUsername), WM_CHAR, L'x', 1);
    PostKey(v.Control(kIdUsername), VK_ESCAPE);
  });
  EXPECT_TRUE(closedBeforeGuard) << "Esc closed the dialog";
  OpenModal([&](Win32SettingsView& v) {
    PostMessageW(v.Control(kIdUsername), WM_CHAR, L'y', 1);
    PostMessageW(AsHwnd(v.Handle()), WM_SYSCOMMAND, SC_CLOSE, 0);
  });
  EXPECT_TRUE(closedBeforeGuard) << "the close box closed the dialog";
  HKEY key;
  EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Velmora\\QuilletDialogTest", 0, KEY_READ, &key),
            ERROR_SUCCESS);
  std::string run;
  EXPECT_FALSE(RunValue(run));
  EXPECT_TRUE(IsWindowEnabled(owner.hwnd_));
}

TEST_F(SettingsDialogWin32, UntickedStartupLeavesAnEmptyRunValue) {
  settings.Save(u"Interval", u"abc");
  OpenModal([&](Win32SettingsView& v) {
    EXPECT_EQ(v.Interval().ListIndex(), -1);
    PostAltKey(v.Control(kIdUsername), L's');  // ticked by default: now cleared
    PostAltKey(v.Control(kIdUsername), L'o');  // Alt+O: OK
  });
  EXPECT_TRUE(closedBeforeGuard);
  EXPECT_EQ(Stored(u"Startup"), u"0");
  EXPECT_EQ(Stored(u"Interval"), u"0");
  std::string run = "unset";
  ASSERT_TRUE(RunValue(run));
  EXPECT_EQ(run, "");
}

TEST_F(SettingsDialogWin32, FocusSelectsTheWholeText) {
  Win32SettingsView view(app);
  SettingsDialog form(view, settings, secrets, app);
  view.Password().SetText(u"secret");
  view.Show();
  SetFocus(view.Control(kIdPassword));
  EXPECT_EQ(view.Password().SelectionStart(), 0);
  EXPECT_EQ(view.Password().SelectionLength(), 6);
  view.Hide();
}

}  // namespace
}  // namespace quillet
