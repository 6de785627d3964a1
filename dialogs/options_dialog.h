#pragma once
// The "Quillet Options" dialog: where the settings beyond the first account's user name and the
// interval are edited. Its Accounts section lists the accounts lines are posted to, each with its
// "post here" tick, and adds, edits (in the account dialog, which stores what it edits at its OK),
// removes and tests them. Its Pop-ups section sets the quiet hours, whether to hold the pop-up
// back while the user is busy or away, and the hotkey for "Post Now". Below them the language the
// program speaks is chosen: Windows' or one the program has. Every value it edits is
// absent until the user makes it differ from the default, so that a key without them behaves as
// Quillet always did.
#include <memory>
#include <optional>
#include <map>
#include <string>
#include <vector>

#include "common/callback.h"
#include "dialogs/account_dialog.h"
#include "platform/application.h"
#include "platform/clock.h"
#include "platform/http.h"
#include "platform/loopback_listener.h"
#include "platform/shell.h"
#include "platform/secrets.h"
#include "networks/service_api.h"
#include "platform/ui.h"
#include "settings/settings_store.h"

namespace quillet {

// An account as a row of the Accounts list shows it.
struct AccountRow {
  std::u16string kind;    // "Mastodon-compatible"
  std::u16string server;  // the address, or the service used without one
  std::u16string name;    // the user name (handle)
  bool postHere = true;
};

// The dialog's window and controls, made anew by the platform for every opening.
class IOptionsView {
 public:
  virtual ~IOptionsView() = default;
  virtual platform::IDialog& Window() = 0;
  // The accounts' list: one row each, in the order of Accounts::Ids, with its tick ("post here").
  virtual void ShowAccounts(const std::vector<AccountRow>& rows) = 0;
  virtual std::int32_t SelectedAccount() const = 0;  // -1: none
  virtual void SelectAccount(std::int32_t row) = 0;
  virtual bool AccountTicked(std::int32_t row) const = 0;
  // Add..., Edit... (also Enter or a double click on a row), Remove (also Del) and Test.
  virtual platform::IClickable& AddAccount() = 0;
  virtual platform::IClickable& EditAccount() = 0;
  virtual platform::IClickable& RemoveAccount() = 0;
  virtual platform::IClickable& Test() = 0;
  virtual platform::ILabel& ServiceMessage() = 0;  // the outcome of a test, or why Remove cannot
  virtual platform::ITextBox& QuietFrom() = 0;     // "HH:MM", or empty
  virtual platform::ITextBox& QuietTo() = 0;
  virtual platform::ICheckBox& RespectBusy() = 0;
  virtual platform::ICheckBox& HoldWhileFullScreen() = 0;  // "Wait while a program fills the screen"
  virtual platform::IHotkeyBox& Hotkey() = 0;
  virtual platform::ILabel& PopUpMessage() = 0;  // why an entry is refused, or that the hotkey is taken
  virtual platform::ICheckBox& Journal() = 0;    // "Keep a journal of my lines"
  virtual platform::ICheckBox& CheckForUpdates() = 0;  // "Tell me when a new version is out"
  // "Windows' language", then each language the program has, in its own words.
  virtual platform::IComboBox& Language() = 0;
  virtual platform::IClickable& Ok() = 0;
  virtual platform::IClickable& Cancel() = 0;
  // Puts the keyboard focus into the start of the quiet hours, or into the hotkey control.
  virtual void FocusQuietFrom() = 0;
  virtual void FocusHotkey() = 0;
  // Asks a question over the dialog; true for Yes.
  virtual bool AskYesNo(std::u16string_view question) = 0;
};

using OptionsViewFactory = Callback<std::unique_ptr<IOptionsView>()>;

struct OptionsServices {
  const platform::IApplication& app;
  SettingsStore& settings;
  platform::IHttpClient& http;
  platform::ISecrets& secrets;
  // Runs after an account was stored, removed, ticked or unticked (to read the servers' limits).
  Callback<void()> serviceChanged;
  // Runs after an account was removed, with its id (its waiting lines go to the person).
  Callback<void(const std::string&)> accountRemoved;
  // Takes the global hotkey for "Post Now" (none: releases it); false when another program
  // holds the combination.
  Callback<bool(std::optional<platform::KeyCombination>)> takeHotkey;
  // The hotkey the program holds now.
  Callback<std::optional<platform::KeyCombination>()> heldHotkey;
  // Signing in through the browser: without a shell and a clock, "Sign in..." says it cannot.
  platform::IShell* shell = nullptr;
  platform::IClock* clock = nullptr;
  platform::LoopbackListenerFactory makeListener;
  // The program's files: the account dialog names where the journal is.
  platform::IFiles* files = nullptr;
  // The account dialog that Add... and Edit... open; none: they do nothing.
  AccountViewFactory makeAccountView;
  // Runs after OK stored another language, so that the program speaks it from then on.
  Callback<void()> languageChosen;
};

class OptionsDialog {
 public:
  OptionsDialog(IOptionsView& view, OptionsServices services);
  OptionsDialog(const OptionsDialog&) = delete;
  OptionsDialog& operator=(const OptionsDialog&) = delete;

  void Load();
  // Stores what changed (the ticks among them) and closes; quiet hours or a hotkey that cannot be
  // used are refused with a message, and the dialog stays open.
  void OnOkClicked();
  void OnCancelClicked();
  // Tests the selected account as it is stored; the outcome appears in the section's message.
  void OnTestClicked();
  void OnAddClicked();
  void OnEditClicked();
  // Removes the selected account after a Yes; the first account cannot be removed.
  void OnRemoveClicked();

 private:
  // Shows the accounts again, with the ticks not yet stored as they were, and selects `id`'s row.
  void ShowAccounts(const std::string& selectId);
  // The ticks as the list shows them, by account id.
  std::map<std::string, bool> ShownTicks();
  AccountServices AccountDialogServices(std::string id);
  void ShowMessage(std::u16string_view message);
  void ShowPopUpMessage(std::u16string_view message);
  // The quiet hours as entered (both empty: none), or the reason they are refused.
  struct QuietHours {
    std::optional<int> from, to;
    std::u16string problem;
  };
  QuietHours EnteredQuietHours();
  void StorePopUpSettings(const QuietHours& quiet, std::optional<platform::KeyCombination> hotkey);
  void LoadLanguage();
  void StoreLanguage();

  IOptionsView& view_;
  OptionsServices s_;
  std::vector<std::string> shownIds_;  // the account of each row
  std::int32_t loadedLanguage_ = 0;    // the language list's entry as Load selected it
  // Replies of tests still under way reach the dialog only while it exists.
  std::shared_ptr<OptionsDialog*> self_ = std::make_shared<OptionsDialog*>(this);
};

// Makes a fresh dialog (filled by Load) and shows it modally over `owner`; returns when it
// has been closed, and destroys it.
void ShowOptionsModal(const OptionsViewFactory& makeView, OptionsServices services, platform::IWindow& owner);

}  // namespace quillet
