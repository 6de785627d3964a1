#pragma once
// The account dialog's window and controls on the fake platform.
#include <string>
#include <string_view>
#include <vector>

#include "common/callback.h"
#include "common/failure.h"
#include "dialogs/account_dialog.h"
#include "platform/fake/fake_ui.h"

namespace quillet::testing {

class FakeAccountView : public IAccountView {
 public:
  platform::IDialog& Window() override { return window; }
  platform::IComboBox& Api() override { return api; }
  platform::ICheckBox& OtherServer() override { return otherServer; }
  platform::ITextBox& Server() override { return server; }
  platform::IClickable& SignIn() override { return signIn; }
  void SetSignInCaption(std::u16string_view caption) override { signInCaption = caption; }
  platform::ITimer& SignInTimer() override { return signInTimer; }
  platform::ICheckBox& TokenInstead() override { return tokenInstead; }
  platform::ITextBox& Token() override { return token; }
  platform::ITextBox& UserName() override { return userName; }
  platform::ITextBox& Password() override { return password; }
  platform::IClickable& MakeAppPassword() override { return makeAppPassword; }
  platform::IComboBox& Visibility() override { return visibility; }
  platform::IComboBox& PostLanguage() override { return postLanguage; }
  void SetJournalPath(std::u16string_view path) override { journalPath = path; }
  platform::ITextBox& SecretKey() override { return secretKey; }
  platform::IClickable& GenerateKey() override { return generateKey; }
  void SetPublicKey(std::u16string_view npub) override { publicKey = npub; }
  platform::IClickable& CopyPublicKey() override { return copyPublicKey; }
  platform::ITextBox& Relays() override { return relays; }
  void CopyToClipboard(std::u16string_view text) override {
    if (clipboardHeld) throw Failure("OpenClipboard");  // another program holds it
    clipboard = text;
  }
  void ShowFields(const AccountFields& fields) override { shown = fields; }
  void OnChoiceChanged(Callback<void()> handler) override { choiceChanged = std::move(handler); }
  // Test side: the person picks a kind, or ticks or unticks a box.
  void ChooseKind(std::int32_t index) {
    api.SetListIndex(index);
    choiceChanged();
  }
  void Tick(platform::ICheckBox& box, bool ticked) {
    box.SetValue(ticked ? 1 : 0);
    choiceChanged();
  }
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
  platform::fake::FakeComboBox api, visibility, postLanguage;
  platform::fake::FakeCheckBox otherServer, tokenInstead;
  platform::fake::FakeTextBox server, token, userName, password, secretKey, relays;
  platform::fake::FakeClickable test, ok, cancel, signIn, makeAppPassword, generateKey, copyPublicKey;
  std::u16string publicKey, clipboard;
  bool clipboardHeld = false;
  AccountFields shown;
  std::u16string journalPath;
  Callback<void()> choiceChanged;
  std::u16string signInCaption = u"Sign &in...";
  platform::fake::FakeTimer signInTimer{false};
  platform::fake::FakeLabel message;
  int serverFocused = 0;
  std::vector<std::u16string> questions;  // every AskYesNo, in order
  bool answerYes = true;
};

}  // namespace quillet::testing
