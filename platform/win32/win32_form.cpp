#include "platform/win32/win32_form.h"

#include "common/convert.h"
#include "common/failure.h"
#include "platform/win32/win32_application.h"
#include "platform/win32/win32_error.h"

namespace quillet::platform::win32 {

void MoveFocusAsDialog(HWND window, WPARAM wParam, LPARAM lParam) {
  HWND focus = GetFocus();
  // lParam's low word set: wParam is the control; else wParam 0 is the next, other the previous.
  HWND target = LOWORD(lParam) != 0 ? reinterpret_cast<HWND>(wParam)
                                    : GetNextDlgTabItem(window, IsChild(window, focus) ? focus : nullptr, wParam != 0);
  if (target == nullptr || !IsChild(window, target)) return;
  if (SendMessageW(target, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(target, EM_SETSEL, 0, -1);
  SetFocus(target);
}

Win32Form::Win32Form() : dpi_(ScreenDpi()) {}

int Win32Form::Px(std::int32_t twips) const { return TwipsToPixels(twips, dpi_); }

std::u16string Win32Form::Caption() const { return WindowText(hwnd()); }

void Win32Form::SetCaption(std::u16string_view caption) {
  if (!SetWindowTextW(hwnd(), Wide(caption).c_str())) ThrowLastError("SetWindowTextW");
}

::RECT Win32Form::WindowRect() const {
  ::RECT r{};
  if (!GetWindowRect(hwnd(), &r)) ThrowLastError("GetWindowRect");
  return r;
}

void Win32Form::Place(int left, int top, int width, int height, UINT flags) {
  if (!SetWindowPos(hwnd(), nullptr, left, top, width, height, flags | SWP_NOZORDER | SWP_NOACTIVATE)) {
    ThrowLastError("SetWindowPos");
  }
}

void Win32Form::SetLeft(std::int32_t twips) {
  ::RECT r = WindowRect();
  Place(Px(twips), r.top, 0, 0, SWP_NOSIZE);
}

void Win32Form::SetTop(std::int32_t twips) {
  ::RECT r = WindowRect();
  Place(r.left, Px(twips), 0, 0, SWP_NOSIZE);
}

void Win32Form::SetWidth(std::int32_t twips) {
  ::RECT r = WindowRect();
  Place(0, 0, Px(twips), r.bottom - r.top, SWP_NOMOVE);
}

void Win32Form::SetHeight(std::int32_t twips) {
  ::RECT r = WindowRect();
  Place(0, 0, r.right - r.left, Px(twips), SWP_NOMOVE);
}

}  // namespace quillet::platform::win32
