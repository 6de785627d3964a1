#pragma once
// The application: its title, its folder, the screen, the message loop and the end.
#include <cstdint>
#include <string>
#include <string_view>

namespace quillet::platform {

class IApplication {
 public:
  virtual ~IApplication() = default;
  virtual std::u16string Title() const = 0;
  virtual void SetTitle(std::u16string_view title) = 0;
  virtual std::u16string ProgramFolder() const = 0;  // without a trailing backslash
  // Processes the events that are waiting, once.
  virtual void DoEvents() = 0;
  // Ends the process at once; no further handler runs.
  [[noreturn]] virtual void End() = 0;
  virtual double TwipsPerPixelX() const = 0;  // exactly 1440 / logical dots per inch
  virtual double TwipsPerPixelY() const = 0;
  virtual double ScreenHeightTwips() const = 0;  // the primary screen
};

}  // namespace quillet::platform
