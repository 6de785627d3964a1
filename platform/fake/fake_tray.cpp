#include "platform/fake/fake_tray.h"

namespace quillet::platform::fake {

IClickable& FakePopupMenu::AddItem(std::u16string_view caption) {
  items.push_back({std::u16string(caption), {}});
  return items.back().clickable;
}

void FakePopupMenu::Popup() {
  ++popupCount;
  if (whileOpen) whileOpen(*this);
}

void FakePopupMenu::Choose(std::u16string_view caption) {
  for (auto& item : items) {
    if (item.caption == caption && caption != u"-") {
      item.clickable.Click();
      return;
    }
  }
}

void FakeTrayForm::Show() {
  bool first = !shownOnce_;
  shownOnce_ = true;
  FakeWindow::Show();
  if (first) Resize();
}

}  // namespace quillet::platform::fake
