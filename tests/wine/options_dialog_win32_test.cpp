// The options and account dialogs as real windows under Wine: their controls inside the window at
// the display's density, access keys, Enter and Esc, the accounts' list, and what OK stores in the
// real registry (the token and another account's password through the system's data protection,
// never in clear).
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include "platform/win32/win32_application.h"
#include "platform/win32/win32_http_client.h"
#include "windows/win32_account_dialog.h"
#include "windows/win32_options_dialog.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_secrets.h"
#include "dialogs/options_dialog.h"
#include "settings/accounts.h"
#include "settings/setting_names.h"
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
  // The options dialog with the answer to its questions given by the test.
  class AnsweredOptionsView : public Win32OptionsView {
   public:
    using Win32OptionsView::Win32OptionsView;
    bool AskYesNo(std::u16string_view question) override {
      questions.emplace_back(question);
      return answerYes;
    }
    std::vector<std::u16string> questions;
    bool answerYes = true;
  };
  // Opens the options dialog as the program does; returns whether the test's input closed it.
  // `inAccount` acts in each account dialog Add... or Edit... opens, before it is shown: what it
  // posts is taken once the dialog is up.
  bool Open(Callback<void(AnsweredOptionsView&)> act, Callback<void(Win32AccountView&)> inAccount = {}) {
    AnsweredOptionsView view(app);
    OptionsDialog dialog(view, {.app = app,
                                .settings = settings,
                                .http = http,
                                .secrets = secrets,
                                .makeAccountView = [this, inAccount]() -> std::unique_ptr<IAccountView> {
                                  auto account = std::make_unique<Win32AccountView>(app);
                                  if (inAccount) inAccount(*account);
                                  return account;
                                }});
    dialog.Load();
    return ShowAndAct(view, owner, [&view, act] { act(view); });
  }
  // Opens the first account's dialog from Options (Enter on its row), and closes Options after it.
  bool EditFirstAccount(Callback<void(Win32AccountView&)> inAccount) {
    bool closedAccount = false;
    bool closed = Open(
        [](AnsweredOptionsView& v) {
          v.SelectAccount(0);
          PostKey(v.Control(kIdAccountsList), VK_RETURN);  // Enter in the list: Edit...
        },
        [&closedAccount, inAccount](Win32AccountView& v) {
          inAccount(v);
          PostMessageW(FindWindowW(L"QuilletOptions", nullptr), WM_CLOSE, 0, 0);
          closedAccount = true;
        });
    return closed && closedAccount;
  }

  Win32Application app{u"Quillet"};
  Win32Registry registry;
  SettingsStore settings{registry};
  Win32HttpClient http{2000};
  Win32Secrets secrets;
  testing::OwnerWindow owner;
};

TEST_F(OptionsDialogWin32, EveryControlLiesInsideTheWindowAndNoFieldOverlapsAnother) {
  Win32OptionsView options(app);
  Win32AccountView account(app);
  struct Case {
    Win32DialogWindow& dialog;
    std::vector<int> ids;
    int dropDown;  // measured at its closed height
  };
  Case cases[] = {
      {options,
       {kIdLabelAccounts, kIdAccountsList, kIdAddAccount, kIdEditAccount, kIdRemoveAccount, kIdTest, kIdServiceMessage,
        kIdJournal, kIdQuietFrom, kIdQuietTo, kIdQuietHint, kIdRespectBusy, kIdHoldWhileFullScreen, kIdHotkey,
        kIdHotkeyHint, kIdPopUpMessage, kIdCheckForUpdates, kIdOptionsOk, kIdOptionsCancel},
       0},
      {account,  // as it opens, before it knows the kind (each kind's fields: account_dialog_win32_test.cpp)
       {kIdAccountApi, kIdAccountMessage, kIdAccountOk, kIdAccountCancel},
       kIdAccountApi},
  };
  for (const Case& c : cases) {
    ::RECT client;
    GetClientRect(c.dialog.hwnd(), &client);
    std::vector<::RECT> fields;
    for (int id : c.ids) {
      ::RECT r;
      ASSERT_NE(c.dialog.Control(id), nullptr) << id;
      GetWindowRect(c.dialog.Control(id), &r);
      MapWindowPoints(nullptr, c.dialog.hwnd(), reinterpret_cast<POINT*>(&r), 2);
      if (id == c.dropDown) r.bottom = r.top + 22;  // the list's closed height
      EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom) << id;
      for (const ::RECT& other : fields) {
        ::RECT overlap;
        EXPECT_FALSE(IntersectRect(&overlap, &r, &other)) << id;
      }
      fields.push_back(r);
    }
  }
}

TEST_F(OptionsDialogWin32, TheListShowsTheAccountsAddStoresAProtectedOneAndRemoveDeletesIt) {
  settings.Save(kUserName, u"alice");
  bool closed = Open(
      [](AnsweredOptionsView& v) {
        EXPECT_EQ(v.CellText(0, 0), L"Twitter-compatible");
        EXPECT_EQ(v.CellText(0, 2), L"alice");
        EXPECT_TRUE(v.AccountTicked(0));
        PostAltKey(v.Control(kIdAccountsList), L'a');  // Alt+A: Add...
      },
      [](Win32AccountView& v) {
        PostText(v.Control(kIdAccountServer), L"https://b.example/");
        PostText(v.Control(kIdAccountUserName), L"bob");
        PostText(v.Control(kIdAccountPassword), L"pw-2");
        PostKey(v.Control(kIdAccountPassword), VK_RETURN);            // OK: stored at once
        PostKey(FindWindowW(L"QuilletOptions", nullptr), VK_ESCAPE);  // Options: Cancel
      });
  EXPECT_TRUE(closed);
  Accounts accounts(settings);
  ASSERT_EQ(accounts.Ids(), (std::vector<std::string>{"1", "2"})) << "Cancel in Options keeps the account stored";
  auto second = accounts.Store("2");
  EXPECT_EQ(second->Get(kUserName), u"bob");
  EXPECT_EQ(second->Get(kServer), u"https://b.example/");
  auto password = second->ReadBytes(kAccountPassword);
  ASSERT_TRUE(password);
  EXPECT_EQ(password->find("pw-2"), std::string::npos) << "never in clear";
  EXPECT_EQ(LoadPassword(*second, secrets), u"pw-2");
  EXPECT_EQ(settings.Get(kUserName), u"alice") << "the first account is untouched";

  closed = Open([](AnsweredOptionsView& v) {
    EXPECT_EQ(v.CellText(1, 1), L"https://b.example/");
    EXPECT_EQ(v.CellText(1, 2), L"bob");
    v.SelectAccount(0);
    PostKey(v.Control(kIdAccountsList), VK_DELETE);  // the first account: only explained
    PostKey(v.Control(kIdAccountsList), VK_DOWN);
    PostKey(v.Control(kIdAccountsList), VK_DELETE);
    PostKey(v.Control(kIdAccountsList), VK_SPACE);  // unticks the first account (selected again)
    PostAltKey(v.Control(kIdAccountsList), L'o');   // OK
  });
  EXPECT_TRUE(closed);
  EXPECT_EQ(accounts.Ids(), (std::vector<std::string>{"1"})) << "Del removed the second account after Yes";
  EXPECT_EQ(settings.Get(kPostHere.name, kPostHere.defaultValue), u"0")
      << "Space unticked the first account, stored at OK";
}

TEST_F(OptionsDialogWin32, AccessKeysEnterAndEscAndWhatOkStores) {
  bool closed = EditFirstAccount([](Win32AccountView& v) {
    PostAltKey(v.Control(kIdAccountApi), L'v');  // Alt+V: the server's address
    PostText(v.Control(kIdAccountServer), L"https://h.example:70000/");
    PostKey(v.Control(kIdAccountServer), VK_RETURN);  // refused: the dialog stays
    PostKey(v.Control(kIdAccountServer), VK_ESCAPE);
  });
  EXPECT_TRUE(closed);
  EXPECT_EQ(settings.Get(u"Server", u""), u"");

  closed = EditFirstAccount([](Win32AccountView& v) {
    PostKey(v.Control(kIdAccountApi), VK_DOWN);  // the next kind: Mastodon-compatible
    PostAltKey(v.Control(kIdAccountApi), L'v');
    PostText(v.Control(kIdAccountServer), L"https://m.example/");
    PostAltKey(v.Control(kIdAccountServer), L'n');  // Alt+N: ticks "Enter an access token instead"
    PostAltKey(v.Control(kIdAccountServer), L't');  // Alt+T: the token, shown now
    PostText(v.Control(kIdAccountToken), L"tok-1");
    PostKey(v.Control(kIdAccountToken), VK_RETURN);
  });
  EXPECT_TRUE(closed) << "Enter is OK";
  EXPECT_EQ(settings.Get(u"Server", u""), u"https://m.example/");
  EXPECT_EQ(settings.Get(u"Api", u""), u"mastodon");
  auto token = settings.ReadBytes(u"Token");
  ASSERT_TRUE(token);
  EXPECT_EQ(token->find("tok-1"), std::string::npos) << "never in clear";
  EXPECT_EQ(secrets.Unprotect(*token), "tok-1");

  closed = EditFirstAccount([](Win32AccountView& v) {
    PostAltKey(v.Control(kIdAccountApi), L'v');
    PostText(v.Control(kIdAccountServer), L"x");
    PostKey(v.Control(kIdAccountServer), VK_ESCAPE);  // Cancel
  });
  EXPECT_TRUE(closed) << "Esc is Cancel";
  EXPECT_EQ(settings.Get(u"Server", u""), u"https://m.example/");

  closed = Open([](AnsweredOptionsView& v) {
    PostAltKey(v.Control(kIdAccountsList), L'q');  // Alt+Q: the quiet hours' start
    PostText(v.Control(kIdQuietFrom), L"22:00");
    PostAltKey(v.Control(kIdQuietFrom), L'u');  // Alt+U: their end
    PostText(v.Control(kIdQuietTo), L"7:00");
    PostAltKey(v.Control(kIdQuietTo), L'd');  // Alt+D: ticks the busy box
    PostAltKey(v.Control(kIdRespectBusy), L'v');  // Alt+V: ticks the update check
    PostKey(v.Control(kIdCheckForUpdates), VK_RETURN);
  });
  EXPECT_TRUE(closed);
  EXPECT_EQ(settings.Get(u"QuietFrom", u""), u"22:00");
  EXPECT_EQ(settings.Get(u"QuietTo", u""), u"07:00");
  EXPECT_EQ(settings.Get(u"RespectBusy", u""), u"1");
  EXPECT_EQ(settings.Get(u"CheckForUpdates", u""), u"1");
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
