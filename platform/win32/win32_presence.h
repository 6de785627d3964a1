#pragma once
// The clock and the user's presence on Win32: GetTickCount64 and GetLocalTime; the input
// desktop (another desktop than "Default" is in front while the workstation is locked),
// SHQueryUserNotificationState and GetLastInputInfo.
#include "platform/clock.h"
#include "platform/presence.h"

namespace quillet::platform::win32 {

class Win32Clock : public IClock {
 public:
  std::uint64_t MonotonicMs() const override;
  LocalTime LocalNow() const override;
};

class Win32Presence : public IPresence {
 public:
  bool WorkstationLocked() const override;
  NotificationState UserNotificationState() const override;
  std::uint64_t IdleMs() const override;
};

}  // namespace quillet::platform::win32
