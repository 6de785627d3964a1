#include "platform/win32/win32_edit_box.h"

#include <commctrl.h>

#include "common/failure.h"
#include "platform/win32/window_base.h"
#include "platform/win32/win32_error.h"

namespace quillet::platform::win32 {
namespace {

constexpr UINT_PTR kKeyPressSubclassId = 1;

}  // namespace

Win32EditBox::Win32EditBox(HWND hwnd) : hwnd_(hwnd) {
  if (!SetWindowSubclass(hwnd_, &Win32EditBox::SubclassProcedure, kKeyPressSubclassId,
                         reinterpret_cast<DWORD_PTR>(this))) {
    throw Failure("SetWindowSubclass failed");
  }
}

Win32EditBox::~Win32EditBox() {
  if (hwnd_ != nullptr) RemoveWindowSubclass(hwnd_, &Win32EditBox::SubclassProcedure, kKeyPressSubclassId);
}

std::u16string Win32EditBox::Text() const { return WindowText(hwnd_); }

// The edit box itself raises the change event (EN_CHANGE), as it does for typing.
void Win32EditBox::SetText(std::u16string_view text) {
  if (!SetWindowTextW(hwnd_, Wide(text).c_str())) ThrowLastError("SetWindowTextW");
}

void Win32EditBox::SetSelection(std::int32_t start, std::int32_t length) {
  SendMessageW(hwnd_, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(start + length));
}

void Win32EditBox::SetMaxLength(std::int32_t characters) {
  SendMessageW(hwnd_, EM_SETLIMITTEXT, static_cast<WPARAM>(characters), 0);
}

std::int32_t Win32EditBox::SelectionStart() const {
  DWORD start = 0, end = 0;
  SendMessageW(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<std::int32_t>(start);
}

std::int32_t Win32EditBox::SelectionLength() const {
  DWORD start = 0, end = 0;
  SendMessageW(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<std::int32_t>(end - start);
}

void Win32EditBox::Notify(WORD code) {
  if (code == EN_CHANGE && onChange_) onChange_();
  if (code == EN_SETFOCUS && onGotFocus_) onGotFocus_();
}

// Character keys reach the key press handler before the box takes them; a code set to 0
// discards the key, another code is taken instead.
LRESULT CALLBACK Win32EditBox::SubclassProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                 DWORD_PTR self) {
  auto* box = reinterpret_cast<Win32EditBox*>(self);
  if (message == WM_CHAR && box->onKeyPress_) {
    auto charCode = static_cast<std::int16_t>(static_cast<std::uint16_t>(wParam));
    Guarded([&] { box->onKeyPress_(charCode); });
    if (charCode == 0) return 0;
    wParam = static_cast<std::uint16_t>(charCode);
  }
  if (message == WM_NCDESTROY) {  // the parent went first: the box no longer has a window
    RemoveWindowSubclass(hwnd, &Win32EditBox::SubclassProcedure, kKeyPressSubclassId);
    box->hwnd_ = nullptr;
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace quillet::platform::win32
