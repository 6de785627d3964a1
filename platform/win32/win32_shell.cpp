#include <windows.h>
// windows.h first: shellapi.h needs its types.
#include <shellapi.h>

#include <cstring>

#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_windowing.h"

namespace quillet::platform::win32 {

bool Win32Shell::Shell_NotifyIconA(std::uint32_t message, const NotifyIconRecord& data) {
  // The record already has the 88-byte layout of the first version of NOTIFYICONDATAA.
  NOTIFYICONDATAA record{};
  static_assert(sizeof(record) >= sizeof(data));
  std::memcpy(&record, &data, sizeof data);
  return ::Shell_NotifyIconA(message, &record) != FALSE;
}

std::intptr_t Win32Shell::ShellExecuteA(WindowHandle parent, const std::string& verb, const std::string& file,
                                        const std::string& parameters, const std::string& directory,
                                        std::int32_t showCommand) {
  HINSTANCE result = ::ShellExecuteA(AsHwnd(parent), verb.c_str(), file.c_str(), parameters.c_str(),
                                     directory.c_str(), showCommand);
  return reinterpret_cast<std::intptr_t>(result);
}

}  // namespace quillet::platform::win32
