#include "platform/win32/win32_windowing.h"

namespace quillet::platform::win32 {

WindowHandle Win32Windowing::FindWindowA(const std::string& className, const std::string* title) {
  return AsHandle(::FindWindowA(className.c_str(), title != nullptr ? title->c_str() : nullptr));
}

WindowHandle Win32Windowing::FindWindowExA(WindowHandle parent, WindowHandle childAfter, const std::string& className,
                                           const std::string* title) {
  return AsHandle(::FindWindowExA(AsHwnd(parent), AsHwnd(childAfter), className.c_str(),
                                  title != nullptr ? title->c_str() : nullptr));
}

bool Win32Windowing::GetWindowRect(WindowHandle window, RECT& rect) {
  ::RECT r;
  if (!::GetWindowRect(AsHwnd(window), &r)) return false;
  rect = {r.left, r.top, r.right, r.bottom};
  return true;
}

void Win32Windowing::SetForegroundWindow(WindowHandle window) { ::SetForegroundWindow(AsHwnd(window)); }
void Win32Windowing::SetActiveWindow(WindowHandle window) { ::SetActiveWindow(AsHwnd(window)); }

}  // namespace quillet::platform::win32
