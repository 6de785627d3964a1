#pragma once
// The shell services of shell32 that the tray presence uses: the notification-area icon and
// opening a document or address.
#include <cstdint>
#include <string>

#include "platform/ui.h"

// <shellapi.h> makes NOTIFYICONDATA a macro for its A or W record; the name here is our own.
#ifdef NOTIFYICONDATA
#undef NOTIFYICONDATA
#endif

namespace quillet::platform {

// The notification record in its 88-byte layout of 32-bit Windows.
struct NOTIFYICONDATA {
  std::uint32_t cbSize;
  std::uint32_t hWnd;
  std::uint32_t uID;
  std::uint32_t uFlags;
  std::uint32_t uCallbackMessage;
  std::uint32_t hIcon;
  char szTip[64];
};
static_assert(sizeof(NOTIFYICONDATA) == 88, "the record must have the 32-bit Windows layout");

inline constexpr std::uint32_t kNimAdd = 0;
inline constexpr std::uint32_t kNimModify = 1;
inline constexpr std::uint32_t kNimDelete = 2;

class IShell {
 public:
  virtual ~IShell() = default;
  virtual bool Shell_NotifyIconA(std::uint32_t message, const NOTIFYICONDATA& data) = 0;
  virtual std::intptr_t ShellExecuteA(WindowHandle parent, const std::string& verb, const std::string& file,
                                      const std::string& parameters, const std::string& directory,
                                      std::int32_t showCommand) = 0;
};


}  // namespace quillet::platform
