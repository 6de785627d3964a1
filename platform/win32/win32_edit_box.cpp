#include "platform/win32/win32_edit_box.h"

#include <algorithm>
#include <utility>

#include "common/failure.h"
#include "platform/win32/window_base.h"
#include "platform/win32/win32_error.h"

namespace quillet::platform::win32 {

Win32EditBox::~Win32EditBox() { Detach(); }

void Win32EditBox::Attach(HWND hwnd) {
  Detach();
  SetLastError(0);
  if (SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this)) == 0 && GetLastError() != 0) {
    ThrowLastError("SetWindowLongPtrW");
  }
  auto original = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32EditBox::Procedure)));
  if (original == nullptr) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    ThrowLastError("SetWindowLongPtrW");
  }
  hwnd_ = hwnd;
  original_ = original;
  // What was set before the window existed; the box raises no change for it (nothing changed).
  if (maxLength_ > 0) SendMessageW(hwnd_, EM_SETLIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
  if (!text_.empty()) {
    auto onChange = std::exchange(onChange_, nullptr);
    SetWindowTextW(hwnd_, Wide(text_).c_str());
    onChange_ = std::move(onChange);
  }
  SetSelection(selectionStart_, selectionLength_);
}

void Win32EditBox::Detach() {
  if (hwnd_ == nullptr) return;
  text_ = WindowText(hwnd_);
  selectionStart_ = SelectionStart();
  selectionLength_ = SelectionLength();
  SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
  SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  hwnd_ = nullptr;
  original_ = nullptr;
}

std::u16string Win32EditBox::Text() const { return hwnd_ != nullptr ? WindowText(hwnd_) : text_; }

// The edit box itself raises the change event (EN_CHANGE), as it does for typing; without a
// window the box raises it the same way.
void Win32EditBox::SetText(std::u16string_view text) {
  if (hwnd_ == nullptr) {
    text_ = text;
    selectionStart_ = selectionLength_ = 0;
    if (onChange_) onChange_();
    return;
  }
  if (!SetWindowTextW(hwnd_, Wide(text).c_str())) ThrowLastError("SetWindowTextW");
}

void Win32EditBox::SetSelection(std::int32_t start, std::int32_t length) {
  if (hwnd_ == nullptr) {
    auto size = static_cast<std::int32_t>(text_.size());
    selectionStart_ = std::clamp(start, 0, size);
    selectionLength_ = std::clamp(length, 0, size - selectionStart_);
    return;
  }
  SendMessageW(hwnd_, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(start + length));
}

void Win32EditBox::SetMaxLength(std::int32_t characters) {
  maxLength_ = characters;
  if (hwnd_ != nullptr) SendMessageW(hwnd_, EM_SETLIMITTEXT, static_cast<WPARAM>(characters), 0);
}

std::int32_t Win32EditBox::SelectionStart() const {
  if (hwnd_ == nullptr) return selectionStart_;
  DWORD start = 0, end = 0;
  SendMessageW(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<std::int32_t>(start);
}

std::int32_t Win32EditBox::SelectionLength() const {
  if (hwnd_ == nullptr) return selectionLength_;
  DWORD start = 0, end = 0;
  SendMessageW(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<std::int32_t>(end - start);
}

void Win32EditBox::Notify(WORD code) {
  if (code == EN_CHANGE && onChange_) onChange_();
  if (code == EN_SETFOCUS && onGotFocus_) onGotFocus_();
}

// Character keys reach the key press handler before the box takes them; a code set to 0
// discards the key, another code is taken instead. Keys pressed down reach the key down handler
// first; a code set to 0 discards them.
LRESULT CALLBACK Win32EditBox::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* box = reinterpret_cast<Win32EditBox*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (box == nullptr || box->hwnd_ != hwnd) return DefWindowProcW(hwnd, message, wParam, lParam);
  WNDPROC original = box->original_;
  // Tab in a window that is no dialog (a dialog's Tab never reaches the box): the parent moves
  // the focus on, as a dialog's procedure does for WM_NEXTDLGCTL; the tab character is not typed.
  // The key handler sees a key first, Tab too (a list the box offers may take it).
  if (message == WM_KEYDOWN && box->onKeyDown_) {
    auto keyCode = static_cast<std::int16_t>(static_cast<std::uint16_t>(wParam));
    Guarded([&] { box->onKeyDown_(keyCode); });
    if (keyCode == 0) return 0;
  }
  if (message == WM_KEYDOWN && wParam == VK_TAB) {
    SendMessageW(GetParent(hwnd), WM_NEXTDLGCTL, GetKeyState(VK_SHIFT) < 0 ? 1 : 0, 0);
    return 0;
  }
  if (message == WM_CHAR && wParam == L'\t') return 0;
  if (message == WM_CHAR && box->onKeyPress_) {
    auto charCode = static_cast<std::int16_t>(static_cast<std::uint16_t>(wParam));
    Guarded([&] { box->onKeyPress_(charCode); });
    if (charCode == 0) return 0;
    wParam = static_cast<std::uint16_t>(charCode);
  }
  if (message == WM_NCDESTROY) box->Detach();  // the parent went first: the box keeps its text
  return CallWindowProcW(original, hwnd, message, wParam, lParam);
}

}  // namespace quillet::platform::win32
