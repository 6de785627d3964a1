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

Win32Timer::Win32Timer(std::uint32_t intervalMs, bool enabled) : interval_(intervalMs) {
  Create({L"QuilletTimer"}, L"", 0, 0, 0, 0, 0, 0, HWND_MESSAGE);
  SetEnabled(enabled);
}

void Win32Timer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (enabled) {
    due_ = NowMs() + interval_;
    Arm();
  } else {
    KillTimer(hwnd(), kTimerId);
  }
}

void Win32Timer::Arm() {
  std::uint64_t now = NowMs();
  auto wait = due_ > now ? static_cast<UINT>(due_ - now) : 1u;
  SetTimer(hwnd(), kTimerId, wait, nullptr);
}

LRESULT Win32Timer::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_TIMER || wParam != kTimerId) return Win32Window::HandleMessage(message, wParam, lParam);
  if (!enabled_) return 0;
  std::uint64_t now = NowMs();
  if (now + 1 < due_) {  // woke early: wait for the rest
    Arm();
    return 0;
  }
  // The next tick is due one interval after this one was due. After a long stall (the
  // machine slept), start again from now instead of firing a burst of ticks.
  due_ += interval_;
  if (due_ + interval_ < now) due_ = now + interval_;
  Arm();
  Guarded([&] {
    if (onTimer_) onTimer_();
  });
  return 0;
}

}  // namespace quillet::platform::win32
