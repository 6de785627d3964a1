#pragma once
// GoogleTest's Notification (a thread waits until another lets it go on), on a Win32 event: the
// Windows runtime of this build has no std::mutex or std::condition_variable, on which GoogleTest
// builds its own. Included before everything else in GoogleTest and in the tests.
#include <windows.h>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {

class Notification {
 public:
  Notification() : event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
  ~Notification() { CloseHandle(event_); }
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { SetEvent(event_); }
  void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

 private:
  HANDLE event_;  // manual reset: once set, every wait returns
};

}  // namespace testing::internal
