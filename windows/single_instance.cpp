#include "windows/single_instance.h"

#include "windows/win32_tray_window.h"

namespace quillet::platform::win32 {

SingleInstance::SingleInstance() : mutex_(CreateMutexW(nullptr, FALSE, L"Velmora.Quillet.SingleInstance")) {
  // Without the mutex (an unlikely failure) the program runs as if it were the only one.
  first_ = !mutex_ || GetLastError() != ERROR_ALREADY_EXISTS;
}

bool SingleInstance::ActivateRunning() {
  HWND running = FindWindowW(kTrayWindowClass, nullptr);
  if (running == nullptr) return false;
  DWORD process = 0;
  GetWindowThreadProcessId(running, &process);
  // This start came from the user, so it may hand the foreground on to the running copy.
  AllowSetForegroundWindow(process);
  return PostMessageW(running, ActivateRequestMessage(), 0, 0) != FALSE;
}

}  // namespace quillet::platform::win32
