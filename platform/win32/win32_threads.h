#pragma once
// Threads of the Windows program, on the system's own primitives: a thread that runs a function,
// and a condition to wait for under a Lock.
#include <windows.h>

#include "common/callback.h"

#include "common/lock.h"
#include "platform/win32/handles.h"

namespace quillet::platform::win32 {

// A thread running `work`, waited for by Join (or by the destructor). An exception that leaves
// `work` ends the program, as it would on any thread.
class Thread {
 public:
  Thread() = default;
  // Starts it; throws Failure when the system makes no thread.
  explicit Thread(Callback<void()> work);
  Thread(Thread&&) noexcept = default;
  Thread& operator=(Thread&& other) noexcept;
  ~Thread() { Join(); }

  bool Started() const { return static_cast<bool>(handle_); }
  void Join() noexcept;

 private:
  UniqueKernelHandle handle_;
};

// Runs `work` on a thread of its own that nobody waits for; throws Failure when the system makes
// no thread (and `work` has not run).
void RunDetached(Callback<void()> work);

// A condition variable: Wait is called with the lock held (by a std::lock_guard), releases it
// while it sleeps and holds it again on return.
class Condition {
 public:
  Condition() = default;
  Condition(const Condition&) = delete;
  Condition& operator=(const Condition&) = delete;

  // Returns once `ready()` holds (tested under the lock).
  template <class Ready>
  void Wait(Lock& held, Ready ready) {
    while (!ready()) Sleep(held);
  }
  // Returns whether `ready()` holds, having waited for it at most `ms`.
  template <class Ready>
  bool WaitFor(Lock& held, DWORD ms, Ready ready) {
    for (DWORD start = GetTickCount(); !ready();) {
      DWORD waited = GetTickCount() - start;
      if (waited >= ms) return false;
      Sleep(held, ms - waited);
    }
    return true;
  }
  void NotifyOne() noexcept;
  void NotifyAll() noexcept;

 private:
  void Sleep(Lock& held, DWORD ms = INFINITE) noexcept;

  CONDITION_VARIABLE variable_ = CONDITION_VARIABLE_INIT;
};

}  // namespace quillet::platform::win32
