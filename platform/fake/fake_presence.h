#pragma once
// A clock and presence signals that the test sets and advances.
#include "platform/clock.h"
#include "platform/presence.h"

namespace quillet::platform::fake {

class FakeClock : public IClock {
 public:
  std::uint64_t MonotonicMs() const override { return monotonicMs; }
  LocalTime LocalNow() const override { return local; }
  // Test side: time passes on the monotonic clock (the wall clock is set through `local`).
  void Advance(std::uint64_t ms) { monotonicMs += ms; }
  std::uint64_t monotonicMs = 1'000'000;
  LocalTime local{2024, 3, 12, 10, 0};
};

class FakePresence : public IPresence {
 public:
  bool WorkstationLocked() const override {
    ++reads;
    return locked;
  }
  NotificationState UserNotificationState() const override { return state; }
  std::uint64_t IdleMs() const override { return idleMs; }
  bool locked = false;
  NotificationState state = NotificationState::kAcceptsNotifications;
  std::uint64_t idleMs = 0;
  mutable int reads = 0;  // how often the signals were read
};

}  // namespace quillet::platform::fake
