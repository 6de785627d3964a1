#pragma once
// The settings dialog as a real window: a fixed-border window with the frame, the panel that
// holds the labels, text boxes, list and check boxes, and the OK and Cancel buttons, each at
// its twips position converted at the density of the monitor it is on, in the default GUI font;
// laid out again when that density changes. At the first run "Another kind of account..." is
// shown at the left of OK and Cancel; otherwise it is hidden and disabled.
// Keyboard navigation (Tab, Enter, Esc, access keys) runs through the application's loop.
#include <windows.h>

#include <memory>

#include "platform/win32/win32_application.h"
#include "platform/win32/win32_dialog_window.h"
#include "dialogs/settings_dialog.h"

namespace quillet::platform::win32 {

// Control identifiers: OK and Cancel carry the ones that Enter and Esc send.
enum SettingsControlId : int {
  kIdOk = IDOK,
  kIdCancel = IDCANCEL,
  kIdUsername = 101,
  kIdPassword,
  kIdInterval,
  kIdStartup,
  kIdAddfriend,
  kIdFrame,
  kIdPanel,
  kIdLabelUsername,
  kIdLabelPassword,
  kIdLabelInterval,
  kIdSetUpAccount,
};

class Win32SettingsView : public ISettingsView, public Win32DialogWindow {
 public:
  Win32SettingsView(Win32Application& app);
  ~Win32SettingsView() override;

  // ISettingsView
  IDialog& Window() override { return *this; }
  ITextBox& UserName() override { return TextBoxOf(kIdUsername); }
  ITextBox& Password() override { return TextBoxOf(kIdPassword); }
  IComboBox& Interval() override { return DropDownOf(kIdInterval); }
  ICheckBox& StartWithWindows() override { return CheckBoxOf(kIdStartup); }
  ICheckBox& AddFriend() override { return CheckBoxOf(kIdAddfriend); }
  IClickable& Ok() override { return ClicksOf(kIdOk); }
  IClickable& Cancel() override { return ClicksOf(kIdCancel); }
  IClickable& SetUpAccount() override { return ClicksOf(kIdSetUpAccount); }
  // Shows "Another kind of account..." at the left of OK and Cancel, which move right for it.
  void ShowSetUpAccount() override;

  // For tests: the child with this identifier (the controls on the panel included).
  HWND Control(int id) const;

 private:
  HWND FirstField() const override { return TextBoxOf(kIdUsername).hwnd(); }

  class Panel;
  std::unique_ptr<Panel> panel_;
};

// Makes a settings dialog for each opening.
SettingsViewFactory Win32SettingsViews(Win32Application& app);

}  // namespace quillet::platform::win32
