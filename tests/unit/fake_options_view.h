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
  void ShowAccounts(const std::vector<AccountRow>& shown) override {
    rows = shown;
    selected = -1;
  }
  std::int32_t SelectedAccount() const override { return selected; }
  void SelectAccount(std::int32_t row) override { selected = row; }
  bool AccountTicked(std::int32_t row) const override { return rows.at(static_cast<std::size_t>(row)).postHere; }
  platform::IClickable& AddAccount() override { return add; }
  platform::IClickable& EditAccount() override { return edit; }
  platform::IClickable& RemoveAccount() override { return remove; }
  platform::IClickable& Test() override { return test; }
  platform::ILabel& ServiceMessage() override { return serviceMessage; }
  platform::ICheckBox& Journal() override { return journal; }
  platform::ICheckBox& CheckForUpdates() override { return checkForUpdates; }
  platform::IClickable& Ok() override { return ok; }
  platform::IClickable& Cancel() override { return cancel; }
  platform::ITextBox& QuietFrom() override { return quietFrom; }
  platform::ITextBox& QuietTo() override { return quietTo; }
  platform::ICheckBox& RespectBusy() override { return respectBusy; }
  platform::ICheckBox& HoldWhileFullScreen() override { return holdWhileFullScreen; }
  platform::IHotkeyBox& Hotkey() override { return hotkey; }
  platform::ILabel& PopUpMessage() override { return popUpMessage; }
  platform::IComboBox& Language() override { return language; }
  void FocusQuietFrom() override { focused = "QuietFrom"; }
  void FocusHotkey() override { focused = "Hotkey"; }
  bool AskYesNo(std::u16string_view question) override {
    questions.emplace_back(question);
    return answerYes;
  }

  platform::fake::FakeDialog window{0x600};
  std::vector<AccountRow> rows;  // as shown; a test ticks a row by setting its postHere
  std::int32_t selected = -1;
  platform::fake::FakeClickable test, ok, cancel, add, edit, remove;
  platform::fake::FakeLabel serviceMessage;
  platform::fake::FakeCheckBox journal, checkForUpdates;
  platform::fake::FakeTextBox quietFrom, quietTo;
  platform::fake::FakeCheckBox respectBusy;
  platform::fake::FakeCheckBox holdWhileFullScreen;
  platform::fake::FakeHotkeyBox hotkey;
  platform::fake::FakeLabel popUpMessage;
  platform::fake::FakeComboBox language;
  std::string focused;                    // the pop-up field last given the focus
  std::vector<std::u16string> questions;  // every AskYesNo, in order
  bool answerYes = true;
};

}  // namespace quillet::testing
