#pragma once
// The account dialog's window and controls on the fake platform.
#include <string>
#include <string_view>
#include <vector>

#include "dialogs/account_dialog.h"
#include "platform/fake/fake_ui.h"

namespace quillet::testing {

class FakeAccountView : public IAccountView {
 public:
  platform::IDialog& Window() override { return window; }
  platform::IComboBox& Api() override { return api; }
  platform::ITextBox& Server() override { return server; }
  platform::IClickable& SignIn() override { return signIn; }
  void SetSignInCaption(std::u16string_view caption) override { signInCaption = caption; }
  platform::ITimer& SignInTimer() override { return signInTimer; }
  platform::ITextBox& Token() override { return token; }
  platform::ITextBox& UserName() override { return userName; }
  platform::ITextBox& Password() override { return password; }
  platform::IClickable& Test() override { return test; }
  platform::ILabel& Message() override { return message; }
  platform::IClickable& Ok() override { return ok; }
  platform::IClickable& Cancel() override { return cancel; }
  void FocusServer() override { ++serverFocused; }
  bool AskYesNo(std::u16string_view question) override {
    questions.emplace_back(question);
    return answerYes;
  }

  platform::fake::FakeDialog window{0x700};
  platform::fake::FakeComboBox api;
  platform::fake::FakeTextBox server, token, userName, password;
  platform::fake::FakeClickable test, ok, cancel, signIn;
  std::u16string signInCaption = u"Sign &in...";
  platform::fake::FakeTimer signInTimer{false};
  platform::fake::FakeLabel message;
  int serverFocused = 0;
  std::vector<std::u16string> questions;  // every AskYesNo, in order
  bool answerYes = true;
};

}  // namespace quillet::testing
