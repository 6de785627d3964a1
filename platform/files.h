#pragma once
// The program's own files (the outbox, the journal), in its folder under the user's local
// application data, %LOCALAPPDATA%\Quillet. Files are named by their leaf names; the folder is
// made when a file is first written. Every failure throws Failure.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quillet::platform {

// A file's bytes held for reading while the object lives (on Windows a read-only view of the file
// mapped into memory: nothing is copied, and only the pages read are brought in). The file cannot
// be written meanwhile.
class IFileBytes {
 public:
  virtual ~IFileBytes() = default;
  virtual std::string_view Bytes() const = 0;
};

class IFiles {
 public:
  virtual ~IFiles() = default;
  // The whole file, or nothing when it does not exist.
  virtual std::optional<std::string> Read(std::string_view name) = 0;
  // The whole file held for reading in place, for one walk over a big file; null when it does not
  // exist.
  virtual std::unique_ptr<IFileBytes> Map(std::string_view name) = 0;
  // The file's size in bytes, or nothing when it does not exist.
  virtual std::optional<std::uint64_t> Size(std::string_view name) = 0;
  // Replaces the file as one unit: the bytes go to a temporary file, which is flushed to the disk
  // and then renamed over the old one. After a failure, a crash or a power cut the file is the
  // old one or the new one, whole.
  virtual void Replace(std::string_view name, std::string_view bytes) = 0;
  // Adds the bytes at the end, making the file when it is missing.
  virtual void Append(std::string_view name, std::string_view bytes) = 0;
  // Renames a file of the folder; an existing `to` is not replaced (that throws).
  virtual void Rename(std::string_view from, std::string_view to) = 0;
  // The folder's full path, for messages.
  virtual std::u16string Folder() = 0;
};

}  // namespace quillet::platform
