#pragma once
// The time: a monotonic count of milliseconds for short spans, and the wall clock's local time
// for what the user sets in hours and minutes.
#include <cstdint>

namespace quillet::platform {

// A local date and time to the minute, as the wall clock shows it.
struct LocalTime {
  int year = 2000;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;   // 0..23
  int minute = 0;
  friend bool operator==(const LocalTime&, const LocalTime&) = default;
};

class IClock {
 public:
  virtual ~IClock() = default;
  // Milliseconds since some fixed moment; never goes back, not even when the wall clock does.
  virtual std::uint64_t MonotonicMs() const = 0;
  virtual LocalTime LocalNow() const = 0;
};

}  // namespace quillet::platform
