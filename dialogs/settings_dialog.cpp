#include "dialogs/settings_dialog.h"

#include "common/convert.h"
#include "common/steps.h"
#include "networks/registry.h"
#include "settings/accounts.h"
#include "settings/registry_path.h"
#include "settings/setting_names.h"
#include "settings/settings_store.h"

namespace quillet {
namespace {

constexpr std::int16_t kTicked = 1;

}  // namespace

bool AnyAccountSetUp(SettingsStore& settings) {
  Accounts accounts(settings);
  if (accounts.Ids().size() > 1) return true;
  std::unique_ptr<SettingsStore> first = accounts.Store(kFirstAccountId);
  return !first->Get(kUserName).empty() || &NetworkOf(*first) != Networks().front();
}

SettingsDialog::SettingsDialog(ISettingsView& view, SettingsStore& settings, platform::ISecrets& secrets,
                               const platform::IApplication& app, std::optional<FirstRunAccount> firstRun)
    : view_(view), settings_(settings), secrets_(secrets), app_(app), firstRun_(std::move(firstRun)) {
  view_.Ok().OnClick([this] { OnOkClicked(); });
  view_.Cancel().OnClick([this] { OnCancelClicked(); });
  view_.UserName().OnGotFocus([this] { OnFieldFocused(view_.UserName()); });
  view_.Password().OnGotFocus([this] { OnFieldFocused(view_.Password()); });
  // The close box closes like Cancel: nothing to do before the dialog goes.
  view_.Window().OnQueryClose([] {});
  if (firstRun_) {
    view_.SetUpAccount().OnClick([this] { OnSetUpAccountClicked(); });
    view_.ShowSetUpAccount();
  }
}

void SettingsDialog::Load() {
  Step([&] {
    for (int n = kInterval.lowest; n <= kInterval.highest; ++n) {
      // Every count reads "minutes" in English, 1 as well.
      view_.Interval().AddItem(FillIn(
          app_.Words().TrPlural(u"Update every %1 minutes", u"Update every %1 minutes", static_cast<unsigned long>(n)),
          {DecimalText(n)}));
    }
  });
  Step([&] { view_.UserName().SetText(settings_.Get(kUserName)); });
  Step([&] { view_.Password().SetText(LoadPassword(settings_, secrets_)); });
  Step([&] { view_.StartWithWindows().SetValue(settings_.Number(kStartup)); });
  Step([&] { view_.AddFriend().SetValue(settings_.Number(kAddFriend)); });
  Step([&] { view_.Interval().SetListIndex(settings_.Number(kInterval) - kInterval.lowest); });
}

void SettingsDialog::OnOkClicked() {
  Save();
  view_.Window().Unload();
}

void SettingsDialog::OnCancelClicked() { view_.Window().Unload(); }

void SettingsDialog::OnSetUpAccountClicked() {
  if (!firstRun_ || !firstRun_->makeView || !firstRun_->services) return;
  bool builtInTyped = !Trimmed(view_.UserName().Text()).empty();
  std::string accountId = builtInTyped ? std::string() : std::string(kFirstAccountId);
  std::string stored = ShowAccountModal(firstRun_->makeView, firstRun_->services(accountId), view_.Window());
  if (stored.empty() || !Guard([&] { return AnyAccountSetUp(settings_); })) return;  // still the first run
  // The account dialog wrote the first account when it was given it: the boxes here are empty.
  if (builtInTyped) SaveAccount();
  SaveOthers();
  view_.Window().Unload();
}

void SettingsDialog::Save() {
  SaveAccount();
  SaveOthers();
}

void SettingsDialog::SaveAccount() {
  Step([&] { settings_.Save(kUserName, view_.UserName().Text()); });
  Step([&] { SavePassword(settings_, secrets_, view_.Password().Text()); });
}

void SettingsDialog::SaveOthers() {
  Step([&] { settings_.SaveNumber(kStartup, view_.StartWithWindows().Value()); });
  Step([&] { settings_.SaveNumber(kAddFriend, view_.AddFriend().Value()); });
  Step([&] { settings_.SaveNumber(kInterval, view_.Interval().ListIndex() + kInterval.lowest); });
  Step([&] {
    std::u16string data = view_.StartWithWindows().Value() == kTicked ? RunEntryPath() : std::u16string();
    registry_path::WriteKeyValue(settings_.Registry(), std::u16string(kRunKeyPath), kRunValueName, data);
  });
}

void SettingsDialog::OnFieldFocused(platform::ITextBox& field) {
  field.SetSelection(0, static_cast<std::int32_t>(field.Text().size()));
}

std::u16string SettingsDialog::RunEntryPath() const {
  std::u16string path(u"\"");
  path.append(app_.ProgramFolder()).append(u"\\quillet.exe\"");
  return path;
}

void ShowSettingsModal(const SettingsViewFactory& makeView, SettingsStore& settings, platform::ISecrets& secrets,
                       const platform::IApplication& app, platform::IWindow& owner,
                       std::optional<FirstRunAccount> firstRun) {
  std::unique_ptr<ISettingsView> view = makeView();
  SettingsDialog dialog(*view, settings, secrets, app, std::move(firstRun));
  dialog.Load();
  view->Window().ShowModal(owner);
}

}  // namespace quillet
