// The settings dialog on the fake platform: loading, saving in order, the Run entry, the
// close paths, and bad stored values.
#include <gtest/gtest.h>

#include <memory>

#include "common/codepage.h"
#include "common/failure.h"
#include "platform/fake/fake_registry.h"
#include "platform/fake/fake_services.h"
#include "platform/fake/fake_ui.h"
#include "dialogs/settings_dialog.h"
#include "settings/password_scrambling.h"
#include "settings/settings_store.h"
#include "tests/unit/app_key.h"
#include "tests/unit/fake_account_view.h"
#include "tests/unit/fake_settings_view.h"

namespace quillet {
namespace {

using platform::fake::FakeApplication;
using platform::fake::FakeCheckBox;
using platform::fake::FakeClickable;
using platform::fake::FakeComboBox;
using platform::fake::FakeDialog;
using platform::fake::FakeRegistry;
using platform::fake::FakeTextBox;
using platform::fake::FakeWindow;
using testing::FakeSettingsView;

using testing::kAppKey;
const std::string kRunKey = "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

class SettingsDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings.SetAppTitle(u"Quillet");
    registry.Put(kRunKey, "Other", 1, "x");  // the Run key exists on every system
  }

  // Opens the dialog as the tray menu does; `user` acts while it is modal.
  FakeSettingsView& Open(Callback<void(FakeSettingsView&)> user) {
    ShowSettingsModal(
        [&] {
          auto made = std::make_unique<FakeSettingsView>();
          view = made.get();
          made->window.whileModal = [&, user](FakeDialog&) {
            loaded = *view;  // what the user saw
            if (user) user(*view);
            closedBySelf = view->window.unloaded;
          };
          return made;
        },
        settings, secrets, app, owner);
    return loaded;
  }
  void Store(const std::string& name, const std::string& text) { registry.Put(kAppKey, name, 1, text); }
  std::u16string Stored(std::u16string_view name) { return settings.ReadAppValue(name); }
  const FakeRegistry::Value* RunValue() { return registry.Find(kRunKey, "Quillet"); }

  FakeRegistry registry;
  SettingsStore settings{registry};
  platform::fake::FakeSecrets secrets;
  FakeApplication app;
  FakeWindow owner{0x77};
  FakeSettingsView* view = nullptr;
  FakeSettingsView loaded;
  bool closedBySelf = false;
};

TEST_F(SettingsDialogTest, FirstOpeningOnAnEmptyStoreShowsTheDefaults) {
  auto& seen = Open(nullptr);
  ASSERT_EQ(seen.interval.items.size(), 120u);
  EXPECT_EQ(seen.interval.items[0], u"Update every 1 minutes");
  EXPECT_EQ(seen.interval.items[39], u"Update every 40 minutes");
  EXPECT_EQ(seen.interval.items[119], u"Update every 120 minutes");
  EXPECT_EQ(seen.userName.Text(), u"");
  EXPECT_EQ(seen.password.Text(), u"");
  EXPECT_EQ(seen.startWithWindows.Value(), 1);
  EXPECT_EQ(seen.addFriend.Value(), 1);
  EXPECT_EQ(seen.interval.ListIndex(), 39);
  EXPECT_EQ(seen.window.ownerHandle, 0x77u) << "modal over the window that opened it";
}

TEST_F(SettingsDialogTest, LoadingFillsEveryFieldFromTheStore) {
  Store("username", "alice");
  settings.Save(u"PASSWORD", password_scrambling::Scramble(u"s3cret \u00e9"));
  Store("Startup", "0");
  Store("Addfriend", "2");
  Store("Interval", " 7 ");
  auto& seen = Open(nullptr);
  EXPECT_EQ(seen.userName.Text(), u"alice");
  EXPECT_EQ(seen.password.Text(), u"s3cret \u00e9");
  EXPECT_EQ(seen.startWithWindows.Value(), 0);
  EXPECT_EQ(seen.addFriend.Value(), 2);
  EXPECT_EQ(seen.interval.ListIndex(), 6);
}

TEST_F(SettingsDialogTest, OkOnTheFirstOpeningStoresTheDefaultsAndTheRunEntry) {
  Open([](FakeSettingsView& v) { v.ok.Click(); });
  EXPECT_TRUE(closedBySelf);
  const auto* username = registry.Find(kAppKey, "Username");
  ASSERT_NE(username, nullptr);
  EXPECT_TRUE(username->data.empty());
  EXPECT_EQ(password_scrambling::Unscramble(Stored(u"Password")), u"");
  EXPECT_EQ(Stored(u"Startup"), u"1");
  EXPECT_EQ(Stored(u"Addfriend"), u"1");
  EXPECT_EQ(Stored(u"Interval"), u"40");
  ASSERT_NE(RunValue(), nullptr);
  std::string data(RunValue()->data.begin(), RunValue()->data.end());
  EXPECT_EQ(data, "\"C:\\Program Files\\Quillet\\quillet.exe\"");
  EXPECT_EQ(RunValue()->type, 1u);
}

TEST_F(SettingsDialogTest, OkSavesWhatTheUserEnteredInOrder) {
  Open([](FakeSettingsView& v) {
    v.userName.Focus();
    v.userName.Type(u" bob ");
    v.password.Focus();
    v.password.Type(u"p\u00e4ss&word");
    v.interval.SetListIndex(0);
    v.startWithWindows.SetValue(0);
    v.ok.Click();
  });
  const auto* username = registry.Find(kAppKey, "Username");
  ASSERT_NE(username, nullptr);
  EXPECT_EQ(std::string(username->data.begin(), username->data.end()), " bob ") << "stored exactly as typed";
  EXPECT_EQ(password_scrambling::Unscramble(Stored(u"Password")), u"p\u00e4ss&word");
  EXPECT_EQ(Stored(u"Interval"), u"1");
  EXPECT_EQ(Stored(u"Startup"), u"0");
  ASSERT_NE(RunValue(), nullptr);
  EXPECT_TRUE(RunValue()->data.empty()) << "unticked: the value stays, with empty data";
}

TEST_F(SettingsDialogTest, TheLastEntryStores120) {
  Open([](FakeSettingsView& v) {
    v.interval.SetListIndex(119);
    v.ok.Click();
  });
  EXPECT_EQ(Stored(u"Interval"), u"120");
}

TEST_F(SettingsDialogTest, RunEntryFollowsTheBoxEachTime) {
  Open([](FakeSettingsView& v) {
    v.startWithWindows.SetValue(0);
    v.ok.Click();
  });
  ASSERT_NE(RunValue(), nullptr);
  EXPECT_TRUE(RunValue()->data.empty());
  Open([](FakeSettingsView& v) {
    v.startWithWindows.SetValue(1);
    v.ok.Click();
  });
  EXPECT_EQ(std::string(RunValue()->data.begin(), RunValue()->data.end()),
            "\"C:\\Program Files\\Quillet\\quillet.exe\"");
}

TEST_F(SettingsDialogTest, GreyedStartupIsKeptAndWritesAnEmptyRunEntry) {
  Store("Startup", "2");
  auto& seen = Open([](FakeSettingsView& v) { v.ok.Click(); });
  EXPECT_EQ(seen.startWithWindows.Value(), 2);
  EXPECT_EQ(Stored(u"Startup"), u"2");
  ASSERT_NE(RunValue(), nullptr);
  EXPECT_TRUE(RunValue()->data.empty());
}

TEST_F(SettingsDialogTest, CancelEscAndTheCloseBoxWriteNothing) {
  Store("Username", "alice");
  int setsBefore = registry.setCalls;
  Open([](FakeSettingsView& v) {
    v.userName.SetText(u"mallory");
    v.cancel.Click();  // Cancel, and Esc, which the platform turns into the same click
  });
  EXPECT_TRUE(closedBySelf);
  Open([](FakeSettingsView& v) {
    v.userName.SetText(u"mallory");
    v.window.CloseBox();
  });
  EXPECT_EQ(registry.setCalls, setsBefore);
  EXPECT_EQ(RunValue(), nullptr);
  EXPECT_EQ(Stored(u"Username"), u"alice");
}

TEST_F(SettingsDialogTest, BadStoredNumbersLeaveTheControlsAtTheirInitialState) {
  for (const char* interval : {"121", "abc", "0", "-5", "99999"}) {
    Store("Interval", interval);
    Store("Startup", "3");
    Store("Addfriend", "x");
    auto& seen = Open([](FakeSettingsView& v) { v.ok.Click(); });
    EXPECT_EQ(seen.interval.ListIndex(), -1) << interval;
    EXPECT_EQ(seen.startWithWindows.Value(), 0) << interval;
    EXPECT_EQ(seen.addFriend.Value(), 0) << interval;
    EXPECT_EQ(seen.userName.Text(), u"") << "the later steps still ran";
    EXPECT_EQ(Stored(u"Interval"), u"0") << interval;
    EXPECT_EQ(Stored(u"Startup"), u"0");
  }
}

TEST_F(SettingsDialogTest, AFailingWriteDoesNotStopTheLaterOnes) {
  registry.Deny(kRunKey);
  Open([](FakeSettingsView& v) {
    v.userName.SetText(u"carol");
    v.ok.Click();
  });
  EXPECT_EQ(Stored(u"Username"), u"carol");
  EXPECT_EQ(Stored(u"Interval"), u"40");
  EXPECT_TRUE(closedBySelf) << "the dialog still closes";
  EXPECT_EQ(RunValue(), nullptr);
}

TEST_F(SettingsDialogTest, FocusSelectsTheWholeTextSoTypingReplacesIt) {
  Store("Username", "alice");
  settings.Save(u"Password", password_scrambling::Scramble(u"old"));
  Open([](FakeSettingsView& v) {
    v.password.Focus();
    EXPECT_EQ(v.password.SelectionStart(), 0);
    EXPECT_EQ(v.password.SelectionLength(), 3);
    v.password.Type(u"new");
    v.userName.Focus();
    EXPECT_EQ(v.userName.SelectionLength(), 5);
    v.ok.Click();
  });
  EXPECT_EQ(password_scrambling::Unscramble(Stored(u"Password")), u"new");
  EXPECT_EQ(Stored(u"Username"), u"alice");
}

TEST_F(SettingsDialogTest, RunEntryNamesQuilletExeInTheProgramFolder) {
  app.programFolder = u"D:\\tools";
  FakeSettingsView v;
  SettingsDialog dialog(v, settings, secrets, app);
  EXPECT_EQ(dialog.RunEntryPath(), u"\"D:\\tools\\quillet.exe\"");
}

TEST_F(SettingsDialogTest, EachOpeningStartsAfresh) {
  Open([](FakeSettingsView& v) {
    v.interval.SetListIndex(4);
    v.ok.Click();
  });
  auto& seen = Open(nullptr);
  EXPECT_EQ(seen.interval.items.size(), 120u) << "a new list, filled once";
  EXPECT_EQ(seen.interval.ListIndex(), 4);
}

// The first run's other road: the account dialog from "Another kind of account...". Each case: the
// user name typed first (if any), what the account dialog does, and where the account lands.
TEST_F(SettingsDialogTest, TheFirstRunReachesAnAccountOfAnyKindThroughTheAccountDialog) {
  auto kindIndex = [](ServiceApi api) {
    for (std::size_t at = 0; at < AccountKinds().size(); ++at)
      if (AccountKinds()[at].api == api) return static_cast<std::int32_t>(at);
    return -1;
  };
  struct Case {
    const char16_t* typedUser;
    ServiceApi kind;
    bool okInAccount;
    bool ends;            // the settings dialog closes: the first run is over
    const char* storedAt; // the key the journal-only account is stored under
  } cases[] = {
      {u"", ServiceApi::kJournal, true, true, ""},                   // the first account itself
      {u"bob", ServiceApi::kJournal, true, true, "\\Accounts\\2"},  // beside the built-in one
      {u"", ServiceApi::kJournal, false, false, ""},                 // cancelled: back in the first run
      {u"", ServiceApi::kTwitter, true, false, ""},                  // OK with nothing set up
  };
  for (const Case& c : cases) {
    std::string what = "user '" + std::string(c.typedUser[0] ? "bob" : "") + "', ok " + (c.okInAccount ? "y" : "n");
    FakeRegistry fresh;
    fresh.Put(kRunKey, "Other", 1, "x");
    SettingsStore store{fresh};
    store.SetAppTitle(u"Quillet");
    platform::fake::FakeHttpClient http;
    std::vector<std::string> accountIds;
    bool closed = false, offered = false;
    FirstRunAccount road{
        .makeView =
            [&]() -> std::unique_ptr<IAccountView> {
              auto view = std::make_unique<testing::FakeAccountView>();
              view->window.whileModal = [&, raw = view.get()](FakeDialog&) {
                raw->ChooseKind(kindIndex(c.kind));
                (c.okInAccount ? raw->ok : raw->cancel).Click();
              };
              return view;
            },
        .services = [&](std::string id) -> AccountServices {
          accountIds.push_back(id);
          return {.app = app, .settings = store, .http = http, .secrets = secrets, .accountId = id};
        }};
    ShowSettingsModal(
        [&] {
          auto made = std::make_unique<FakeSettingsView>();
          made->window.whileModal = [&, raw = made.get()](FakeDialog&) {
            offered = raw->setUpAccountShown;
            raw->userName.SetText(c.typedUser);
            raw->interval.SetListIndex(4);
            raw->setUpAccount.Click();
            closed = raw->window.unloaded;
          };
          return made;
        },
        store, secrets, app, owner, road);
    EXPECT_TRUE(offered) << what;
    ASSERT_EQ(accountIds.size(), 1u) << what;
    EXPECT_EQ(accountIds[0], c.typedUser[0] ? "" : "1") << what;
    EXPECT_EQ(closed, c.ends) << what;
    EXPECT_EQ(AnyAccountSetUp(store), c.ends) << what;
    auto stored = [&](const char* name) {
      const auto* value = fresh.Find(kAppKey, name);
      return value ? std::string(value->data.begin(), value->data.end()) : std::string("(absent)");
    };
    EXPECT_EQ(stored("Interval"), c.ends ? "5" : "(absent)") << "the rest stored as OK stores it: " << what;
    EXPECT_EQ(fresh.Find(kRunKey, "Quillet") != nullptr, c.ends) << what;
    if (!c.ends) continue;
    EXPECT_EQ(stored("Username"), c.typedUser[0] ? "bob" : "(absent)") << what;
    const auto* api = fresh.Find(kAppKey + c.storedAt, "Api");
    ASSERT_NE(api, nullptr) << what;
    EXPECT_EQ(std::string(api->data.begin(), api->data.end()), "journal") << what;
  }
  // Opened from the tray, the dialog offers no other road.
  EXPECT_FALSE(Open(nullptr).setUpAccountShown);
}

}  // namespace
}  // namespace quillet
