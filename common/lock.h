#pragma once
// A lock for what more than one thread touches, held through std::lock_guard.
// The Windows program is built on the system's own threads (its C++ runtime has no std::mutex,
// and no threading library beside it), so there the lock is the system's slim lock; elsewhere it
// is std::mutex.
#ifdef _WIN32

namespace quillet {

class Lock {
 public:
  Lock() = default;
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

  void lock() noexcept;
  void unlock() noexcept;
  // The SRWLOCK, for waiting on a condition variable with it.
  void* Native() noexcept { return &state_; }

 private:
  void* state_ = nullptr;  // an SRWLOCK: one pointer, zero while free (SRWLOCK_INIT)
};

}  // namespace quillet

#else

#include <mutex>

namespace quillet {
using Lock = std::mutex;
}  // namespace quillet

#endif
