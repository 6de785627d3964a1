#pragma once
// The options dialog's window and controls on the fake platform.
#include "platform/fake/fake_ui.h"
#include "settings/options_dialog.h"

namespace quillet::testing {

class FakeOptionsView : public IOptionsView {
 public:
  platform::IDialog& Window() override { return window; }
  platform::IComboBox& Api() override { return api; }
  platform::ITextBox& Server() override { return server; }
  platform::ITextBox& Token() override { return token; }
  platform::IClickable& Test() override { return test; }
  platform::ILabel& ServiceMessage() override { return serviceMessage; }
  platform::ICheckBox& Journal() override { return journal; }
  platform::IClickable& Ok() override { return ok; }
  platform::IClickable& Cancel() override { return cancel; }
  void FocusServer() override { ++serverFocused; }

  platform::fake::FakeDialog window{0x600};
  platform::fake::FakeComboBox api;
  platform::fake::FakeTextBox server, token;
  platform::fake::FakeClickable test, ok, cancel;
  platform::fake::FakeLabel serviceMessage;
  platform::fake::FakeCheckBox journal;
  int serverFocused = 0;
};

}  // namespace quillet::testing
