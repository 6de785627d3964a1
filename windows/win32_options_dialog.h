#pragma once
// The "Quillet Options" dialog as a real window: a fixed-border window with one group box per
// section, each control at its twips position converted at the display's dots per inch, in the
// default GUI font, and OK and Cancel at the bottom. Keyboard navigation (Tab, Enter, Esc,
// access keys) runs through the application's loop. The Accounts section's list is a report-style
// list view with a check box in each row (the "post here" tick: a click or Space toggles it); in
// it Enter and a double click on a row are Edit..., and Del is Remove. The language the program
// speaks is chosen on the buttons' row.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/win32_application.h"
#include "platform/win32/win32_controls.h"
#include "platform/win32/win32_dialog_window.h"
#include "platform/win32/win32_edit_box.h"
#include "platform/win32/win32_timer.h"
#include "dialogs/options_dialog.h"

namespace quillet::platform::win32 {

enum OptionsControlId : int {
  kIdOptionsOk = IDOK,
  kIdOptionsCancel = IDCANCEL,
  kIdAccountsList = 201,
  kIdAddAccount,
  kIdEditAccount,
  kIdTest,
  kIdServiceMessage,
  kIdRemoveAccount,
  kIdServiceFrame,
  kIdLabelAccounts,
  kIdQuietFrom = 211,
  kIdQuietTo,
  kIdRespectBusy,
  kIdHotkey,
  kIdPopUpMessage,
  kIdPopUpFrame,
  kIdLabelQuietFrom,
  kIdLabelQuietTo,
  kIdQuietHint,
  kIdLabelHotkey,
  kIdHotkeyHint,
  kIdJournal,
  kIdLinesFrame,
  kIdLabelLanguage,
  kIdLanguage,
  kIdHoldWhileFullScreen,
  kIdCheckForUpdates,
};

// The common controls' hotkey control (msctls_hotkey32). It cannot show the Windows key: a
// combination with it that was set comes back as set while the user leaves the control alone.
class Win32HotkeyBox : public IHotkeyBox {
 public:
  explicit Win32HotkeyBox(HWND hwnd);
  KeyCombination Value() const override;
  void SetValue(KeyCombination combination) override;
  HWND hwnd() const { return hwnd_; }

 private:
  KeyCombination Shown() const;
  HWND hwnd_;
  KeyCombination set_;
};

class Win32OptionsView : public IOptionsView, public Win32DialogWindow {
 public:
  explicit Win32OptionsView(Win32Application& app);

  // IOptionsView
  IDialog& Window() override { return *this; }
  void ShowAccounts(const std::vector<AccountRow>& rows) override;
  std::int32_t SelectedAccount() const override;
  void SelectAccount(std::int32_t row) override;
  bool AccountTicked(std::int32_t row) const override;
  IClickable& AddAccount() override { return ClicksOf(kIdAddAccount); }
  IClickable& EditAccount() override { return ClicksOf(kIdEditAccount); }
  IClickable& RemoveAccount() override { return ClicksOf(kIdRemoveAccount); }
  IClickable& Test() override { return ClicksOf(kIdTest); }
  ILabel& ServiceMessage() override { return MessageOf(kIdServiceMessage); }
  ICheckBox& Journal() override { return CheckBoxOf(kIdJournal); }
  IClickable& Ok() override { return ClicksOf(kIdOptionsOk); }
  IClickable& Cancel() override { return ClicksOf(kIdOptionsCancel); }
  ITextBox& QuietFrom() override { return TextBoxOf(kIdQuietFrom); }
  ITextBox& QuietTo() override { return TextBoxOf(kIdQuietTo); }
  ICheckBox& RespectBusy() override { return CheckBoxOf(kIdRespectBusy); }
  ICheckBox& HoldWhileFullScreen() override { return CheckBoxOf(kIdHoldWhileFullScreen); }
  ICheckBox& CheckForUpdates() override { return CheckBoxOf(kIdCheckForUpdates); }
  IHotkeyBox& Hotkey() override { return *hotkey_; }
  ILabel& PopUpMessage() override { return MessageOf(kIdPopUpMessage); }
  IComboBox& Language() override { return DropDownOf(kIdLanguage); }
  void FocusQuietFrom() override;
  void FocusHotkey() override;
  bool AskYesNo(std::u16string_view question) override;

  // For tests: the text the accounts' list shows in a cell.
  std::wstring CellText(int row, int column) const;

 private:
  HWND FirstField() const override { return list_; }
  void Rescaled() override { SetColumnWidths(); }
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Double click: edit; Del: remove.
  void AccountsListNotified(const NMHDR& header);
  void SetColumnWidths();

  HWND list_ = nullptr;
  std::unique_ptr<Win32HotkeyBox> hotkey_;
};

// Makes an options dialog for each opening.
OptionsViewFactory Win32OptionsViews(Win32Application& app);

}  // namespace quillet::platform::win32
