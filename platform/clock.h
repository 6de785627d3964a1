#pragma once
// The time of day: the outbox's retry schedule, the age of a waiting line, the journal's
// local times, the pop-up's first second, pauses and quiet hours.
#include <cstdint>

namespace quillet::platform {

struct LocalTime {
  int year, month, day, hour, minute, second;
  friend bool operator==(const LocalTime&, const LocalTime&) = default;
};

class IClock {
 public:
  virtual ~IClock() = default;
  // Milliseconds since 1970-01-01 00:00 UTC.
  virtual std::int64_t NowMs() = 0;
  // That moment in the user's time zone.
  virtual LocalTime Local(std::int64_t ms) = 0;
};

}  // namespace quillet::platform
