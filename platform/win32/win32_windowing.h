#pragma once
// Window lookup, geometry and focus over user32's 8-bit-text entry points.
#include <windows.h>

#include <string>

#include "platform/windowing.h"

namespace quillet::platform::win32 {

class Win32Windowing : public IWindowing {
 public:
  WindowHandle FindWindowA(const std::string& className, const std::string* title) override;
  WindowHandle FindWindowExA(WindowHandle parent, WindowHandle childAfter, const std::string& className,
                             const std::string* title) override;
  bool GetWindowRect(WindowHandle window, RECT& rect) override;
  void SetForegroundWindow(WindowHandle window) override;
  void SetActiveWindow(WindowHandle window) override;
};

inline HWND AsHwnd(WindowHandle handle) { return reinterpret_cast<HWND>(handle); }
inline WindowHandle AsHandle(HWND hwnd) { return reinterpret_cast<WindowHandle>(hwnd); }

}  // namespace quillet::platform::win32
