// A kind of network from outside the program's own: listed by the registry, the account dialog
// shows its entry and its rows and stores its "Api" value, and Options names its accounts by its
// own kind name. (The delivery model check sends its lines.)
#include <gtest/gtest.h>

#include "dialogs/account_dialog.h"
#include "dialogs/options_dialog.h"
#include "networks/registry.h"
#include "platform/fake/fake_registry.h"
#include "platform/fake/fake_services.h"
#include "platform/fake/fake_ui.h"
#include "settings/accounts.h"
#include "settings/setting_names.h"
#include "settings/settings_store.h"
#include "tests/unit/fake_account_view.h"
#include "tests/unit/fake_options_view.h"
#include "tests/unit/test_network/loopback_network.h"

namespace quillet::testing {
namespace {

TEST(TestNetwork, TheAccountDialogListsItShowsItsRowsAndStoresItsKind) {
  LoopbackListed listed;
  const Network& loopback = LoopbackNetwork();
  ASSERT_EQ(Networks().back(), &loopback);
  EXPECT_EQ(&NetworkNamed(u"LoopBack"), &loopback);
  platform::fake::FakeRegistry registry;
  SettingsStore settings{registry};
  settings.SetAppTitle(u"Quillet");
  platform::fake::FakeApplication app;
  platform::fake::FakeHttpClient http;
  platform::fake::FakeSecrets secrets;
  platform::fake::FakeWindow owner{0x77};
  settings.Save(kApi, u"loopback");
  settings.Save(kServer, u"https://loop.example/");

  // Each case: the account edited (empty: a new one), and whether the kind is chosen in the list.
  for (const char* id : {"1", ""}) {
    std::vector<std::u16string> listed;
    std::int32_t shownIndex = -1;
    AccountFields shown;
    ShowAccountModal(
        [&]() -> std::unique_ptr<IAccountView> {
          auto view = std::make_unique<FakeAccountView>();
          view->window.whileModal = [&, raw = view.get()](platform::fake::FakeDialog&) {
            if (*id == '\0') raw->ChooseKind(static_cast<std::int32_t>(Networks().size() - 1));
            listed = raw->api.items;
            shownIndex = raw->api.ListIndex();
            shown = raw->shown;
            raw->server.SetText(u"https://loop.example/");
            raw->ok.Click();
          };
          return view;
        },
        {.app = app, .settings = settings, .http = http, .secrets = secrets, .accountId = id}, owner);
    ASSERT_EQ(listed.size(), Networks().size()) << id;
    EXPECT_EQ(listed.back(), loopback.Choice()) << id;
    EXPECT_EQ(shownIndex, static_cast<std::int32_t>(listed.size() - 1)) << id;
    EXPECT_EQ(shown, loopback.Fields()) << id;
  }
  Accounts accounts(settings);
  ASSERT_EQ(accounts.Ids().size(), 2u);
  for (const std::string& id : accounts.Ids()) EXPECT_EQ(accounts.Store(id)->Get(kApi), u"loopback") << id;

  FakeOptionsView options;
  OptionsDialog dialog(options, {.app = app, .settings = settings, .http = http, .secrets = secrets});
  dialog.Load();
  ASSERT_EQ(options.rows.size(), 2u);
  for (const AccountRow& row : options.rows) {
    EXPECT_EQ(row.kind, loopback.KindName());
    EXPECT_EQ(row.server, u"https://loop.example/");
  }
}

}  // namespace
}  // namespace quillet::testing
