#pragma once
// The shell services over shell32's 8-bit-text entry points.
#include <string>

#include "platform/shell.h"

namespace quillet::platform::win32 {

class Win32Shell : public IShell {
 public:
  bool Shell_NotifyIconA(std::uint32_t message, const NotifyIconRecord& data) override;
  std::intptr_t ShellExecuteA(WindowHandle parent, const std::string& verb, const std::string& file,
                              const std::string& parameters, const std::string& directory,
                              std::int32_t showCommand) override;
};

}  // namespace quillet::platform::win32
