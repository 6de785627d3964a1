// The due times of the program's timers, on a clock the test passes in.
#include "common/tick_schedule.h"

#include <gtest/gtest.h>

#include <vector>

namespace quillet::testing {
namespace {

using Lateness = TickSchedule::Lateness;

struct Wake {
  std::uint64_t atMs;
  bool ticks;
  std::uint64_t nextDueMs;
};

struct ScheduleCase {
  const char* name;
  Lateness lateness;
  std::vector<Wake> wakes;  // the schedule starts at 0 with a 1000 ms interval: first due at 1000
};

TEST(TickSchedule, WakeUpsTickAndMoveTheDueTime) {
  const ScheduleCase cases[] = {
      {"on time, and a little late, keeps the grid", Lateness::CatchUp, {{1000, true, 2000}, {2010, true, 3000}}},
      {"a timer period early counts and keeps the grid", Lateness::CatchUp, {{984, true, 2000}, {1990, true, 3000}}},
      {"well before the due time waits",
       Lateness::CatchUp,
       {{500, false, 1000}, {983, false, 1000}, {1000, true, 2000}}},
      {"held-up ticks follow one a wake-up and end on the grid",
       Lateness::CatchUp,
       {{3500, true, 2000}, {3501, true, 3000}, {3502, true, 4000}, {3503, false, 4000}, {4000, true, 5000}}},
      {"ten intervals late still catches up", Lateness::CatchUp, {{12000, true, 2000}}},
      {"a longer stall starts again from the wake-up", Lateness::CatchUp, {{12001, true, 13001}, {13001, true, 14001}}},
      {"countdown: a timer period either side keeps the grid",
       Lateness::Skip,
       {{984, true, 2000}, {2016, true, 3000}, {2500, false, 3000}}},
      {"countdown: one tick for a late wake-up, the next an interval after it",
       Lateness::Skip,
       {{3500, true, 4500}, {3501, false, 4500}, {4500, true, 5500}}},
      {"countdown: one tick after a long stall", Lateness::Skip, {{60000, true, 61000}, {60001, false, 61000}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TickSchedule schedule(1000, c.lateness);
    schedule.Start(0);
    for (const auto& wake : c.wakes) {
      SCOPED_TRACE(wake.atMs);
      EXPECT_EQ(schedule.OnWake(wake.atMs), wake.ticks);
      EXPECT_EQ(schedule.DueMs(), wake.nextDueMs);
    }
  }
}

TEST(TickSchedule, WaitsForTheRestOfTheIntervalAndAtLeastAMillisecond) {
  TickSchedule schedule(1000, Lateness::CatchUp);
  schedule.Start(5000);  // a start in the past, as the program's start-up is
  EXPECT_EQ(schedule.WaitMs(5250), 750u);
  EXPECT_EQ(schedule.WaitMs(6000), 1u);
  EXPECT_EQ(schedule.WaitMs(9000), 1u);
}

TEST(NeedsRearm, OnlyWhenTheSystemTimerIsUnsetOrHasSlippedMoreThanATimerPeriod) {
  struct {
    std::uint32_t armedWaitMs, waitMs;
    bool rearm;
  } const cases[] = {{0, 1000, true},     {1000, 1000, false}, {1000, 984, false}, {1000, 983, true},
                     {1000, 1016, false}, {1000, 1017, true},  {1000, 1, true},    {1, 1000, true}};
  for (const auto& c : cases) {
    EXPECT_EQ(NeedsRearm(c.armedWaitMs, c.waitMs), c.rearm) << c.armedWaitMs << " -> " << c.waitMs;
  }
}

}  // namespace
}  // namespace quillet::testing
