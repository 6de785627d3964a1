#include "platform/fake/fake_ui.h"

#include <algorithm>

#include "common/failure.h"

namespace quillet::platform::fake {

void FakeWindow::Show() {
  visible_ = true;
  ++showCount;
  if (onShown_) onShown_();
}

void FakeDialog::ShowModal(IWindow& owner) {
  ownerHandle = owner.Handle();
  unloaded = false;
  Show();
  if (whileModal) whileModal(*this);
  unloaded = true;
  Hide();
}

void FakeTextBox::SetText(std::u16string_view text) {
  std::u16string next(text);
  // Like an edit control: setting the same text still notifies.
  text_ = std::move(next);
  selStart_ = 0;
  selLength_ = 0;
  Changed();
}

void FakeTextBox::SetSelection(std::int32_t start, std::int32_t length) {
  auto size = static_cast<std::int32_t>(text_.size());
  selStart_ = std::clamp(start, 0, size);
  selLength_ = std::clamp(length, 0, size - selStart_);
}

bool FakeTextBox::TypeChar(char16_t ch) {
  auto charCode = static_cast<std::int16_t>(ch);
  if (onKeyPress_) onKeyPress_(charCode);
  if (charCode == 0) return true;  // discarded by the handler
  if (charCode == 8) {
    Backspace();
    return true;
  }
  // Enter, Esc and other control keys insert nothing (a surrogate half, negative here, is text:
  // Windows hands a character beyond U+FFFF to the box as two of them).
  if (charCode >= 0 && charCode < 32) return true;
  std::u16string next = text_;
  next.replace(static_cast<std::size_t>(selStart_), static_cast<std::size_t>(selLength_), 1,
               static_cast<char16_t>(charCode));
  if (maxLength_ > 0 && static_cast<std::int32_t>(next.size()) > maxLength_) return false;
  text_ = std::move(next);
  selStart_ += 1;
  selLength_ = 0;
  Changed();
  return true;
}

void FakeTextBox::Backspace() {
  if (selLength_ > 0) {
    text_.erase(static_cast<std::size_t>(selStart_), static_cast<std::size_t>(selLength_));
  } else if (selStart_ > 0) {
    text_.erase(static_cast<std::size_t>(selStart_ - 1), 1);
    --selStart_;
  } else {
    return;
  }
  selLength_ = 0;
  Changed();
}

void FakeTextBox::Focus() {
  if (onGotFocus_) onGotFocus_();
}

void FakeCheckBox::SetValue(std::int16_t state) {
  if (state < 0 || state > 2) throw InvalidPropertyValue("check box state");
  value_ = state;
}

std::u16string FakeComboBox::List(std::int32_t index) const {
  if (index < 0 || index >= ListCount()) return {};
  return items[static_cast<std::size_t>(index)];
}

void FakeComboBox::SetItem(std::int32_t index, std::u16string_view item) {
  if (index < 0 || index >= ListCount()) throw InvalidPropertyValue("list position");
  items[static_cast<std::size_t>(index)] = item;
}

void FakeComboBox::SetListIndex(std::int32_t index) {
  if (index < -1 || index >= ListCount()) throw InvalidPropertyValue("list position");
  index_ = index;
}

}  // namespace quillet::platform::fake
