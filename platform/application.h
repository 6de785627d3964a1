#pragma once
// The application: its title, its folder, the screen, the message loop, the end, and the language
// its windows speak.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/catalog.h"

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

  // The texts in the language in use (English until one is chosen): every window made from now
  // on speaks it, and a right-to-left one is mirrored.
  virtual const Catalog& Words() const = 0;
  virtual void UseWords(const Catalog& words) = 0;  // one of Languages(), which lives as long as the program
  // Windows' display languages, the person's first ("de-DE", "ja-JP").
  virtual std::vector<std::u16string> DisplayLanguages() const = 0;
};

}  // namespace quillet::platform
