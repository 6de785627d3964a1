#pragma once
// Whether the user is at the machine and open to an interruption: the locked workstation, the
// shell's notification state (presenting, a full-screen program), whether the window in front
// fills a monitor, and the time since the last keyboard or mouse input.
#include <cstdint>

#include "platform/ui.h"

namespace quillet::platform {

enum class NotificationState {
  kAcceptsNotifications,  // also when the shell cannot tell
  kNotPresent,            // screen saver, locked, or another user's session in front
  kFullScreen,            // a full-screen program, a game included
  kPresentation,          // presentation mode
  kQuietTime,             // the quiet time after a user's first sign-in
};

class IPresence {
 public:
  virtual ~IPresence() = default;
  virtual bool WorkstationLocked() const = 0;
  virtual NotificationState UserNotificationState() const = 0;
  // Whether the window in front is another program's that covers the whole monitor `window`
  // is on (the primary one for none): a presentation, a film, a game. The desktop, the taskbar
  // and the program's own windows never are.
  virtual bool ShowInFront(WindowHandle window) const = 0;
  // Milliseconds since the last keyboard or mouse input in this session.
  virtual std::uint64_t IdleMs() const = 0;
};

}  // namespace quillet::platform
