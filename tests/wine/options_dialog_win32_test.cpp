// The options dialog as a real window under Wine: its controls inside the window at the
// display's density, access keys, Enter and Esc, a refused address, and what OK stores in the
// real registry (the token through the system's data protection, never in clear).
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include "platform/win32/win32_application.h"
#include "platform/win32/win32_http_client.h"
#include "platform/win32/win32_options_dialog.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_secrets.h"
#include "dialogs/options_dialog.h"
#include "settings/settings_store.h"
#include "tests/wine/modal_harness.h"

namespace quillet {
namespace {

using namespace platform::win32;
using testing::ModalHarness;

class OptionsDialogWin32 : public ::testing::Test, protected ModalHarness {
 protected:
  void SetUp() override {
    settings.SetAppTitle(u"QuilletOptionsTest");
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Velmora\\QuilletOptionsTest");
  }
  // Opens the dialog as the program does; returns whether the test's input closed it.
  bool Open(std::function<void(Win32OptionsView&)> act) {
    Win32OptionsView view(app);
    OptionsDialog dialog(view, {.settings = settings, .http = http, .secrets = secrets});
    dialog.Load();
    return ShowAndAct(view, owner, [&view, act] { act(view); });
  }

  Win32Application app{u"Quillet"};
  Win32Registry registry;
  SettingsStore settings{registry};
  Win32HttpClient http{2000};
  Win32Secrets secrets;
  testing::OwnerWindow owner;
};

TEST_F(OptionsDialogWin32, EveryControlLiesInsideTheWindowAndNoFieldOverlapsAnother) {
  Win32OptionsView view(app);
  ::RECT client;
  GetClientRect(view.hwnd(), &client);
  std::vector<::RECT> fields;
  for (int id :
       {kIdApi, kIdServer, kIdSignIn, kIdToken, kIdTest, kIdServiceMessage, kIdJournal, kIdQuietFrom, kIdQuietTo, kIdQuietHint,
        kIdRespectBusy, kIdHotkey, kIdHotkeyHint, kIdPopUpMessage, kIdOptionsOk, kIdOptionsCancel}) {
    ::RECT r;
    GetWindowRect(view.Control(id), &r);
    MapWindowPoints(nullptr, view.hwnd(), reinterpret_cast<POINT*>(&r), 2);
    if (id == kIdApi) r.bottom = r.top + 22;  // the list's closed height
    EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom) << id;
    for (const ::RECT& other : fields) {
      ::RECT overlap;
      EXPECT_FALSE(IntersectRect(&overlap, &r, &other)) << id;
    }
    fields.push_back(r);
  }
}

TEST_F(OptionsDialogWin32, AccessKeysEnterAndEscAndWhatOkStores) {
  bool closed = Open([](Win32OptionsView& v) {
    EXPECT_EQ(v.Api().ListCount(), 4);
    EXPECT_EQ(v.Api().ListIndex(), 0);
    PostAltKey(v.Control(kIdApi), L'v');  // Alt+V: the server's address
    PostText(v.Control(kIdServer), L"https://h.example:70000/");
    PostKey(v.Control(kIdServer), VK_RETURN);  // refused: the dialog stays
  });
  EXPECT_FALSE(closed);
  EXPECT_EQ(settings.Get(u"Server", u""), u"");

  closed = Open([](Win32OptionsView& v) {
    PostAltKey(v.Control(kIdApi), L'v');
    PostText(v.Control(kIdServer), L"https://m.example/");
    PostAltKey(v.Control(kIdServer), L't');  // Alt+T: the token
    PostText(v.Control(kIdToken), L"tok-1");
    PostKey(v.Control(kIdToken), VK_RETURN);
  });
  EXPECT_TRUE(closed) << "Enter is OK";
  EXPECT_EQ(settings.Get(u"Server", u""), u"https://m.example/");
  auto token = settings.ReadBytes(u"Token");
  ASSERT_TRUE(token);
  EXPECT_EQ(token->find("tok-1"), std::string::npos) << "never in clear";
  EXPECT_EQ(secrets.Unprotect(*token), "tok-1");

  closed = Open([](Win32OptionsView& v) {
    EXPECT_EQ(v.Server().Text(), u"https://m.example/");
    PostText(v.Control(kIdApi), L"");
    PostAltKey(v.Control(kIdApi), L'v');
    PostKey(v.Control(kIdServer), VK_ESCAPE);
  });
  EXPECT_TRUE(closed) << "Esc is Cancel";

  closed = Open([](Win32OptionsView& v) {
    PostAltKey(v.Control(kIdApi), L'q');  // Alt+Q: the quiet hours' start
    PostText(v.Control(kIdQuietFrom), L"22:00");
    PostAltKey(v.Control(kIdQuietFrom), L'u');  // Alt+U: their end
    PostText(v.Control(kIdQuietTo), L"7:00");
    PostAltKey(v.Control(kIdQuietTo), L'd');  // Alt+D: ticks the busy box
    PostKey(v.Control(kIdRespectBusy), VK_RETURN);
  });
  EXPECT_TRUE(closed);
  EXPECT_EQ(settings.Get(u"QuietFrom", u""), u"22:00");
  EXPECT_EQ(settings.Get(u"QuietTo", u""), u"07:00");
  EXPECT_EQ(settings.Get(u"RespectBusy", u""), u"1");
}

TEST_F(OptionsDialogWin32, HotkeyControlShowsTheCombinationAndKeepsTheWindowsKeyItCannotShow) {
  Win32OptionsView view(app);
  platform::IHotkeyBox& hotkey = view.Hotkey();
  const platform::KeyCombination ctrlShiftF9{platform::kModControl | platform::kModShift, VK_F9};
  hotkey.SetValue(ctrlShiftF9);
  EXPECT_EQ(SendMessageW(view.Control(kIdHotkey), HKM_GETHOTKEY, 0, 0),
            MAKEWORD(VK_F9, HOTKEYF_CONTROL | HOTKEYF_SHIFT));
  EXPECT_EQ(hotkey.Value(), ctrlShiftF9);
  const platform::KeyCombination winAltQ{platform::kModWin | platform::kModAlt, 'Q'};
  hotkey.SetValue(winAltQ);
  EXPECT_EQ(hotkey.Value(), winAltQ);
  SendMessageW(view.Control(kIdHotkey), HKM_SETHOTKEY, MAKEWORD('P', HOTKEYF_ALT), 0);  // the user's choice
  EXPECT_EQ(hotkey.Value(), (platform::KeyCombination{platform::kModAlt, 'P'}));
}

}  // namespace
}  // namespace quillet
