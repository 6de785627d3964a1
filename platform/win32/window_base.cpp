#include "platform/win32/window_base.h"

#include "common/failure.h"
#include "resources/resource_ids.h"
#include "platform/win32/win32_error.h"

namespace quillet::platform::win32 {

HINSTANCE ProgramInstance() { return GetModuleHandleW(nullptr); }

std::wstring Wide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }
std::u16string FromWide(std::wstring_view text) { return std::u16string(text.begin(), text.end()); }

std::u16string WindowText(HWND window) {
  int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
  int copied = GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return FromWide(text);
}

UniqueIcon LoadProgramIcon(int size) {
  return UniqueIcon(static_cast<HICON>(
      LoadImageW(ProgramInstance(), MAKEINTRESOURCEW(IDI_QUILLET), IMAGE_ICON, size, size, LR_DEFAULTCOLOR)));
}

Win32Window::~Win32Window() {
  if (window_) SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);  // no message reaches a dead object
}

void Win32Window::Create(const ClassInfo& info, const std::wstring& title, DWORD style, DWORD exStyle, int x, int y,
                         int width, int height, HWND parent, HMENU menu) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (!GetClassInfoExW(ProgramInstance(), info.name, &existing)) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = info.style;
    wc.lpfnWndProc = &Win32Window::Procedure;
    wc.hInstance = ProgramInstance();
    wc.hIcon = info.icon;
    wc.hIconSm = info.smallIcon;
    wc.hCursor = info.cursor != nullptr ? info.cursor : LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = info.background;
    wc.lpszClassName = info.name;
    if (RegisterClassExW(&wc) == 0) ThrowLastError("RegisterClassExW");
  }
  HWND created = CreateWindowExW(exStyle, info.name, title.c_str(), style, x, y, width, height, parent, menu,
                                 ProgramInstance(), this);
  if (created == nullptr) ThrowLastError("CreateWindowExW");
  if (!window_) window_.reset(created);  // normally already taken at the first message
}

LRESULT Win32Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(hwnd(), message, wParam, lParam);
}

LRESULT CALLBACK Win32Window::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  if (self->window_.get() == nullptr) self->window_.reset(hwnd);  // messages during CreateWindowEx
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->window_.release();
    return DefWindowProcW(hwnd, message, wParam, lParam);
  }
  LRESULT result = 0;
  bool handled = false;
  Guarded([&] {
    result = self->HandleMessage(message, wParam, lParam);
    handled = true;
  });
  return handled ? result : DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace quillet::platform::win32
