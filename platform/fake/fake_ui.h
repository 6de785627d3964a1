#pragma once
// In-memory windows and controls for unit tests. State is public to read; user actions are
// raised through the methods named after them (TypeChar, Click, ...), in the order Windows
// raises the events.
#include <cstdint>
#include <string>
#include <vector>

#include "common/callback.h"
#include "platform/ui.h"

namespace quillet::platform::fake {

class FakeWindow : public virtual IWindow {
 public:
  explicit FakeWindow(WindowHandle handle, IconHandle icon = 0) : handle_(handle), icon_(icon) {}
  WindowHandle Handle() const override { return handle_; }
  IconHandle Icon() const override { return icon_; }
  std::u16string Caption() const override { return caption_; }
  void SetCaption(std::u16string_view caption) override { caption_ = caption; }
  bool Visible() const override { return visible_; }
  void Show() override;
  void Hide() override { visible_ = false; }
  void SetLeft(std::int32_t twips) override { left = twips; }
  void SetTop(std::int32_t twips) override { top = twips; }
  void SetWidth(std::int32_t twips) override { width = twips; }
  void SetHeight(std::int32_t twips) override { height = twips; }

  // Test side.
  void OnShown(Callback<void()> handler) { onShown_ = std::move(handler); }
  void SetIcon(IconHandle icon) { icon_ = icon; }
  std::int32_t left = 0, top = 0, width = 0, height = 0;
  int showCount = 0;

 private:
  WindowHandle handle_;
  IconHandle icon_;
  std::u16string caption_;
  bool visible_ = false;
  Callback<void()> onShown_;
};

class FakeDialog : public FakeWindow, public IDialog {
 public:
  using FakeWindow::FakeWindow;
  // While the dialog is modal, the test's `whileModal` acts as the user; the dialog closes when
  // it returns, unless Unload ran before.
  void ShowModal(IWindow& owner) override;
  void Unload() override { unloaded = true; }
  void OnQueryClose(Callback<void()> handler) override { onQueryClose_ = std::move(handler); }

  // Test side.
  void CloseBox() {
    if (onQueryClose_) onQueryClose_();
    unloaded = true;
  }
  Callback<void(FakeDialog&)> whileModal;
  WindowHandle ownerHandle = 0;
  bool unloaded = false;

 private:
  Callback<void()> onQueryClose_;
};

class FakeTextBox : public ITextBox {
 public:
  explicit FakeTextBox(std::int32_t maxLength = 0) : maxLength_(maxLength) {}
  std::u16string Text() const override { return text_; }
  void SetText(std::u16string_view text) override;
  void SetSelection(std::int32_t start, std::int32_t length) override;
  void SetMaxLength(std::int32_t characters) override { maxLength_ = characters; }
  std::int32_t MaxLength() const { return maxLength_; }
  std::int32_t SelectionStart() const override { return selStart_; }
  std::int32_t SelectionLength() const override { return selLength_; }
  void OnChange(Callback<void()> handler) override { onChange_ = std::move(handler); }
  void OnKeyPress(Callback<void(std::int16_t&)> handler) override { onKeyPress_ = std::move(handler); }
  void OnKeyDown(Callback<void(std::int16_t&)> handler) override { onKeyDown_ = std::move(handler); }
  void OnGotFocus(Callback<void()> handler) override { onGotFocus_ = std::move(handler); }

  // Test side: a key pressed down (Up, Down); returns false when the handler discarded it.
  bool PressKey(std::int16_t keyCode) {
    if (onKeyDown_) onKeyDown_(keyCode);
    return keyCode != 0;
  }
  // Test side: a character typed at the caret (replacing the selection), as Windows does it:
  // the key press event, then, unless it was discarded, the edit and the change event.
  // Returns false when the box refused the character (the length limit).
  bool TypeChar(char16_t ch);
  void Type(std::u16string_view text) {
    for (char16_t ch : text) TypeChar(ch);
  }
  void Backspace();
  void Focus();

 private:
  void Changed() {
    if (onChange_) onChange_();
  }
  std::int32_t maxLength_;
  std::u16string text_;
  std::int32_t selStart_ = 0, selLength_ = 0;
  Callback<void()> onChange_;
  Callback<void(std::int16_t&)> onKeyPress_;
  Callback<void(std::int16_t&)> onKeyDown_;
  Callback<void()> onGotFocus_;
};

class FakeSuggestionList : public ISuggestionList {
 public:
  void Show(const std::vector<std::u16string>& shown, std::int32_t index, std::int32_t at) override {
    entries = shown;
    chosen = index;
    anchor = at;
    visible = true;
  }
  void Choose(std::int32_t index) override { chosen = index; }
  void Hide() override { visible = false; }
  bool Visible() const override { return visible; }
  void OnPicked(Callback<void(std::int32_t)> handler) override { onPicked_ = std::move(handler); }

  // Test side.
  void Pick(std::int32_t index) {
    if (onPicked_) onPicked_(index);
  }
  std::vector<std::u16string> entries;
  std::int32_t chosen = -1, anchor = -1;
  bool visible = false;

 private:
  Callback<void(std::int32_t)> onPicked_;
};

class FakeLabel : public ILabel {
 public:
  explicit FakeLabel(std::u16string caption = {}) : caption_(std::move(caption)) {}
  std::u16string Caption() const override { return caption_; }
  void SetCaption(std::u16string_view caption) override { caption_ = caption; }
  void OnClick(Callback<void()> handler) override { onClick_ = std::move(handler); }
  void Click() {
    if (onClick_) onClick_();
  }

 private:
  std::u16string caption_;
  Callback<void()> onClick_;
};

using FakeClickable = ClickEvent;

class FakeShape : public IShape {
 public:
  explicit FakeShape(std::int32_t top = 0) : top_(top) {}
  std::int32_t Top() const override { return top_; }
  void SetTop(std::int32_t pixels) override { top_ = pixels; }

 private:
  std::int32_t top_;
};

class FakeTimer : public ITimer {
 public:
  explicit FakeTimer(bool enabled) : enabled_(enabled) {}
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override { enabled_ = enabled; }
  void OnTimer(Callback<void()> handler) override { onTimer_ = std::move(handler); }
  // Test side: one interval has passed; a disabled timer does not tick.
  void Tick() {
    if (enabled_ && onTimer_) onTimer_();
  }

 private:
  bool enabled_;
  Callback<void()> onTimer_;
};

class FakeCheckBox : public ICheckBox {
 public:
  std::int16_t Value() const override { return value_; }
  void SetValue(std::int16_t state) override;

 private:
  std::int16_t value_ = 0;
};

class FakeComboBox : public IComboBox {
 public:
  void AddItem(std::u16string_view item) override { items.emplace_back(item); }
  std::int32_t ListCount() const override { return static_cast<std::int32_t>(items.size()); }
  std::u16string List(std::int32_t index) const override;
  void SetItem(std::int32_t index, std::u16string_view item) override;
  std::int32_t ListIndex() const override { return index_; }
  void SetListIndex(std::int32_t index) override;
  std::vector<std::u16string> items;

 private:
  std::int32_t index_ = -1;
};

class FakeHotkeyBox : public IHotkeyBox {
 public:
  KeyCombination Value() const override { return value; }
  void SetValue(KeyCombination combination) override { value = combination; }
  KeyCombination value;  // test side: what the user pressed into it
};

}  // namespace quillet::platform::fake
