#pragma once
// The "Quillet Options" dialog as a real window: a fixed-border window with one group box per
// section, each control at its twips position converted at the display's dots per inch, in the
// default GUI font, and OK and Cancel at the bottom. Keyboard navigation (Tab, Enter, Esc,
// access keys) runs through the application's loop.
#include <windows.h>

#include <functional>
#include <memory>

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
  kIdApi = 201,
  kIdServer,
  kIdToken,
  kIdTest,
  kIdServiceMessage,
  kIdTokenHint,
  kIdServiceFrame,
  kIdLabelApi,
  kIdLabelServer,
  kIdLabelToken,
  kIdQuietFrom,
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
  kIdSignIn,
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
  IComboBox& Api() override { return *api_; }
  ITextBox& Server() override { return *server_; }
  ITextBox& Token() override { return *token_; }
  IClickable& Test() override { return test_; }
  IClickable& SignIn() override { return signIn_; }
  void SetSignInCaption(std::u16string_view caption) override;
  ITimer& SignInTimer() override { return signInTimer_; }
  ILabel& ServiceMessage() override { return *serviceMessage_; }
  ICheckBox& Journal() override { return *journal_; }
  IClickable& Ok() override { return ok_; }
  IClickable& Cancel() override { return cancel_; }
  void FocusServer() override;
  ITextBox& QuietFrom() override { return *quietFrom_; }
  ITextBox& QuietTo() override { return *quietTo_; }
  ICheckBox& RespectBusy() override { return *respectBusy_; }
  IHotkeyBox& Hotkey() override { return *hotkey_; }
  ILabel& PopUpMessage() override { return *popUpMessage_; }
  void FocusQuietFrom() override;
  void FocusHotkey() override;
  bool AskYesNo(std::u16string_view question) override;

 private:
  HWND FirstField() const override { return api_->hwnd(); }
  void Command(WORD id, WORD code) override;

  std::unique_ptr<Win32DropDownList> api_;
  std::unique_ptr<Win32EditBox> server_, token_;
  std::unique_ptr<Win32StaticText> serviceMessage_;
  std::unique_ptr<Win32EditBox> quietFrom_, quietTo_;
  std::unique_ptr<Win32CheckBox> respectBusy_;
  std::unique_ptr<Win32HotkeyBox> hotkey_;
  std::unique_ptr<Win32StaticText> popUpMessage_;
  std::unique_ptr<Win32CheckBox> journal_;
  ClickEvent test_, ok_, cancel_, signIn_;
  HWND signInButton_ = nullptr;
  Win32Timer signInTimer_{1000, TickSchedule::Lateness::Skip, false};
};

// Makes an options dialog for each opening.
OptionsViewFactory Win32OptionsViews(Win32Application& app);

}  // namespace quillet::platform::win32
