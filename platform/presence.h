#pragma once
// Whether the user is at the machine and open to an interruption: the locked workstation, the
// shell's notification state (presenting, a full-screen program) and the time since the last
// keyboard or mouse input.
#include <cstdint>

namespace quillet::platform {

enum class NotificationState {
  kAcceptsNotifications,  // also when the shell cannot tell
  kNotPresent,            // screen saver, locked, or another user's session in front
  kFullScreen,            // a full-screen program, a game included
  kPresentation,          // presentation mode
};

class IPresence {
 public:
  virtual ~IPresence() = default;
  virtual bool WorkstationLocked() const = 0;
  virtual NotificationState UserNotificationState() const = 0;
  // Milliseconds since the last keyboard or mouse input in this session.
  virtual std::uint64_t IdleMs() const = 0;
};

}  // namespace quillet::platform
