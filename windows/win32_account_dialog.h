#pragma once
// The "Quillet Account" dialog as a real window: the kind of service, then the rows that kind
// needs, top to bottom in one order (another server than bsky.social, the server's address with
// "Sign in..." beside it, the token instead, the access token, the user name or handle, the
// password or app password with "Make one..." beside it and where to make one, the visibility, the
// language, the Nostr secret key with "Generate" beside it and "Show the secret key" below it, the
// public key with "Copy" beside it, the relays and how to write them, where the journal is), then Test and its message, OK and Cancel at their fixed
// places. Hidden rows leave no gap and the window keeps its size; hidden controls are out of the
// Tab order, which is the order of the rows. Each control at its twips position converted at the
// display's density, in the default GUI font. Keyboard navigation (Tab, Enter, Esc, access keys)
// runs through the application's loop.
#include <windows.h>

#include <memory>
#include <optional>

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
  IComboBox& Api() override { return *api_; }
  ICheckBox& OtherServer() override { return *otherServer_; }
  ITextBox& Server() override { return *server_; }
  IClickable& SignIn() override { return signIn_; }
  void SetSignInCaption(std::u16string_view caption) override;
  ITimer& SignInTimer() override { return signInTimer_; }
  ICheckBox& TokenInstead() override { return *tokenInstead_; }
  ITextBox& Token() override { return *token_; }
  ITextBox& UserName() override { return *userName_; }
  ITextBox& Password() override { return *password_; }
  IClickable& MakeAppPassword() override { return makeAppPassword_; }
  IComboBox& Visibility() override { return *visibility_; }
  IComboBox& PostLanguage() override { return *language_; }
  void SetJournalPath(std::u16string_view path) override;
  ITextBox& SecretKey() override { return *secretKey_; }
  IClickable& GenerateKey() override { return generateKey_; }
  void SetPublicKey(std::u16string_view npub) override;
  IClickable& CopyPublicKey() override { return copyPublicKey_; }
  ITextBox& Relays() override { return *relays_; }
  void CopyToClipboard(std::u16string_view text) override;
  void ShowFields(const AccountFields& fields) override;
  void OnChoiceChanged(std::function<void()> handler) override { choiceChanged_ = std::move(handler); }
  IClickable& Test() override { return test_; }
  ILabel& Message() override { return *message_; }
  IClickable& Ok() override { return ok_; }
  IClickable& Cancel() override { return cancel_; }
  void FocusServer() override;
  bool AskYesNo(std::u16string_view question) override;

 private:
  HWND FirstField() const override { return api_->hwnd(); }
  // Shows the fields and places the rows.
  void LayOut(const AccountFields& fields);
  void ChoiceChanged() {
    if (choiceChanged_) choiceChanged_();
  }

  std::unique_ptr<Win32DropDownList> api_, visibility_, language_;
  std::unique_ptr<Win32CheckBox> otherServer_, tokenInstead_, showSecretKey_;
  std::unique_ptr<Win32EditBox> server_, token_, userName_, password_, journalPath_, secretKey_, publicKey_, relays_;
  std::unique_ptr<Win32StaticText> message_;
  ClickEvent test_, ok_, cancel_, signIn_, makeAppPassword_, generateKey_, copyPublicKey_;
  std::function<void()> choiceChanged_;
  std::optional<AccountFields> fieldsAtCloseUp_;  // to show once the kind's open list closes
  HWND signInButton_ = nullptr;
  Win32Timer signInTimer_{1000, TickSchedule::Lateness::Skip, false};
};

// Makes an account dialog for each opening.
AccountViewFactory Win32AccountViews(Win32Application& app);

}  // namespace quillet::platform::win32
