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
  switch (static_cast<int>(state)) {
    case QUNS_NOT_PRESENT:
      return NotificationState::kNotPresent;
    case QUNS_BUSY:
    case QUNS_RUNNING_D3D_FULL_SCREEN:
      return NotificationState::kFullScreen;
    case QUNS_PRESENTATION_MODE:
      return NotificationState::kPresentation;
    case 6:  // QUNS_QUIET_TIME (Windows 8 and later)
      return NotificationState::kQuietTime;
    default:
      return NotificationState::kAcceptsNotifications;
  }
}

bool Win32Presence::ShowInFront(WindowHandle window) const {
  HWND front = GetForegroundWindow();
  if (front == nullptr || !IsWindowVisible(front) || IsIconic(front)) return false;
  if (front == GetDesktopWindow() || front == GetShellWindow()) return false;
  DWORD process = 0;
  GetWindowThreadProcessId(front, &process);
  if (process == GetCurrentProcessId()) return false;
  // The desktop's and the taskbar's windows cover a monitor too, and are no show.
  wchar_t className[32] = {};
  GetClassNameW(front, className, 32);
  for (const wchar_t* shell : {L"Progman", L"WorkerW", L"Shell_TrayWnd", L"Shell_SecondaryTrayWnd"})
    if (lstrcmpiW(className, shell) == 0) return false;
  HWND popUp = window != 0 ? reinterpret_cast<HWND>(window) : front;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromWindow(popUp, MONITOR_DEFAULTTOPRIMARY), &monitor)) return false;
  ::RECT place{};
  if (!GetWindowRect(front, &place)) return false;
  const ::RECT& screen = monitor.rcMonitor;
  return place.left <= screen.left && place.top <= screen.top && place.right >= screen.right &&
         place.bottom >= screen.bottom;
}

std::uint64_t Win32Presence::IdleMs() const {
  LASTINPUTINFO last{};
  last.cbSize = sizeof last;
  if (!GetLastInputInfo(&last)) return 0;
  return static_cast<DWORD>(GetTickCount() - last.dwTime);  // both wrap at 2^32 ms alike
}

}  // namespace quillet::platform::win32
