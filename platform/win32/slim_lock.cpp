// The lock of the Windows program: the system's slim reader/writer lock, taken exclusively.
#include <windows.h>

#include "common/lock.h"

namespace quillet {

static_assert(sizeof(SRWLOCK) == sizeof(void*), "an SRWLOCK is one pointer");

void Lock::lock() noexcept { AcquireSRWLockExclusive(static_cast<PSRWLOCK>(Native())); }

void Lock::unlock() noexcept { ReleaseSRWLockExclusive(static_cast<PSRWLOCK>(Native())); }

}  // namespace quillet
