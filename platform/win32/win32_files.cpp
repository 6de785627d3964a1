#include "platform/win32/win32_files.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <memory>

#include "common/failure.h"
#include "platform/win32/handles.h"
#include "platform/win32/window_base.h"
#include "platform/win32/win32_error.h"

namespace quillet::platform::win32 {
namespace {

// Milliseconds between 1601-01-01 (FILETIME's origin) and 1970-01-01.
constexpr std::int64_t kUnixEpochMs = 11'644'473'600'000LL;

// The folder as a path of at most MAX_PATH characters (SHGetFolderPath): the known-folder
// function returns memory that only COM (ole32) frees, which would load COM at every start.
std::wstring LocalAppData() {
  wchar_t path[MAX_PATH] = {};
  if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path)) && path[0] != L'\0')
    return path;
  wchar_t buffer[MAX_PATH];
  DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", buffer, MAX_PATH);
  if (length > 0 && length < MAX_PATH) return std::wstring(buffer, length);
  return L".";
}

void WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1 << 20));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) ThrowLastError("WriteFile");
    bytes.remove_prefix(written);
  }
}

}  // namespace

void WriteWholeFile(const std::wstring& path, std::string_view bytes) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) ThrowLastError("CreateFileW");
  try {
    WriteAll(file.get(), bytes);
  } catch (...) {
    file.reset();
    DeleteFileW(path.c_str());
    throw;
  }
}

Win32Files::Win32Files() : folder_(LocalAppData() + L"\\Quillet") {}

std::wstring Win32Files::PathOf(std::string_view name) const {
  std::wstring path = folder_ + L"\\";
  for (char ch : name) path += static_cast<wchar_t>(static_cast<unsigned char>(ch));  // the names are ASCII
  return path;
}

void Win32Files::MakeFolder() const {
  if (!CreateDirectoryW(folder_.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) ThrowLastError("CreateDirectoryW");
}

std::u16string Win32Files::Folder() { return FromWide(folder_); }

UniqueFile Win32Files::OpenForReading(std::string_view name) const {
  UniqueFile file(CreateFileW(PathOf(name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) {
    DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) ThrowLastError("CreateFileW");
  }
  return file;
}

std::optional<std::string> Win32Files::Read(std::string_view name) {
  UniqueFile file = OpenForReading(name);
  if (!file) return std::nullopt;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.get(), &size)) ThrowLastError("GetFileSizeEx");
  if (static_cast<std::uint64_t>(size.QuadPart) >= std::string().max_size())
    throw Failure("the file is too big to read");
  // Sized once and read in one go (in pieces of at most 1 GiB: ReadFile counts in 32 bits); the
  // file may have changed size since, so the reading goes on until the end.
  std::string bytes(static_cast<std::size_t>(size.QuadPart) + 1, '\0');
  std::size_t filled = 0;
  for (;;) {
    if (filled == bytes.size()) bytes.resize(bytes.size() + 64 * 1024);
    DWORD read = 0;
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - filled, 1u << 30));
    if (!ReadFile(file.get(), bytes.data() + filled, chunk, &read, nullptr)) ThrowLastError("ReadFile");
    if (read == 0) break;
    filled += read;
  }
  bytes.resize(filled);
  return bytes;
}

std::unique_ptr<IFileBytes> Win32Files::Map(std::string_view name) {
  class MappedFile : public IFileBytes {
   public:
    explicit MappedFile(UniqueFile file) : file_(std::move(file)) {
      LARGE_INTEGER size;
      if (!GetFileSizeEx(file_.get(), &size)) ThrowLastError("GetFileSizeEx");
      if (size.QuadPart == 0) return;  // an empty file cannot be mapped
      if (static_cast<std::uint64_t>(size.QuadPart) > SIZE_MAX) throw Failure("the file is too big to read");
      mapping_.reset(CreateFileMappingW(file_.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
      if (!mapping_) ThrowLastError("CreateFileMappingW");
      view_.reset(MapViewOfFile(mapping_.get(), FILE_MAP_READ, 0, 0, 0));
      if (!view_) ThrowLastError("MapViewOfFile");
      size_ = static_cast<std::size_t>(size.QuadPart);
    }
    std::string_view Bytes() const override {
      return size_ == 0 ? std::string_view() : std::string_view(static_cast<const char*>(view_.get()), size_);
    }

   private:
    UniqueFile file_;  // held, so that nobody writes it while it is read
    UniqueKernelHandle mapping_;
    UniqueMappedView view_;
    std::size_t size_ = 0;
  };
  UniqueFile file = OpenForReading(name);
  if (!file) return nullptr;
  return std::make_unique<MappedFile>(std::move(file));
}

std::optional<std::uint64_t> Win32Files::Size(std::string_view name) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(PathOf(name).c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

void Win32Files::Replace(std::string_view name, std::string_view bytes) {
  MakeFolder();
  std::wstring target = PathOf(name);
  std::wstring temporary = target + L".tmp";
  {
    UniqueFile file(
        CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) ThrowLastError("CreateFileW");
    try {
      WriteAll(file.get(), bytes);
      if (!FlushFileBuffers(file.get())) ThrowLastError("FlushFileBuffers");
    } catch (...) {
      file.reset();
      DeleteFileW(temporary.c_str());
      throw;
    }
  }
  if (!MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DWORD error = GetLastError();
    DeleteFileW(temporary.c_str());
    SetLastError(error);
    ThrowLastError("MoveFileExW");
  }
}

void Win32Files::Append(std::string_view name, std::string_view bytes) {
  MakeFolder();
  UniqueFile file(CreateFileW(PathOf(name).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) ThrowLastError("CreateFileW");
  WriteAll(file.get(), bytes);
}

void Win32Files::Rename(std::string_view from, std::string_view to) {
  if (!MoveFileExW(PathOf(from).c_str(), PathOf(to).c_str(), 0)) ThrowLastError("MoveFileExW");
}

std::int64_t Win32Clock::NowMs() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER ticks{.LowPart = now.dwLowDateTime, .HighPart = now.dwHighDateTime};
  return static_cast<std::int64_t>(ticks.QuadPart / 10'000) - kUnixEpochMs;
}

std::int64_t Win32Clock::MonotonicMs() { return static_cast<std::int64_t>(GetTickCount64()); }

LocalTime Win32Clock::Local(std::int64_t ms) {
  ULARGE_INTEGER ticks;
  ticks.QuadPart = static_cast<ULONGLONG>(ms + kUnixEpochMs) * 10'000;
  FILETIME utc{ticks.LowPart, ticks.HighPart};
  SYSTEMTIME universal{}, local{};
  if (!FileTimeToSystemTime(&utc, &universal) || !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
    ThrowLastError("SystemTimeToTzSpecificLocalTime");
  return {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
}

namespace {

SYSTEMTIME AsSystemTime(const LocalTime& time) {
  SYSTEMTIME system{};
  system.wYear = static_cast<WORD>(time.year);
  system.wMonth = static_cast<WORD>(time.month);
  system.wDay = static_cast<WORD>(time.day);
  system.wHour = static_cast<WORD>(time.hour);
  system.wMinute = static_cast<WORD>(time.minute);
  system.wSecond = static_cast<WORD>(time.second);
  return system;
}

// What a formatting function wrote into a buffer that it was given the length of.
template <class Format>
std::u16string Formatted(Format format, const char* name) {
  wchar_t text[128];
  int length = format(text, static_cast<int>(std::size(text)));
  if (length <= 0) ThrowLastError(name);
  return std::u16string(reinterpret_cast<const char16_t*>(text), static_cast<std::size_t>(length - 1));
}

}  // namespace

std::u16string Win32Clock::DateText(const LocalTime& time) {
  SYSTEMTIME system = AsSystemTime(time);
  return Formatted([&](wchar_t* text, int size) {
    return GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_SHORTDATE, &system, nullptr, text, size, nullptr);
  }, "GetDateFormatEx");
}

std::u16string Win32Clock::TimeOfDayText(const LocalTime& time) {
  SYSTEMTIME system = AsSystemTime(time);
  return Formatted([&](wchar_t* text, int size) {
    return GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, TIME_NOSECONDS, &system, nullptr, text, size);
  }, "GetTimeFormatEx");
}

}  // namespace quillet::platform::win32
