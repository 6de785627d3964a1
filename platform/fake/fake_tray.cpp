#include "platform/fake/fake_tray.h"

namespace quillet::platform::fake {

IMenuItem& FakePopupMenu::AddItem(std::u16string_view caption) {
  items.push_back({std::u16string(caption), {}, nullptr});
  items.back().clickable.caption = &items.back().caption;
  return items.back().clickable;
}

IPopupMenu::Submenu FakePopupMenu::AddSubmenu(std::u16string_view caption) {
  items.push_back({std::u16string(caption), {}, std::make_unique<FakePopupMenu>()});
  items.back().clickable.caption = &items.back().caption;
  return {items.back().clickable, *items.back().submenu};
}

void FakePopupMenu::Popup() {
  ++popupCount;
  if (whileOpen) whileOpen(*this);
}

FakeMenuItem* FakePopupMenu::Find(std::u16string_view caption) {
  for (auto& item : items) {
    if (item.caption == caption && caption != u"-") return &item.clickable;
  }
  return nullptr;
}

FakePopupMenu* FakePopupMenu::SubmenuOf(std::u16string_view caption) {
  for (auto& item : items) {
    if (item.caption == caption) return item.submenu.get();
  }
  return nullptr;
}

void FakePopupMenu::Choose(std::u16string_view caption) {
  for (auto& item : items) {
    if (!item.clickable.visible) continue;  // not in the menu: it cannot be chosen
    if (item.caption == caption && caption != u"-" && !item.submenu) {
      item.clickable.Click();
      return;
    }
    if (item.submenu && item.submenu->Find(caption)) {
      item.submenu->Choose(caption);
      return;
    }
  }
}

bool FakeTrayForm::SetHotkey(KeyCombination combination) {
  hotkey.reset();
  if (combination.key == 0) return true;
  if (heldElsewhere == combination) return false;
  hotkey = combination;
  return true;
}

void FakeTrayForm::Show() {
  bool first = !shownOnce_;
  shownOnce_ = true;
  FakeWindow::Show();
  if (first) Resize();
}

}  // namespace quillet::platform::fake
