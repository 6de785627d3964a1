#pragma once
// The options dialog's window and controls on the fake platform.
#include <string>
#include <string_view>
#include <vector>

#include "platform/fake/fake_ui.h"
#include "dialogs/options_dialog.h"

namespace quillet::testing {

class FakeOptionsView : public IOptionsView {
 public:
  platform::IDialog& Window() override { return window; }
  platform::IComboBox& Api() override { return api; }
  platform::ITextBox& Server() override { return server; }
  platform::ITextBox& Token() override { return token; }
  platform::IClickable& Test() override { return test; }
  platform::IClickable& SignIn() override { return signIn; }
  void SetSignInCaption(std::u16string_view caption) override { signInCaption = caption; }
  platform::ITimer& SignInTimer() override { return signInTimer; }
  platform::ILabel& ServiceMessage() override { return serviceMessage; }
  platform::ICheckBox& Journal() override { return journal; }
  platform::IClickable& Ok() override { return ok; }
  platform::IClickable& Cancel() override { return cancel; }
  void FocusServer() override { ++serverFocused; }
  platform::ITextBox& QuietFrom() override { return quietFrom; }
  platform::ITextBox& QuietTo() override { return quietTo; }
  platform::ICheckBox& RespectBusy() override { return respectBusy; }
  platform::IHotkeyBox& Hotkey() override { return hotkey; }
  platform::ILabel& PopUpMessage() override { return popUpMessage; }
  void FocusQuietFrom() override { focused = "QuietFrom"; }
  void FocusHotkey() override { focused = "Hotkey"; }
  bool AskYesNo(std::u16string_view question) override {
    questions.emplace_back(question);
    return answerYes;
  }

  platform::fake::FakeDialog window{0x600};
  platform::fake::FakeComboBox api;
  platform::fake::FakeTextBox server, token;
  platform::fake::FakeClickable test, ok, cancel, signIn;
  std::u16string signInCaption = u"Sign &in...";
  platform::fake::FakeTimer signInTimer{false};
  platform::fake::FakeLabel serviceMessage;
  platform::fake::FakeCheckBox journal;
  int serverFocused = 0;
  platform::fake::FakeTextBox quietFrom, quietTo;
  platform::fake::FakeCheckBox respectBusy;
  platform::fake::FakeHotkeyBox hotkey;
  platform::fake::FakeLabel popUpMessage;
  std::string focused;  // the pop-up field last given the focus
  std::vector<std::u16string> questions;  // every AskYesNo, in order
  bool answerYes = true;
};

}  // namespace quillet::testing
