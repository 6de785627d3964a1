#include "common/tick_schedule.h"

#include <algorithm>
#include <limits>

namespace quillet {

bool TickSchedule::OnWake(std::uint64_t nowMs) {
  // A timer message may come up to one system timer period early; that still counts as the tick.
  if (nowMs + kEarlyToleranceMs < due_) return false;
  // Skipping, a wake-up more than a timer period late is the one tick; the next is a whole interval
  // away, so a countdown never falls by two at once.
  if (lateness_ == Lateness::Skip && nowMs > due_ + kEarlyToleranceMs) {
    due_ = nowMs + interval_;
    return true;
  }
  // The next tick is due one interval after this one was due; ticks held up by a busy moment follow
  // at once. Only after a long stall does the schedule start again from now instead of a burst.
  due_ += interval_;
  if (due_ + kLongStallIntervals * interval_ < nowMs) due_ = nowMs + interval_;
  return true;
}

std::uint32_t TickSchedule::WaitMs(std::uint64_t nowMs) const {
  if (due_ <= nowMs) return 1;
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(due_ - nowMs, std::numeric_limits<std::uint32_t>::max()));
}

bool NeedsRearm(std::uint32_t armedWaitMs, std::uint32_t waitMs) {
  return armedWaitMs == 0 || waitMs + TickSchedule::kEarlyToleranceMs < armedWaitMs ||
         waitMs > armedWaitMs + TickSchedule::kEarlyToleranceMs;
}

}  // namespace quillet
