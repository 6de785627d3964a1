#pragma once
// The settings dialog: the account, the interval, and the start-with-Windows entry. It reads
// every field from the store when it opens and writes them back, in a fixed order and each on
// its own, when the user presses OK. Cancel, Esc and the close box write nothing.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/application.h"
#include "platform/registry.h"
#include "platform/ui.h"

namespace quillet {

// The dialog's window and controls, made anew by the platform for every opening.
class ISettingsView {
 public:
  virtual ~ISettingsView() = default;
  virtual platform::IDialog& Window() = 0;
  virtual platform::ITextBox& Text1(int index) = 0;  // 0 user name, 1 password
  virtual platform::IComboBox& Combo1() = 0;
  virtual platform::ICheckBox& Check1(int index) = 0;    // 0 start with Windows, 1 follow (hidden)
  virtual platform::IClickable& Command1(int index) = 0;  // 0 OK, 1 Cancel
};

using SettingsViewFactory = std::function<std::unique_ptr<ISettingsView>()>;

inline constexpr std::u16string_view kRunKeyPath = u"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr std::u16string_view kRunValueName = u"Quillet";

class frmSettings {
 public:
  // Connects the handlers to the view's controls.
  frmSettings(ISettingsView& view, platform::IRegistry& registry, const platform::IApplication& app);
  frmSettings(const frmSettings&) = delete;
  frmSettings& operator=(const frmSettings&) = delete;

  void Form_Load();
  void Command1_Click(std::int16_t index);
  void Text1_GotFocus(std::int16_t index);

  // The data of the start-with-Windows entry when the box is ticked.
  std::u16string RunEntryPath() const;

 private:
  void Save();
  ISettingsView& view_;
  platform::IRegistry& registry_;
  const platform::IApplication& app_;
};

// Loads a fresh dialog (running Form_Load) and shows it modally over `owner`; returns when it
// has been closed, and destroys it.
void ShowSettingsModal(const SettingsViewFactory& makeView, platform::IRegistry& registry,
                       const platform::IApplication& app, platform::IWindow& owner);

}  // namespace quillet
