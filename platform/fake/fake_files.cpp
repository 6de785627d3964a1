#include "platform/fake/fake_files.h"

#include <utility>

#include "common/civil_date.h"
#include "common/failure.h"

namespace quillet::platform::fake {

std::optional<std::string> FakeFiles::Read(std::string_view name) {
  if (locked.contains(name)) throw Failure("the file is in use by another program");
  auto found = files.find(name);
  if (found == files.end()) return std::nullopt;
  return found->second;
}

std::unique_ptr<IFileBytes> FakeFiles::Map(std::string_view name) {
  struct Copy : IFileBytes {
    explicit Copy(std::string bytes) : bytes(std::move(bytes)) {}
    std::string_view Bytes() const override { return bytes; }
    std::string bytes;
  };
  std::optional<std::string> bytes = Read(name);
  if (!bytes) return nullptr;
  return std::make_unique<Copy>(std::move(*bytes));
}

std::optional<std::uint64_t> FakeFiles::Size(std::string_view name) {
  auto found = files.find(name);
  if (found == files.end()) return std::nullopt;
  return found->second.size();
}

void FakeFiles::CheckWritable(std::string_view name) const {
  if (locked.contains(name)) throw Failure("the file is in use by another program");
  if (readOnly) throw Failure("access denied");
  if (diskFull) throw Failure("the disk is full");
}

void FakeFiles::Replace(std::string_view name, std::string_view bytes) {
  CheckWritable(name);
  files[std::string(name)] = bytes;
  ++replaces;
}

void FakeFiles::Append(std::string_view name, std::string_view bytes) {
  CheckWritable(name);
  files[std::string(name)] += bytes;
}

void FakeFiles::Rename(std::string_view from, std::string_view to) {
  CheckWritable(from);
  auto found = files.find(from);
  if (found == files.end()) throw Failure("no such file");
  if (files.contains(to)) throw Failure("the file exists");
  std::string bytes = std::move(found->second);
  files.erase(found);
  files[std::string(to)] = std::move(bytes);
}

namespace {

// A number in `width` digits, zero-padded.
std::u16string Digits(int value, int width) {
  std::u16string text;
  for (int i = 0; i < width || value > 0; ++i, value /= 10) text.insert(text.begin(), static_cast<char16_t>(u'0' + value % 10));
  return text;
}

}  // namespace

std::u16string FakeClock::DateText(const LocalTime& time) {
  return Digits(time.year, 4) + u'-' + Digits(time.month, 2) + u'-' + Digits(time.day, 2);
}

std::u16string FakeClock::TimeOfDayText(const LocalTime& time) {
  return Digits(time.hour, 2) + u':' + Digits(time.minute, 2);
}

LocalTime FakeClock::Local(std::int64_t ms) {
  std::int64_t seconds = ms / 1000 + offsetMinutes * 60LL;
  std::int64_t days = seconds / 86400;
  std::int64_t rest = seconds % 86400;
  CivilDate date = CivilFromDays(days);
  return {date.year, date.month, date.day, static_cast<int>(rest / 3600), static_cast<int>(rest % 3600 / 60),
          static_cast<int>(rest % 60)};
}

}  // namespace quillet::platform::fake
