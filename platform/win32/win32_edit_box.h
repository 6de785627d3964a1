#pragma once
// A real edit box as a text box: a child of one of the program's windows, destroyed with it.
// The parent hands on the box's notifications from its WM_COMMAND (change and focus); the box
// itself passes each character key through the key press handler before taking it.
//
// The box may exist before its window (a window that makes its children when first shown):
// until one is attached it keeps its text, selection and limit itself, and hands them to the
// window it is given.
#include <windows.h>

#include <cstdint>
#include <string>

#include "common/callback.h"
#include "platform/ui.h"

namespace quillet::platform::win32 {

class Win32EditBox : public ITextBox {
 public:
  // A box without a window yet (see Attach).
  Win32EditBox() = default;
  // Takes over an existing edit control (a child of the parent that calls Notify).
  explicit Win32EditBox(HWND hwnd) { Attach(hwnd); }
  ~Win32EditBox() override;
  Win32EditBox(const Win32EditBox&) = delete;
  Win32EditBox& operator=(const Win32EditBox&) = delete;

  // Takes over an edit control and gives it the text, selection and limit kept so far.
  void Attach(HWND hwnd);

  std::u16string Text() const override;
  void SetText(std::u16string_view text) override;
  void SetSelection(std::int32_t start, std::int32_t length) override;
  void SetMaxLength(std::int32_t characters) override;
  std::int32_t SelectionStart() const override;
  std::int32_t SelectionLength() const override;
  void OnChange(Callback<void()> handler) override { onChange_ = std::move(handler); }
  void OnKeyPress(Callback<void(std::int16_t&)> handler) override { onKeyPress_ = std::move(handler); }
  void OnKeyDown(Callback<void(std::int16_t&)> handler) override { onKeyDown_ = std::move(handler); }
  void OnGotFocus(Callback<void()> handler) override { onGotFocus_ = std::move(handler); }

  // A notification code (EN_...) from the parent's WM_COMMAND for this box.
  void Notify(WORD code);
  HWND hwnd() const { return hwnd_; }

 private:
  // The control's own procedure, replaced by this one (plain subclassing: no common controls).
  static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void Detach();

  HWND hwnd_ = nullptr;  // a child, destroyed with its parent; null before Attach and after
  WNDPROC original_ = nullptr;
  // While there is no window: what it will be given.
  std::u16string text_;
  std::int32_t selectionStart_ = 0, selectionLength_ = 0, maxLength_ = 0;
  Callback<void()> onChange_, onGotFocus_;
  Callback<void(std::int16_t&)> onKeyPress_;
  Callback<void(std::int16_t&)> onKeyDown_;
};

}  // namespace quillet::platform::win32
