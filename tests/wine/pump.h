#pragma once
// Runs the message loop of the test thread until a condition holds or time runs out.
#include <windows.h>

#include "common/callback.h"

namespace quillet::wine_tests {

inline bool PumpUntil(const Callback<bool()>& done, DWORD timeoutMs = 5000) {
  DWORD start = GetTickCount();
  while (!done()) {
    if (GetTickCount() - start > timeoutMs) return false;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
  }
  return true;
}

// Processes what arrives within `ms`.
inline void PumpFor(DWORD ms) {
  PumpUntil([] { return false; }, ms);
}

}  // namespace quillet::wine_tests
