#pragma once
// In-memory files and clock for unit tests. The files play the faults of a real disk: a file
// held open by another program, a full disk, a folder that cannot be written.
#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "platform/clock.h"
#include "platform/files.h"

namespace quillet::platform::fake {

class FakeFiles : public IFiles {
 public:
  std::optional<std::string> Read(std::string_view name) override;
  std::unique_ptr<IFileBytes> Map(std::string_view name) override;
  std::optional<std::uint64_t> Size(std::string_view name) override;
  void Replace(std::string_view name, std::string_view bytes) override;
  void Append(std::string_view name, std::string_view bytes) override;
  void Rename(std::string_view from, std::string_view to) override;
  std::u16string Folder() override { return u"C:\\Users\\alice\\AppData\\Local\\Quillet"; }

  // Test side.
  std::map<std::string, std::string, std::less<>> files;
  std::set<std::string, std::less<>> locked;  // every use of these files fails
  bool diskFull = false;                      // nothing more can be written
  bool readOnly = false;                      // the folder takes no writes
  int replaces = 0;                           // successful Replace calls

 private:
  void CheckWritable(std::string_view name) const;
};

class FakeClock : public IClock {
 public:
  std::int64_t NowMs() override { return nowMs; }
  // Moves with nowMs, except across JumpWall.
  std::int64_t MonotonicMs() override { return nowMs - wallJumpsMs; }
  // The wall clock is set forward (or back, for a negative amount); the monotonic one stays.
  void JumpWall(std::int64_t ms) {
    nowMs += ms;
    wallJumpsMs += ms;
  }
  // UTC plus `offsetMinutes`, by the civil calendar.
  LocalTime Local(std::int64_t ms) override;
  // "2026-12-09" and "14:30": as the program wrote them before it asked the person's settings.
  std::u16string DateText(const LocalTime& time) override;
  std::u16string TimeOfDayText(const LocalTime& time) override;

  std::int64_t nowMs = 1'796'000'000'000;  // 2026-11-30 00:53:20 UTC
  int offsetMinutes = 60;
  std::int64_t wallJumpsMs = 0;
};

}  // namespace quillet::platform::fake
