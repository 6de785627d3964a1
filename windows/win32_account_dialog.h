#pragma once
// The "Quillet Account" dialog as a real window: the kind of service, the server's address with
// "Sign in..." beside it, the access token, the user name and the password, Test and its message,
// then OK and Cancel, each at its twips position converted at the display's density, in the
// default GUI font. Keyboard navigation (Tab, Enter, Esc, access keys) runs through the
// application's loop.
#include <windows.h>

#include <memory>

#include "dialogs/account_dialog.h"
#include "platform/win32/win32_application.h"
#include "platform/win32/win32_controls.h"
#include "platform/win32/win32_dialog_window.h"
#include "platform/win32/win32_edit_box.h"
#include "windows/win32_options_dialog.h"
#include "platform/win32/win32_timer.h"

namespace quillet::platform::win32 {

enum AccountControlId : int {
  kIdAccountOk = IDOK,
  kIdAccountCancel = IDCANCEL,
  kIdAccountApi = 401,
  kIdAccountServer,
  kIdAccountToken,
  kIdAccountTest,
  kIdAccountMessage,
  kIdAccountSignIn,
  kIdAccountUserName,
  kIdAccountPassword,
  kIdAccountTokenHint,
  kIdAccountLabelApi,
  kIdAccountLabelServer,
  kIdAccountLabelToken,
  kIdAccountLabelUserName,
  kIdAccountLabelPassword,
};

class Win32AccountView : public IAccountView, public Win32DialogWindow {
 public:
  explicit Win32AccountView(Win32Application& app);

  // IAccountView
  IDialog& Window() override { return *this; }
  IComboBox& Api() override { return *api_; }
  ITextBox& Server() override { return *server_; }
  IClickable& SignIn() override { return signIn_; }
  void SetSignInCaption(std::u16string_view caption) override;
  ITimer& SignInTimer() override { return signInTimer_; }
  ITextBox& Token() override { return *token_; }
  ITextBox& UserName() override { return *userName_; }
  ITextBox& Password() override { return *password_; }
  IClickable& Test() override { return test_; }
  ILabel& Message() override { return *message_; }
  IClickable& Ok() override { return ok_; }
  IClickable& Cancel() override { return cancel_; }
  void FocusServer() override;
  bool AskYesNo(std::u16string_view question) override;

 private:
  HWND FirstField() const override { return api_->hwnd(); }

  std::unique_ptr<Win32DropDownList> api_;
  std::unique_ptr<Win32EditBox> server_, token_, userName_, password_;
  std::unique_ptr<Win32StaticText> message_;
  ClickEvent test_, ok_, cancel_, signIn_;
  HWND signInButton_ = nullptr;
  Win32Timer signInTimer_{1000, TickSchedule::Lateness::Skip, false};
};

// Makes an account dialog for each opening.
AccountViewFactory Win32AccountViews(Win32Application& app);

}  // namespace quillet::platform::win32
