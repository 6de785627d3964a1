#pragma once
// A timer whose ticks are due at whole intervals on the clock (TickSchedule): each tick is re-armed
// for the time left to its due time, so lateness does not add up from tick to tick.
#include <cstdint>

#include "common/callback.h"
#include "platform/ui.h"
#include "platform/win32/window_base.h"
#include "common/tick_schedule.h"

namespace quillet::platform::win32 {

// Milliseconds on a monotonic clock with sub-millisecond resolution.
std::uint64_t NowMs();
// The moment this process was created, on the same clock.
std::uint64_t ProcessStartMs();

class Win32Timer : public ITimer, private Win32Window {
 public:
  // Enabled at creation, the first tick is due one interval after `startMs` (default: now).
  Win32Timer(std::uint32_t intervalMs, TickSchedule::Lateness lateness, bool enabled, std::uint64_t startMs = NowMs());
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override;
  void OnTimer(Callback<void()> handler) override { onTimer_ = std::move(handler); }

 private:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void Arm();
  TickSchedule schedule_;  // on the performance clock (NowMs)
  bool enabled_ = false;
  UINT armedWait_ = 0;  // the period the system timer repeats with; 0 when it is not set
  Callback<void()> onTimer_;
};

}  // namespace quillet::platform::win32
