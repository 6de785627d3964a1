#include "dialogs/options_dialog.h"

#include <algorithm>

#include "common/codepage.h"
#include "common/convert.h"
#include "common/language_choice.h"
#include "common/steps.h"
#include "common/utf8.h"
#include "posting/pop_up_rules.h"
#include "networks/delivery_account.h"
#include "delivery/server_address.h"
#include "networks/registry.h"
#include "delivery/status_sender.h"
#include "settings/access_token.h"
#include "settings/accounts.h"
#include "settings/hotkey_text.h"
#include "settings/setting_names.h"

namespace quillet {
namespace {

constexpr std::u16string_view kHotkeyNeedsAModifier =
    Translatable(u"A hotkey needs Ctrl, Alt or the Windows key, so that it takes no key from other programs.");

std::u16string HotkeyTakenMessage(const Catalog& words, platform::KeyCombination combination) {
  return FillIn(words.Tr(u"%1 is in use by another program: choose another combination."), {HotkeyText(combination)});
}

// Stores a value that differs from the stored one; an empty value is removed, so that it is absent.
void StoreIfChanged(SettingsStore& settings, const TextSetting& name, const std::u16string& value, bool same) {
  if (same) return;
  if (value.empty()) {
    settings.Delete(name);
  } else {
    settings.Save(name, value);
  }
}

// A plain value of the dialog: a flag shown by a check box, ticked as the flag reads, and stored
// at OK only when the user made it differ (at its default it is absent again).
struct FlagBox {
  const FlagSetting& setting;
  platform::ICheckBox& (IOptionsView::*box)();
};

// Every plain value the dialog edits: a new one is a row here and its check box in the view.
constexpr FlagBox kFlagBoxes[] = {
    {kJournal, &IOptionsView::Journal},
    {kRespectBusy, &IOptionsView::RespectBusy},
    {kHoldWhileFullScreen, &IOptionsView::HoldWhileFullScreen},
    {kCheckForUpdates, &IOptionsView::CheckForUpdates},
};
static_assert(std::ranges::all_of(kFlagBoxes, [](const FlagBox& bound) { return bound.setting.editedBy.options; }));

void LoadFlagBoxes(IOptionsView& view, SettingsStore& settings) {
  for (const FlagBox& bound : kFlagBoxes)
    Step([&] { (view.*bound.box)().SetValue(settings.Flag(bound.setting) ? 1 : 0); });
}

void StoreFlagBoxes(IOptionsView& view, SettingsStore& settings) {
  for (const FlagBox& bound : kFlagBoxes) {
    Step([&] {
      bool ticked = (view.*bound.box)().Value() == 1;
      if (ticked != settings.Flag(bound.setting)) settings.SaveFlag(bound.setting, ticked);
    });
  }
}

}  // namespace

OptionsDialog::OptionsDialog(IOptionsView& view, OptionsServices services) : view_(view), s_(std::move(services)) {
  view_.Ok().OnClick([this] { OnOkClicked(); });
  view_.Cancel().OnClick([this] { OnCancelClicked(); });
  view_.Test().OnClick([this] { OnTestClicked(); });
  view_.AddAccount().OnClick([this] { OnAddClicked(); });
  view_.EditAccount().OnClick([this] { OnEditClicked(); });
  view_.RemoveAccount().OnClick([this] { OnRemoveClicked(); });
  view_.Window().OnQueryClose([] {});  // the close box closes like Cancel
}

void OptionsDialog::Load() {
  Step([&] { ShowAccounts(std::string(kFirstAccountId)); });
  Step([&] { view_.ServiceMessage().SetCaption(u""); });
  LoadFlagBoxes(view_, s_.settings);

  PopUpRules rules;
  Step([&] { rules = ReadPopUpRules(s_.settings); });
  Step([&] { view_.QuietFrom().SetText(rules.quietFrom ? ClockTimeText(*rules.quietFrom) : u""); });
  Step([&] { view_.QuietTo().SetText(rules.quietTo ? ClockTimeText(*rules.quietTo) : u""); });
  Step([&] { view_.PopUpMessage().SetCaption(u""); });
  Step([&] { LoadLanguage(); });
  Step([&] {
    std::optional<platform::KeyCombination> stored = ParseHotkey(s_.settings.Get(kHotkey));
    if (!stored) return;
    view_.Hotkey().SetValue(*stored);
    // Not taken when Quillet started: said here, since nothing else can say it.
    if (!UsableHotkey(*stored)) {
      ShowPopUpMessage(s_.app.Words().Tr(kHotkeyNeedsAModifier));
    } else if (s_.heldHotkey && s_.heldHotkey() != stored) {
      ShowPopUpMessage(HotkeyTakenMessage(s_.app.Words(), *stored));
    }
  });
}

OptionsDialog::QuietHours OptionsDialog::EnteredQuietHours() {
  std::u16string from = Trimmed(view_.QuietFrom().Text());
  std::u16string to = Trimmed(view_.QuietTo().Text());
  QuietHours quiet;
  if (from.empty() && to.empty()) return quiet;
  quiet.from = ParseClockTime(from);
  quiet.to = ParseClockTime(to);
  if (!quiet.from || !quiet.to) {
    quiet.problem = s_.app.Words().Tr(u"Enter the quiet hours as two times such as 22:00 and 07:00, or leave both empty.");
  } else if (*quiet.from == *quiet.to) {
    quiet.problem = s_.app.Words().Tr(u"The quiet hours must start and end at different times.");
  }
  return quiet;
}

void OptionsDialog::StorePopUpSettings(const QuietHours& quiet, std::optional<platform::KeyCombination> hotkey) {
  PopUpRules stored = ReadPopUpRules(s_.settings);
  bool sameQuiet = quiet.from == stored.quietFrom && quiet.to == stored.quietTo;
  StoreIfChanged(s_.settings, kQuietFrom, quiet.from ? ClockTimeText(*quiet.from) : u"", sameQuiet);
  StoreIfChanged(s_.settings, kQuietTo, quiet.to ? ClockTimeText(*quiet.to) : u"", sameQuiet);
  std::optional<platform::KeyCombination> storedHotkey = ParseHotkey(s_.settings.Get(kHotkey));
  StoreIfChanged(s_.settings, kHotkey, hotkey ? HotkeyText(*hotkey) : u"", hotkey == storedHotkey);
}

// The list's entry 0 is Windows' language (the setting absent), entry i the language Languages()[i - 1];
// a stored language the program does not have shows as Windows', which it then is.
void OptionsDialog::LoadLanguage() {
  const Catalog& words = s_.app.Words();
  platform::IComboBox& list = view_.Language();
  list.AddItem(words.Tr(u"Windows' language"));
  std::string stored = utf8::FromUtf16(s_.settings.Get(kLanguage));
  const std::vector<Catalog>& languages = Languages();
  for (std::size_t i = 0; i < languages.size(); ++i) {
    list.AddItem(languages[i].Name());
    if (languages[i].Tag() == stored) loadedLanguage_ = static_cast<std::int32_t>(i + 1);
  }
  list.SetListIndex(loadedLanguage_);
}

// Written only when the person chose another entry; Windows' language is the setting absent.
void OptionsDialog::StoreLanguage() {
  std::int32_t chosen = view_.Language().ListIndex();
  if (chosen < 0 || chosen == loadedLanguage_) return;
  if (chosen == 0) {
    s_.settings.Delete(kLanguage);
  } else {
    s_.settings.Save(kLanguage, utf8::ToUtf16(Languages().at(static_cast<std::size_t>(chosen - 1)).Tag()));
  }
  loadedLanguage_ = chosen;
  if (s_.languageChosen) s_.languageChosen();
}

void OptionsDialog::ShowMessage(std::u16string_view message) {
  Step([&] { view_.ServiceMessage().SetCaption(message); });
}

void OptionsDialog::ShowPopUpMessage(std::u16string_view message) {
  Step([&] { view_.PopUpMessage().SetCaption(message); });
}

void OptionsDialog::ShowAccounts(const std::string& selectId) {
  std::map<std::string, bool> shownTicks = ShownTicks();
  std::vector<AccountSummary> accounts = Accounts(s_.settings).List();
  std::vector<AccountRow> rows;
  shownIds_.clear();
  std::int32_t selected = -1;
  for (const AccountSummary& account : accounts) {
    const Network& network = NetworkNamed(account.api);
    std::u16string server = network.ServerText(account.server);
    if (server.empty() && !network.JournalOnly()) server = s_.app.Words().Tr(u"(the built-in service)");
    auto shown = shownTicks.find(account.id);
    bool ticked = shown != shownTicks.end() ? shown->second : account.postHere;
    if (account.id == selectId) selected = static_cast<std::int32_t>(rows.size());
    std::u16string name = account.userName;
    Step([&] { network.ListRow(*Accounts(s_.settings).Store(account.id), s_.secrets, server, name); });
    rows.push_back({.kind = s_.app.Words().Tr(network.KindName()), .server = server, .name = name, .postHere = ticked});
    shownIds_.push_back(account.id);
  }
  view_.ShowAccounts(rows);
  view_.SelectAccount(selected);
}

std::map<std::string, bool> OptionsDialog::ShownTicks() {
  std::map<std::string, bool> ticks;
  for (std::size_t row = 0; row < shownIds_.size(); ++row)
    ticks[shownIds_[row]] = view_.AccountTicked(static_cast<std::int32_t>(row));
  return ticks;
}

AccountServices OptionsDialog::AccountDialogServices(std::string id) {
  return {.app = s_.app,
          .settings = s_.settings,
          .http = s_.http,
          .secrets = s_.secrets,
          .accountId = std::move(id),
          .changed = s_.serviceChanged,
          .shell = s_.shell,
          .clock = s_.clock,
          .makeListener = s_.makeListener,
          .files = s_.files};
}

void OptionsDialog::OnAddClicked() {
  if (!s_.makeAccountView) return;
  std::string stored = ShowAccountModal(s_.makeAccountView, AccountDialogServices(""), view_.Window());
  if (!stored.empty()) {
    ShowMessage(u"");
    ShowAccounts(stored);
  }
}

void OptionsDialog::OnEditClicked() {
  std::int32_t row = view_.SelectedAccount();
  if (!s_.makeAccountView || row < 0 || row >= static_cast<std::int32_t>(shownIds_.size())) return;
  std::string id = shownIds_[static_cast<std::size_t>(row)];
  std::string stored = ShowAccountModal(s_.makeAccountView, AccountDialogServices(id), view_.Window());
  if (!stored.empty()) {
    ShowMessage(u"");
    ShowAccounts(id);
  }
}

void OptionsDialog::OnRemoveClicked() {
  std::int32_t row = view_.SelectedAccount();
  if (row < 0 || row >= static_cast<std::int32_t>(shownIds_.size())) return;
  std::string id = shownIds_[static_cast<std::size_t>(row)];
  if (id == kFirstAccountId) {
    ShowMessage(s_.app.Words().Tr(u"The first account cannot be removed. Untick it so that lines do not go to it."));
    return;
  }
  Accounts accounts(s_.settings);
  std::u16string name;
  for (const AccountSummary& account : accounts.List())
    if (account.id == id) name = AccountName(account, s_.app.Words());
  bool remove = false;
  Step([&] {
    remove = view_.AskYesNo(
        FillIn(s_.app.Words().Tr(u"Remove the account %1? Lines still waiting for it stay in your hands."), {name}));
  });
  if (!remove) return;
  Step([&] { accounts.Remove(id); });
  ShowMessage(u"");
  ShowAccounts(shownIds_[static_cast<std::size_t>(row) - 1]);
  if (s_.accountRemoved) Step([&] { s_.accountRemoved(id); });
  if (s_.serviceChanged) Step([&] { s_.serviceChanged(); });
}

void OptionsDialog::OnOkClicked() {
  QuietHours quiet = EnteredQuietHours();
  if (!quiet.problem.empty()) {
    ShowPopUpMessage(quiet.problem);
    Step([&] { view_.FocusQuietFrom(); });
    return;
  }
  std::optional<platform::KeyCombination> hotkey;
  Step([&] {
    platform::KeyCombination chosen = view_.Hotkey().Value();
    if (chosen.key != 0) hotkey = chosen;
  });
  if (hotkey && !UsableHotkey(*hotkey)) {
    ShowPopUpMessage(s_.app.Words().Tr(kHotkeyNeedsAModifier));
    Step([&] { view_.FocusHotkey(); });
    return;
  }
  if (s_.takeHotkey && !Guard([&] { return s_.takeHotkey(hotkey); })) {
    ShowPopUpMessage(HotkeyTakenMessage(s_.app.Words(), *hotkey));
    Step([&] { view_.FocusHotkey(); });
    return;
  }
  Step([&] { StorePopUpSettings(quiet, hotkey); });

  bool ticksChanged = false;
  Step([&] {
    Accounts accounts(s_.settings);
    for (const auto& [id, ticked] : ShownTicks()) {
      if (!accounts.Exists(id)) continue;
      std::unique_ptr<SettingsStore> account = accounts.Store(id);
      if (ticked == account->Flag(kPostHere)) continue;
      ticksChanged = true;
      account->SaveFlag(kPostHere, ticked);
    }
  });
  StoreFlagBoxes(view_, s_.settings);
  Step([&] { StoreLanguage(); });
  if (ticksChanged && s_.serviceChanged) Step([&] { s_.serviceChanged(); });
  view_.Window().Unload();
}

void OptionsDialog::OnCancelClicked() { view_.Window().Unload(); }

void OptionsDialog::OnTestClicked() {
  std::int32_t row = view_.SelectedAccount();
  if (row < 0 || row >= static_cast<std::int32_t>(shownIds_.size())) {
    ShowMessage(s_.app.Words().Tr(u"Choose an account in the list first."));
    return;
  }
  Accounts accounts(s_.settings);
  const std::string& id = shownIds_[static_cast<std::size_t>(row)];
  std::shared_ptr<SettingsStore> account = accounts.Store(id);
  DeliveryAccount stored = ReadDeliveryAccount(*account, s_.secrets, id);
  AccountEntries entries{.network = &NetworkOf(*account), .server = account->Get(kServer), .credentials = stored.credentials};
  std::weak_ptr<OptionsDialog*> alive = self_;
  TestAccount({.app = s_.app, .http = s_.http, .sessions = StoredSessions(account, s_.secrets)}, entries,
              [alive](std::u16string words, std::optional<int>) {
                auto self = alive.lock();
                if (!self) return false;  // the dialog has closed
                (*self)->ShowMessage(words);
                return true;
              });
}

void ShowOptionsModal(const OptionsViewFactory& makeView, OptionsServices services, platform::IWindow& owner) {
  std::unique_ptr<IOptionsView> view = makeView();
  OptionsDialog dialog(*view, std::move(services));
  dialog.Load();
  view->Window().ShowModal(owner);
}

}  // namespace quillet
