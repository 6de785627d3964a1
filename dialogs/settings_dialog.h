#pragma once
// The settings dialog: the account, the interval, and the start-with-Windows entry. It reads
// every field from the store when it opens and writes them back, in a fixed order and each on
// its own, when the user presses OK. Cancel, Esc and the close box write nothing.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

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
};

using SettingsViewFactory = std::function<std::unique_ptr<ISettingsView>()>;

inline constexpr std::u16string_view kRunKeyPath =
    u"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr std::u16string_view kRunValueName = u"Quillet";

class SettingsDialog {
 public:
  // Connects the handlers to the view's controls. The password is the first account's, read and
  // stored in the form its service calls for (settings/accounts.h): scrambled for the built-in
  // service, as always.
  SettingsDialog(ISettingsView& view, SettingsStore& settings, platform::ISecrets& secrets,
                 const platform::IApplication& app);
  SettingsDialog(const SettingsDialog&) = delete;
  SettingsDialog& operator=(const SettingsDialog&) = delete;

  // Fills the fields from the store.
  void Load();
  // OK writes every field to the store, then closes; Cancel only closes.
  void OnOkClicked();
  void OnCancelClicked();
  // A field that takes the focus has its whole text selected.
  void OnFieldFocused(platform::ITextBox& field);

  // The data of the start-with-Windows entry when the box is ticked.
  std::u16string RunEntryPath() const;

 private:
  void Save();
  ISettingsView& view_;
  SettingsStore& settings_;
  platform::ISecrets& secrets_;
  const platform::IApplication& app_;
};

// Makes a fresh dialog (filled by Load) and shows it modally over `owner`; returns when it
// has been closed, and destroys it.
void ShowSettingsModal(const SettingsViewFactory& makeView, SettingsStore& settings, platform::ISecrets& secrets,
                       const platform::IApplication& app, platform::IWindow& owner);

}  // namespace quillet
