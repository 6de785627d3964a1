#pragma once
// Presence signals that the test sets.
#include "platform/presence.h"

namespace quillet::platform::fake {

class FakePresence : public IPresence {
 public:
  bool WorkstationLocked() const override {
    ++reads;
    return locked;
  }
  NotificationState UserNotificationState() const override { return state; }
  bool ShowInFront(WindowHandle window) const override {
    showAskedFor = window;
    return showInFront;
  }
  std::uint64_t IdleMs() const override { return idleMs; }
  bool locked = false;
  NotificationState state = NotificationState::kAcceptsNotifications;
  std::uint64_t idleMs = 0;
  bool showInFront = false;
  mutable WindowHandle showAskedFor = 0;  // the window the last question was about
  mutable int reads = 0;  // how often the signals were read
};

}  // namespace quillet::platform::fake
