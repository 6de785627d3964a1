#pragma once
// The settings dialog: the account, the interval, and the start-with-Windows entry. It reads
// every field from the store when it opens and writes them back, in a fixed order and each on
// its own, when the user presses OK. Cancel, Esc and the close box write nothing.
// At the first run (no account of any kind set up) it also offers "Another kind of account...":
// the account dialog, as Options' Add... opens it. An account stored there ends the first run as
// OK does, with no user name needed.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "common/callback.h"
#include "dialogs/account_dialog.h"
#include "platform/application.h"
#include "platform/secrets.h"
#include "platform/ui.h"
#include "settings/settings_store.h"

namespace quillet {

// The dialog's window and controls, made anew by the platform for every opening.
class ISettingsView {
 public:
  virtual ~ISettingsView() = default;
  virtual platform::IDialog& Window() = 0;
  virtual platform::ITextBox& UserName() = 0;
  virtual platform::ITextBox& Password() = 0;
  virtual platform::IComboBox& Interval() = 0;
  virtual platform::ICheckBox& StartWithWindows() = 0;
  virtual platform::ICheckBox& AddFriend() = 0;  // kept and saved, never shown
  virtual platform::IClickable& Ok() = 0;
  virtual platform::IClickable& Cancel() = 0;
  // "Another kind of account...": hidden, and out of the Tab order, until shown.
  virtual platform::IClickable& SetUpAccount() = 0;
  virtual void ShowSetUpAccount() = 0;
};

using SettingsViewFactory = Callback<std::unique_ptr<ISettingsView>()>;

inline constexpr std::u16string_view kRunKeyPath =
    u"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr std::u16string_view kRunValueName = u"Quillet";

// Whether any account is set up: the first with a user name or of another kind than the
// built-in service (a journal, a Nostr key, a server signed in to), or any further account.
// While none is, the program's start is the first run.
bool AnyAccountSetUp(SettingsStore& settings);

// The first run's road to an account of another kind: the account dialog and what it needs, for
// the account id given ("1": the first account itself; empty: a new one beside it).
struct FirstRunAccount {
  AccountViewFactory makeView;
  Callback<AccountServices(std::string accountId)> services;
};

class SettingsDialog {
 public:
  // Connects the handlers to the view's controls. The password is the first account's, read and
  // stored in the form its service calls for (settings/accounts.h): scrambled for the built-in
  // service, as always. With `firstRun`, "Another kind of account..." is shown.
  SettingsDialog(ISettingsView& view, SettingsStore& settings, platform::ISecrets& secrets,
                 const platform::IApplication& app, std::optional<FirstRunAccount> firstRun = std::nullopt);
  SettingsDialog(const SettingsDialog&) = delete;
  SettingsDialog& operator=(const SettingsDialog&) = delete;

  // Fills the fields from the store.
  void Load();
  // OK writes every field to the store, then closes; Cancel only closes.
  void OnOkClicked();
  void OnCancelClicked();
  // Opens the account dialog. Without a user name typed, the account set up there becomes the
  // first account; with one, the built-in service's account stays the first and the other comes
  // beside it. Once an account is set up, the dialog stores its other fields, as OK does, and
  // closes; the account dialog cancelled, it stays open.
  void OnSetUpAccountClicked();
  // A field that takes the focus has its whole text selected.
  void OnFieldFocused(platform::ITextBox& field);

  // The data of the start-with-Windows entry when the box is ticked.
  std::u16string RunEntryPath() const;

 private:
  void Save();
  void SaveAccount();  // the user name and password
  void SaveOthers();   // the rest
  ISettingsView& view_;
  SettingsStore& settings_;
  platform::ISecrets& secrets_;
  const platform::IApplication& app_;
  std::optional<FirstRunAccount> firstRun_;
};

// Makes a fresh dialog (filled by Load) and shows it modally over `owner`; returns when it
// has been closed, and destroys it.
void ShowSettingsModal(const SettingsViewFactory& makeView, SettingsStore& settings, platform::ISecrets& secrets,
                       const platform::IApplication& app, platform::IWindow& owner,
                       std::optional<FirstRunAccount> firstRun = std::nullopt);

}  // namespace quillet
