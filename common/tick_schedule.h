#pragma once
// Due times of a repeating tick on a monotonic millisecond clock. The schedule only does the
// arithmetic: the caller reads the clock, wakes up when told, and passes the time in.
#include <cstdint>

namespace quillet {

class TickSchedule {
 public:
  // A wake-up up to one period of the system timer before the due time counts as the tick.
  static constexpr std::uint64_t kEarlyToleranceMs = 16;
  // A tick more intervals late than this was held up by a long stall (the machine slept).
  static constexpr std::uint64_t kLongStallIntervals = 10;

  // What a late wake-up does with the ticks it held up.
  enum class Lateness {
    // They follow at once, one a wake-up, so the count of ticks keeps to the clock; after a
    // long stall the schedule starts again from the wake-up instead of firing a burst.
    CatchUp,
    // They are dropped: a wake-up more than one system timer period late is one tick, and the
    // next is due one interval after it.
    Skip,
  };

  TickSchedule(std::uint32_t intervalMs, Lateness lateness) : interval_(intervalMs), lateness_(lateness) {}

  // The first tick is due one interval after `startMs`.
  void Start(std::uint64_t startMs) { due_ = startMs + interval_; }
  // A wake-up at `nowMs`: true when it counts as the tick that is due, and the schedule moves on
  // to the next; false when it came too early and the schedule is unchanged.
  bool OnWake(std::uint64_t nowMs);
  // Milliseconds from `nowMs` to the due time; at least 1, so an overdue tick is waited for briefly.
  std::uint32_t WaitMs(std::uint64_t nowMs) const;
  std::uint64_t DueMs() const { return due_; }

 private:
  std::uint64_t interval_;
  Lateness lateness_;
  std::uint64_t due_ = 0;
};

// Whether a repeating system timer, set to `armedWaitMs` (0: not set), has to be set anew to wake
// up in `waitMs`: it is left alone while it keeps within a timer period of the due times.
bool NeedsRearm(std::uint32_t armedWaitMs, std::uint32_t waitMs);

}  // namespace quillet
