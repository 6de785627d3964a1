#pragma once
// The lines-waiting window on the fake platform.
#include <optional>
#include <string>
#include <vector>

#include "dialogs/lines_waiting_window.h"
#include "platform/fake/fake_ui.h"

namespace quillet::testing {

class FakeLinesWaitingView : public ILinesWaitingView {
 public:
  platform::IDialog& Window() override { return window; }
  void ShowRows(const std::vector<WaitingLineRow>& shown) override {
    rows = shown;
    if (selected >= static_cast<std::int32_t>(rows.size())) selected = -1;
  }
  std::int32_t SelectedRow() const override { return selected; }
  void SelectRow(std::int32_t row) override {
    selected = row;
    if (onSelectionChanged) onSelectionChanged();
  }
  void OnSelectionChanged(Callback<void()> handler) override { onSelectionChanged = std::move(handler); }
  platform::IClickable& SendAgain() override { return sendAgain; }
  platform::IClickable& Edit() override { return edit; }
  platform::IClickable& Remove() override { return remove; }
  platform::IClickable& Copy() override { return copy; }
  platform::IClickable& Close() override { return close; }
  void EnableLineActions(bool enabled) override { actionsEnabled = enabled; }
  void ShowDetails(const std::optional<WaitingLineDetails>& shown) override { details = shown; }
  bool AskYesNo(std::u16string_view question) override {
    questions.emplace_back(question);
    return answerYes;
  }
  void CopyToClipboard(std::u16string_view text) override { clipboard = text; }

  platform::fake::FakeDialog window{0x700};
  std::vector<WaitingLineRow> rows;
  std::int32_t selected = -1;
  Callback<void()> onSelectionChanged;
  platform::fake::FakeClickable sendAgain, edit, remove, copy, close;
  bool actionsEnabled = true;
  std::optional<WaitingLineDetails> details;
  std::vector<std::u16string> questions;
  bool answerYes = true;
  std::u16string clipboard;
};

}  // namespace quillet::testing
