#pragma once
// The "Quillet Account" dialog as a real window: the kind of service, then the rows that kind
// needs, top to bottom in one order (another server than bsky.social, the server's address with
// "Sign in..." beside it, the token instead, the access token, the user name or handle, the
// password or app password with "Make one..." beside it and where to make one, the visibility, the
// language, the Nostr secret key with "Generate" beside it and "Show the secret key" below it, the
// public key with "Copy" beside it, the relays and how to write them, where the journal is), then Test and its message, OK and Cancel at their fixed
// places. Hidden rows leave no gap and the window keeps its size; hidden controls are out of the
// Tab order, which is the order of the rows (one table, platform/dialog_rows.h, makes and binds the
// controls). Each control at its twips position converted at the
// display's density, in the default GUI font. Keyboard navigation (Tab, Enter, Esc, access keys)
// runs through the application's loop.
#include <windows.h>

#include <memory>
#include <optional>

#include "common/callback.h"
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
  kIdAccountAppPasswordHint,
  kIdAccountLabelApi,
  kIdAccountLabelServer,
  kIdAccountLabelToken,
  kIdAccountLabelUserName,
  kIdAccountLabelPassword,
  kIdAccountOtherServer,
  kIdAccountTokenInstead,
  kIdAccountLabelHandle,
  kIdAccountLabelAppPassword,
  kIdAccountMakeAppPassword,
  kIdAccountLabelVisibility,
  kIdAccountVisibility,
  kIdAccountLabelLanguage,
  kIdAccountLanguage,
  kIdAccountJournalPlace,
  kIdAccountJournalPath,
  kIdAccountLabelSecretKey,
  kIdAccountSecretKey,
  kIdAccountGenerateKey,
  kIdAccountLabelPublicKey,
  kIdAccountPublicKey,
  kIdAccountCopyPublicKey,
  kIdAccountLabelRelays,
  kIdAccountRelays,
  kIdAccountRelaysHint,
  kIdAccountShowSecretKey,
};

class Win32AccountView : public IAccountView, public Win32DialogWindow {
 public:
  explicit Win32AccountView(Win32Application& app);

  // IAccountView
  IDialog& Window() override { return *this; }
  IComboBox& Api() override { return DropDownOf(kIdAccountApi); }
  ICheckBox& OtherServer() override { return CheckBoxOf(kIdAccountOtherServer); }
  ITextBox& Server() override { return TextBoxOf(kIdAccountServer); }
  IClickable& SignIn() override { return ClicksOf(kIdAccountSignIn); }
  void SetSignInCaption(std::u16string_view caption) override;
  ITimer& SignInTimer() override { return signInTimer_; }
  ICheckBox& TokenInstead() override { return CheckBoxOf(kIdAccountTokenInstead); }
  ITextBox& Token() override { return TextBoxOf(kIdAccountToken); }
  ITextBox& UserName() override { return TextBoxOf(kIdAccountUserName); }
  ITextBox& Password() override { return TextBoxOf(kIdAccountPassword); }
  IClickable& MakeAppPassword() override { return ClicksOf(kIdAccountMakeAppPassword); }
  IComboBox& Visibility() override { return DropDownOf(kIdAccountVisibility); }
  IComboBox& PostLanguage() override { return DropDownOf(kIdAccountLanguage); }
  void SetJournalPath(std::u16string_view path) override;
  ITextBox& SecretKey() override { return TextBoxOf(kIdAccountSecretKey); }
  IClickable& GenerateKey() override { return ClicksOf(kIdAccountGenerateKey); }
  void SetPublicKey(std::u16string_view npub) override;
  IClickable& CopyPublicKey() override { return ClicksOf(kIdAccountCopyPublicKey); }
  ITextBox& Relays() override { return TextBoxOf(kIdAccountRelays); }
  void CopyToClipboard(std::u16string_view text) override;
  void ShowFields(const AccountFields& fields) override;
  void OnChoiceChanged(Callback<void()> handler) override { choiceChanged_ = std::move(handler); }
  IClickable& Test() override { return ClicksOf(kIdAccountTest); }
  ILabel& Message() override { return MessageOf(kIdAccountMessage); }
  IClickable& Ok() override { return ClicksOf(kIdAccountOk); }
  IClickable& Cancel() override { return ClicksOf(kIdAccountCancel); }
  void FocusServer() override;
  bool AskYesNo(std::u16string_view question) override;

 private:
  HWND FirstField() const override { return Control(kIdAccountApi); }
  // Shows the fields and places the rows.
  void LayOut(const AccountFields& fields);
  void ChoiceChanged() {
    if (choiceChanged_) choiceChanged_();
  }

  Callback<void()> choiceChanged_;
  std::optional<AccountFields> fieldsAtCloseUp_;  // to show once the kind's open list closes
  Win32Timer signInTimer_{1000, TickSchedule::Lateness::Skip, false};
};

// Makes an account dialog for each opening.
AccountViewFactory Win32AccountViews(Win32Application& app);

}  // namespace quillet::platform::win32
