#pragma once
// In-memory popup menu and tray window for unit tests.
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "common/callback.h"
#include "platform/fake/fake_ui.h"
#include "platform/ui.h"

namespace quillet::platform::fake {

class FakeMenuItem : public IMenuItem {
 public:
  void OnClick(Callback<void()> handler) override { clickable.OnClick(std::move(handler)); }
  void SetChecked(bool isChecked) override { checked = isChecked; }
  void SetVisible(bool isVisible) override { visible = isVisible; }
  void SetCaption(std::u16string_view text) override {
    if (caption) *caption = text;
  }
  void Click() { clickable.Click(); }
  FakeClickable clickable;
  std::u16string* caption = nullptr;  // the menu's record of it
  bool checked = false;
  bool visible = true;
};

class FakePopupMenu : public IPopupMenu {
 public:
  struct Item {
    std::u16string caption;
    FakeMenuItem clickable;
    std::unique_ptr<FakePopupMenu> submenu;  // for an entry that opens one
  };
  IMenuItem& AddItem(std::u16string_view caption) override;
  Submenu AddSubmenu(std::u16string_view caption) override;
  // Counts the opening; while open, the test's `whileOpen` acts as the user.
  void Popup() override;

  // Test side: chooses the item with this caption (the menu closes, then its handler runs).
  void Choose(std::u16string_view caption);
  // The item with this caption, and the menu an entry opens (nullptr when there is none).
  FakeMenuItem* Find(std::u16string_view caption);
  FakePopupMenu* SubmenuOf(std::u16string_view caption);
  std::deque<Item> items;  // stable addresses
  Callback<void(FakePopupMenu&)> whileOpen;
  int popupCount = 0;
};

class FakeTrayForm : public FakeWindow, public ITrayForm {
 public:
  using FakeWindow::FakeWindow;
  // Like a form: the first showing also raises the resize event.
  void Show() override;
  void OnIconMessage(Callback<void(std::int32_t)> handler) override { onIconMessage_ = std::move(handler); }
  void OnResize(Callback<void()> handler) override { onResize_ = std::move(handler); }
  void OnUnloadRequest(Callback<void()> handler) override { onUnloadRequest_ = std::move(handler); }
  void OnTaskbarCreated(Callback<void()> handler) override { onTaskbarCreated_ = std::move(handler); }
  void OnActivateRequest(Callback<void()> handler) override { onActivateRequest_ = std::move(handler); }
  bool SetHotkey(KeyCombination combination) override;
  void OnHotkey(Callback<void()> handler) override { onHotkey_ = std::move(handler); }

  // Test side: the combination the window holds, the one another program holds, and a press.
  std::optional<KeyCombination> hotkey;
  std::optional<KeyCombination> heldElsewhere;
  void PressHotkey() { Raise(onHotkey_); }
  void OnIconChanged(Callback<void()> handler) override { onIconChanged_ = std::move(handler); }

  // Test side: the shell's notification for a mouse message on the icon, and the system's events.
  void IconMessage(std::int32_t mouseMessage) { Raise(onIconMessage_, mouseMessage); }
  void Resize() { Raise(onResize_); }
  void SystemClose() { Raise(onUnloadRequest_); }
  void TaskbarCreated() { Raise(onTaskbarCreated_); }
  void ActivateRequest() { Raise(onActivateRequest_); }
  void IconChanged(IconHandle icon) {
    SetIcon(icon);
    Raise(onIconChanged_);
  }

 private:
  template <class Handler, class... Args>
  static void Raise(const Handler& handler, Args... args) {
    if (handler) handler(args...);
  }
  bool shownOnce_ = false;
  Callback<void(std::int32_t)> onIconMessage_;
  Callback<void()> onResize_, onUnloadRequest_, onTaskbarCreated_, onActivateRequest_, onIconChanged_, onHotkey_;
};

}  // namespace quillet::platform::fake
