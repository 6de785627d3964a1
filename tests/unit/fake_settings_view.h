#pragma once
// The settings dialog's window and controls on the fake platform.
#include <array>

#include "platform/fake/fake_ui.h"
#include "settings/frmSettings.h"

namespace quillet::testing {

class FakeSettingsView : public ISettingsView {
 public:
  platform::IDialog& Window() override { return window; }
  platform::ITextBox& Text1(int index) override { return text1.at(static_cast<std::size_t>(index)); }
  platform::IComboBox& Combo1() override { return combo1; }
  platform::ICheckBox& Check1(int index) override { return check1.at(static_cast<std::size_t>(index)); }
  platform::IClickable& Command1(int index) override { return command1.at(static_cast<std::size_t>(index)); }

  platform::fake::FakeDialog window{0x500};
  std::array<platform::fake::FakeTextBox, 2> text1;
  platform::fake::FakeComboBox combo1;
  std::array<platform::fake::FakeCheckBox, 2> check1;
  std::array<platform::fake::FakeClickable, 2> command1;
};

}  // namespace quillet::testing
