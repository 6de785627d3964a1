#pragma once
// The settings dialog's window and controls on the fake platform.
#include <array>

#include "platform/fake/fake_ui.h"
#include "dialogs/settings_dialog.h"

namespace quillet::testing {

class FakeSettingsView : public ISettingsView {
 public:
  platform::IDialog& Window() override { return window; }
  platform::ITextBox& UserName() override { return userName; }
  platform::ITextBox& Password() override { return password; }
  platform::IComboBox& Interval() override { return interval; }
  platform::ICheckBox& StartWithWindows() override { return startWithWindows; }
  platform::ICheckBox& AddFriend() override { return addFriend; }
  platform::IClickable& Ok() override { return ok; }
  platform::IClickable& Cancel() override { return cancel; }
  platform::IClickable& SetUpAccount() override { return setUpAccount; }
  void ShowSetUpAccount() override { setUpAccountShown = true; }

  platform::fake::FakeDialog window{0x500};
  platform::fake::FakeTextBox userName, password;
  platform::fake::FakeComboBox interval;
  platform::fake::FakeCheckBox startWithWindows, addFriend;
  platform::fake::FakeClickable ok, cancel, setUpAccount;
  bool setUpAccountShown = false;
};

}  // namespace quillet::testing
