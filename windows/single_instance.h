#pragma once
// One running copy per session. The first start holds a named mutex for its whole life; a
// later start finds it held, asks the running program to bring its update window up, and ends.
#include <windows.h>

#include "platform/win32/handles.h"

namespace quillet::platform::win32 {

class SingleInstance {
 public:
  SingleInstance();
  // False when another copy of the program already runs.
  bool IsFirst() const { return first_; }
  // Asks the running copy's tray window to bring its update window up; false when there is
  // none yet (it is still in its first-run settings dialog).
  static bool ActivateRunning();

 private:
  UniqueKernelHandle mutex_;
  bool first_ = true;
};

}  // namespace quillet::platform::win32
