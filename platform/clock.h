#pragma once
// The time: the wall clock for the age of a waiting line, the journal's local times, pauses and
// quiet hours; the monotonic clock for retries, deadlines and the pop-up's first second.
#include <cstdint>
#include <string>

namespace quillet::platform {

struct LocalTime {
  int year, month, day, hour, minute, second;
  friend bool operator==(const LocalTime&, const LocalTime&) = default;
};

class IClock {
 public:
  virtual ~IClock() = default;
  // Milliseconds since 1970-01-01 00:00 UTC, as the wall clock says: it jumps when the clock is
  // set. For what a person reads (times shown, the journal) and what must outlive a restart.
  virtual std::int64_t NowMs() = 0;
  // Milliseconds since an arbitrary start: never jumps, never goes back. For waits and deadlines.
  virtual std::int64_t MonotonicMs() = 0;
  // That moment in the user's time zone.
  virtual LocalTime Local(std::int64_t ms) = 0;
  // A local time's date, and its time of day to the minute, as the person's settings write them
  // ("09.12.2026", "12/9/2026"; "14:30", "2:30 PM"): for what the person reads. Files and logs
  // keep their own fixed formats.
  virtual std::u16string DateText(const LocalTime& time) = 0;
  virtual std::u16string TimeOfDayText(const LocalTime& time) = 0;
};

}  // namespace quillet::platform
