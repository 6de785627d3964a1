#pragma once
// The program's own files in %LOCALAPPDATA%\Quillet (the known folder Local AppData, or the
// LOCALAPPDATA variable when the shell cannot say), over the wide-character file functions.
// Replace writes name + ".tmp", flushes it to the disk and renames it over the file with
// MoveFileExW (MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH). Read takes the file in one
// ReadFile into a buffer of its size; Map maps it read-only (CreateFileMappingW, MapViewOfFile).
#include <windows.h>

#include <string>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/win32/handles.h"

namespace quillet::platform::win32 {

class Win32Files : public IFiles {
 public:
  Win32Files();
  // Files in another folder (the Wine tests' own).
  explicit Win32Files(std::wstring folder) : folder_(std::move(folder)) {}

  std::optional<std::string> Read(std::string_view name) override;
  std::unique_ptr<IFileBytes> Map(std::string_view name) override;
  std::optional<std::uint64_t> Size(std::string_view name) override;
  void Replace(std::string_view name, std::string_view bytes) override;
  void Append(std::string_view name, std::string_view bytes) override;
  void Rename(std::string_view from, std::string_view to) override;
  std::u16string Folder() override;

 private:
  std::wstring PathOf(std::string_view name) const;
  // The file opened for reading (others may read it too); nothing when it does not exist.
  UniqueFile OpenForReading(std::string_view name) const;
  void MakeFolder() const;
  std::wstring folder_;
};

// Writes the whole file at `path` (a full path of the person's choosing), replacing one that is
// there. A write that fails part way removes what it wrote: no half file is left. Throws Failure
// with the system's words.
void WriteWholeFile(const std::wstring& path, std::string_view bytes);

// The system clock: UTC from GetSystemTimeAsFileTime, local time by the time zone's rules.
class Win32Clock : public IClock {
 public:
  std::int64_t NowMs() override;
  std::int64_t MonotonicMs() override;
  LocalTime Local(std::int64_t ms) override;
  // The user's short date and time without seconds (GetDateFormatEx, GetTimeFormatEx).
  std::u16string DateText(const LocalTime& time) override;
  std::u16string TimeOfDayText(const LocalTime& time) override;
};

}  // namespace quillet::platform::win32
