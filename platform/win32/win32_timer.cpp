#include "platform/win32/win32_timer.h"

namespace quillet::platform::win32 {
namespace {
constexpr UINT_PTR kTimerId = 1;
constexpr std::uint64_t kEarlyTolerance = 16;  // milliseconds: one period of the system timer
constexpr std::uint64_t kLongStallIntervals = 10;
}

std::uint64_t NowMs() {
  static const LONGLONG frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f.QuadPart;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<std::uint64_t>(now.QuadPart / frequency * 1000 + now.QuadPart % frequency * 1000 / frequency);
}

std::uint64_t ProcessStartMs() {
  FILETIME created, exited, kernel, user, now;
  std::uint64_t nowMs = NowMs();
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return nowMs;
  GetSystemTimeAsFileTime(&now);
  auto ticks = [](const FILETIME& t) { return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  std::uint64_t sinceStart = ticks(now) > ticks(created) ? (ticks(now) - ticks(created)) / 10000 : 0;  // 100 ns units
  return nowMs > sinceStart ? nowMs - sinceStart : 0;
}

Win32Timer::Win32Timer(std::uint32_t intervalMs, bool enabled, std::uint64_t startMs) : interval_(intervalMs) {
  Create({L"QuilletTimer"}, L"", 0, 0, 0, 0, 0, 0, HWND_MESSAGE);
  if (enabled) {
    enabled_ = true;
    due_ = startMs + interval_;
    Arm();
  }
}

void Win32Timer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (enabled) {
    due_ = NowMs() + interval_;
    Arm();
  } else {
    KillTimer(hwnd(), kTimerId);
    armedWait_ = 0;
  }
}

void Win32Timer::Arm() {
  std::uint64_t now = NowMs();
  auto wait = due_ > now ? static_cast<UINT>(due_ - now) : 1u;
  // The system timer repeats by itself: while it stays within a timer period of the due times,
  // it is left alone (no call at every tick); once it has slipped further, it is set anew.
  if (armedWait_ != 0 && wait + kEarlyTolerance >= armedWait_ && wait <= armedWait_ + kEarlyTolerance) return;
  SetTimer(hwnd(), kTimerId, wait, nullptr);
  armedWait_ = wait;
}

LRESULT Win32Timer::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_TIMER || wParam != kTimerId) return Win32Window::HandleMessage(message, wParam, lParam);
  if (!enabled_) return 0;
  std::uint64_t now = NowMs();
  // A timer message may come up to one system timer period early; that still counts as this
  // tick (the next one stays due one interval after this one's due time). Only a wake-up well
  // before the due time waits for the rest.
  if (now + kEarlyTolerance < due_) {
    Arm();
    return 0;
  }
  // The next tick is due one interval after this one was due; ticks held up by a busy moment
  // follow at once, so the count catches up. Only after a long stall (the machine slept) does
  // the schedule start again from now instead of firing a burst of ticks.
  due_ += interval_;
  if (due_ + kLongStallIntervals * interval_ < now) due_ = now + interval_;
  Arm();
  Guarded([&] {
    if (onTimer_) onTimer_();
  });
  return 0;
}

}  // namespace quillet::platform::win32
