#include "platform/win32/win32_threads.h"

#include <process.h>

#include <memory>
#include <utility>

#include "common/failure.h"
#include "platform/win32/win32_error.h"

namespace quillet::platform::win32 {
namespace {

// The thread's start: runs the work it was given and frees it. noexcept: an exception that
// leaves the work ends the program here rather than unwinding into the system.
unsigned __stdcall RunWork(void* given) noexcept {
  std::unique_ptr<Callback<void()>> work(static_cast<Callback<void()>*>(given));
  (*work)();
  return 0;
}

// A new thread running `work` (through the C runtime, so that it has the runtime's per-thread
// data); throws Failure when there is none.
UniqueKernelHandle Start(Callback<void()> work) {
  auto given = std::make_unique<Callback<void()>>(std::move(work));
  auto handle = _beginthreadex(nullptr, 0, RunWork, given.get(), 0, nullptr);
  if (handle == 0) ThrowLastError("_beginthreadex");
  given.release();  // the thread's now
  return UniqueKernelHandle(reinterpret_cast<HANDLE>(handle));
}

}  // namespace

Thread::Thread(Callback<void()> work) : handle_(Start(std::move(work))) {}

Thread& Thread::operator=(Thread&& other) noexcept {
  if (this != &other) {
    Join();
    handle_ = std::move(other.handle_);
  }
  return *this;
}

void Thread::Join() noexcept {
  if (!handle_) return;
  WaitForSingleObject(handle_.get(), INFINITE);
  handle_.reset();
}

void RunDetached(Callback<void()> work) { Start(std::move(work)); }

void Condition::NotifyOne() noexcept { WakeConditionVariable(&variable_); }

void Condition::NotifyAll() noexcept { WakeAllConditionVariable(&variable_); }

void Condition::Sleep(Lock& held, DWORD ms) noexcept {
  SleepConditionVariableSRW(&variable_, static_cast<PSRWLOCK>(held.Native()), ms, 0);
}

}  // namespace quillet::platform::win32
