#include "platform/win32/win32_presence.h"

// clang-format off
#include <windows.h>
#include <shellapi.h>
// clang-format on

#include "platform/win32/handles.h"

namespace quillet::platform::win32 {

bool Win32Presence::WorkstationLocked() const {
  // While locked, the secure desktop takes the input; a desktop that cannot even be opened is
  // not the user's either.
  UniqueDesktop input(OpenInputDesktop(0, FALSE, DESKTOP_READOBJECTS));
  if (!input) return true;
  wchar_t name[64] = {};
  DWORD needed = 0;
  if (!GetUserObjectInformationW(input.get(), UOI_NAME, name, sizeof name - sizeof name[0], &needed)) return false;
  return lstrcmpiW(name, L"Default") != 0;
}

NotificationState Win32Presence::UserNotificationState() const {
  QUERY_USER_NOTIFICATION_STATE state{};
  if (FAILED(SHQueryUserNotificationState(&state))) return NotificationState::kAcceptsNotifications;
  switch (state) {
    case QUNS_NOT_PRESENT:
      return NotificationState::kNotPresent;
    case QUNS_BUSY:
    case QUNS_RUNNING_D3D_FULL_SCREEN:
      return NotificationState::kFullScreen;
    case QUNS_PRESENTATION_MODE:
      return NotificationState::kPresentation;
    default:
      return NotificationState::kAcceptsNotifications;
  }
}

std::uint64_t Win32Presence::IdleMs() const {
  LASTINPUTINFO last{};
  last.cbSize = sizeof last;
  if (!GetLastInputInfo(&last)) return 0;
  return static_cast<DWORD>(GetTickCount() - last.dwTime);  // both wrap at 2^32 ms alike
}

}  // namespace quillet::platform::win32
