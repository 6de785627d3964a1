#include "platform/win32/win32_timer.h"

namespace quillet::platform::win32 {
namespace {
constexpr UINT_PTR kTimerId = 1;
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

Win32Timer::Win32Timer(std::uint32_t intervalMs, TickSchedule::Lateness lateness, bool enabled, std::uint64_t startMs)
    : schedule_(intervalMs, lateness) {
  Create({L"QuilletTimer"}, L"", 0, 0, 0, 0, 0, 0, HWND_MESSAGE);
  if (enabled) {
    enabled_ = true;
    schedule_.Start(startMs);
    Arm();
  }
}

void Win32Timer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (enabled) {
    schedule_.Start(NowMs());
    Arm();
  } else {
    KillTimer(hwnd(), kTimerId);
    armedWait_ = 0;
  }
}

// The system timer repeats by itself: it is set only when it has slipped from the due times.
void Win32Timer::Arm() {
  UINT wait = schedule_.WaitMs(NowMs());
  if (!NeedsRearm(armedWait_, wait)) return;
  SetTimer(hwnd(), kTimerId, wait, nullptr);
  armedWait_ = wait;
}

LRESULT Win32Timer::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_TIMER || wParam != kTimerId) return Win32Window::HandleMessage(message, wParam, lParam);
  if (!enabled_) return 0;
  bool tick = schedule_.OnWake(NowMs());
  Arm();
  if (!tick) return 0;
  Guarded([&] {
    if (onTimer_) onTimer_();
  });
  return 0;
}

}  // namespace quillet::platform::win32
