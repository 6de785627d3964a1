#include "tray/notification_area.h"

#include <string>

#include "common/convert.h"
#include "common/steps.h"

namespace quillet::notification_area {
namespace {

// The notification area's rectangle in screen pixels; all zero when it cannot be found.
platform::RECT TrayAreaRect(platform::IWindowing& windowing) {
  platform::RECT rect{0, 0, 0, 0};
  platform::WindowHandle taskbar = 0;
  platform::WindowHandle trayArea = 0;
  const std::string emptyTitle;  // only a taskbar whose title is empty matches
  Step([&] { taskbar = windowing.FindWindowA("Shell_TrayWnd", &emptyTitle); });
  Step([&] { trayArea = windowing.FindWindowExA(taskbar, 0, "TrayNotifyWnd", nullptr); });
  Step([&] { windowing.GetWindowRect(trayArea, rect); });
  return rect;
}

}  // namespace

std::int32_t TopTwips(platform::IWindowing& windowing, const platform::IApplication& app) {
  platform::RECT rect = TrayAreaRect(windowing);
  std::int32_t result = 0;
  if (rect.top > 2) {
    Step([&] { result = RoundHalfEven(static_cast<double>(rect.top) * app.TwipsPerPixelY()); });
  } else {
    Step([&] { result = RoundHalfEven(app.ScreenHeightTwips()); });
  }
  return result;
}

std::int32_t RightTwips(platform::IWindowing& windowing, const platform::IApplication& app) {
  platform::RECT rect = TrayAreaRect(windowing);
  std::int32_t result = 0;
  Step([&] { result = RoundHalfEven(static_cast<double>(rect.right) * app.TwipsPerPixelX()); });
  return result;
}

}  // namespace quillet::notification_area
