#pragma once
// The user's presence on Win32: the input desktop (another desktop than "Default" is in front
// while the workstation is locked), SHQueryUserNotificationState, the foreground window's place
// against its monitor's, and GetLastInputInfo.
#include "platform/presence.h"

namespace quillet::platform::win32 {

class Win32Presence : public IPresence {
 public:
  bool WorkstationLocked() const override;
  NotificationState UserNotificationState() const override;
  bool ShowInFront(WindowHandle window) const override;
  std::uint64_t IdleMs() const override;
};

}  // namespace quillet::platform::win32
