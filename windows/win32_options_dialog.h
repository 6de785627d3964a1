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

// A static text whose caption the program sets.
class Win32StaticText : public ILabel {
 public:
  explicit Win32StaticText(HWND hwnd) : hwnd_(hwnd) {}
  std::u16string Caption() const override { return WindowText(hwnd_); }
  void SetCaption(std::u16string_view caption) override { SetWindowTextW(hwnd_, Wide(caption).c_str()); }
  void OnClick(std::function<void()> handler) override { onClick_ = std::move(handler); }
  HWND hwnd() const { return hwnd_; }

 private:
  HWND hwnd_;
  std::function<void()> onClick_;  // static texts are not clicked here
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
  IClickable& AddAccount() override { return add_; }
  IClickable& EditAccount() override { return edit_; }
  IClickable& RemoveAccount() override { return remove_; }
  IClickable& Test() override { return test_; }
  ILabel& ServiceMessage() override { return *serviceMessage_; }
  ICheckBox& Journal() override { return *journal_; }
  IClickable& Ok() override { return ok_; }
  IClickable& Cancel() override { return cancel_; }
  ITextBox& QuietFrom() override { return *quietFrom_; }
  ITextBox& QuietTo() override { return *quietTo_; }
  ICheckBox& RespectBusy() override { return *respectBusy_; }
  ICheckBox& HoldWhileFullScreen() override { return *holdWhileFullScreen_; }
  ICheckBox& CheckForUpdates() override { return *checkForUpdates_; }
  IHotkeyBox& Hotkey() override { return *hotkey_; }
  ILabel& PopUpMessage() override { return *popUpMessage_; }
  IComboBox& Language() override { return *language_; }
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
  std::unique_ptr<Win32StaticText> serviceMessage_;
  std::unique_ptr<Win32EditBox> quietFrom_, quietTo_;
  std::unique_ptr<Win32CheckBox> respectBusy_;
  std::unique_ptr<Win32CheckBox> holdWhileFullScreen_;
  std::unique_ptr<Win32CheckBox> checkForUpdates_;
  std::unique_ptr<Win32HotkeyBox> hotkey_;
  std::unique_ptr<Win32StaticText> popUpMessage_;
  std::unique_ptr<Win32CheckBox> journal_;
  std::unique_ptr<Win32DropDownList> language_;
  ClickEvent test_, ok_, cancel_, add_, edit_, remove_;
};

// Makes an options dialog for each opening.
OptionsViewFactory Win32OptionsViews(Win32Application& app);

}  // namespace quillet::platform::win32
