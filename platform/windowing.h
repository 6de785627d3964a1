#pragma once
// Window lookup, geometry and focus: the user32 services the tray presence and the update
// window use on windows they do not own.
#include <cstdint>
#include <string>

#include "platform/ui.h"

namespace quillet::platform {

struct RECT {
  std::int32_t left;
  std::int32_t top;
  std::int32_t right;
  std::int32_t bottom;
};

class IWindowing {
 public:
  virtual ~IWindowing() = default;
  // title == nullptr matches any title; an empty text matches only an empty title.
  virtual WindowHandle FindWindowA(const std::string& className, const std::string* title) = 0;
  virtual WindowHandle FindWindowExA(WindowHandle parent, WindowHandle childAfter, const std::string& className,
                                     const std::string* title) = 0;
  // Leaves `rect` unchanged and returns false when it fails.
  virtual bool GetWindowRect(WindowHandle window, RECT& rect) = 0;
  virtual void SetForegroundWindow(WindowHandle window) = 0;
  virtual void SetActiveWindow(WindowHandle window) = 0;
};

}  // namespace quillet::platform
