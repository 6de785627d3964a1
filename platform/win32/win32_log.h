#pragma once
// The log on the disk: quillet.log in the program's folder, UTF-8, each line after its local time
// ("2026-12-08 14:30:05 outbox.cpp:123 the disk is full"). Lines wait in a small queue that a
// thread of the log's own (started with the first line) writes out, so no caller waits for the disk. A write that would take
// the file past its limit first renames it to quillet.old.log (replacing the older one) and
// starts a new one: both files together hold at most twice the limit.
#include <windows.h>

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>

#include "common/lock.h"
#include "platform/log.h"
#include "platform/win32/win32_threads.h"

namespace quillet::platform::win32 {

class Win32Log : public ILog {
 public:
  static constexpr std::uint64_t kLimitBytes = 256 * 1024;
  static constexpr std::size_t kMostWaiting = 256;  // lines; more while the disk is slow are counted, not kept

  // The log in `folder` (made when missing); the program's folder unless a test names another.
  explicit Win32Log(std::wstring folder, std::uint64_t limitBytes = kLimitBytes);
  Win32Log();
  Win32Log(const Win32Log&) = delete;
  Win32Log& operator=(const Win32Log&) = delete;
  // Writes what waits, then ends the thread.
  ~Win32Log() override;

  void Write(std::string_view line) noexcept override;
  // Returns once every line given so far is on the disk (or could not be written).
  void Flush();

  std::wstring Path() const { return folder_ + L"\\quillet.log"; }
  std::wstring OldPath() const { return folder_ + L"\\quillet.old.log"; }

 private:
  void Run();
  void WriteOut(const std::string& bytes);

  std::wstring folder_;
  std::uint64_t limitBytes_;
  Lock lock_;
  Condition wake_;
  Condition drained_;
  std::deque<std::string> waiting_;
  std::size_t dropped_ = 0;
  bool writing_ = false;
  bool ending_ = false;
  Thread thread_;
};

}  // namespace quillet::platform::win32
