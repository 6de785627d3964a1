#include "platform/win32/win32_log.h"


#include "platform/win32/handles.h"
#include "platform/win32/win32_files.h"

namespace quillet::platform::win32 {
namespace {

std::wstring ProgramFolder() {
  std::u16string folder = Win32Files().Folder();
  return std::wstring(folder.begin(), folder.end());
}

std::uint64_t SizeOf(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace

Win32Log::Win32Log(std::wstring folder, std::uint64_t limitBytes)
    : folder_(std::move(folder)), limitBytes_(limitBytes) {}

Win32Log::Win32Log() : Win32Log(ProgramFolder()) {}

Win32Log::~Win32Log() {
  {
    std::lock_guard guard(lock_);
    ending_ = true;
  }
  wake_.NotifyOne();
  thread_.Join();
}

void Win32Log::Write(std::string_view line) noexcept {
  try {
    SYSTEMTIME now;
    GetLocalTime(&now);
    // "2026-12-08 23:05:09 ", written digit by digit: the C library's formatted printing would add
    // some 20 KB to the program for this line alone.
    std::string text = "0000-00-00 00:00:00 ";
    auto put = [&text](std::size_t end, unsigned value) {
      for (std::size_t at = end; value > 0; value /= 10) text[--at] = static_cast<char>('0' + value % 10);
    };
    put(4, now.wYear);
    put(7, now.wMonth);
    put(10, now.wDay);
    put(13, now.wHour);
    put(16, now.wMinute);
    put(19, now.wSecond);
    text.append(line).append("\r\n");
    {
      std::lock_guard guard(lock_);
      if (waiting_.size() >= kMostWaiting) {
        ++dropped_;
        return;
      }
      waiting_.push_back(std::move(text));
      if (!thread_.Started()) thread_ = Thread([this] { Run(); });  // at the first line: an idle program has none
    }
    wake_.NotifyOne();
  } catch (...) {
    // no memory for the line: it is lost, the program goes on
  }
}

void Win32Log::Flush() {
  std::lock_guard guard(lock_);
  drained_.Wait(lock_, [this] { return waiting_.empty() && !writing_; });
}

void Win32Log::Run() {
  for (;;) {
    std::string bytes;
    {
      std::lock_guard guard(lock_);
      wake_.Wait(lock_, [this] { return ending_ || !waiting_.empty(); });
      if (waiting_.empty()) return;  // ending, and everything written
      while (!waiting_.empty()) {
        bytes += waiting_.front();
        waiting_.pop_front();
      }
      if (dropped_ > 0) {
        bytes += "(" + std::to_string(dropped_) + " lines more came while the disk was slow; they are not kept)\r\n";
        dropped_ = 0;
      }
      writing_ = true;
    }
    WriteOut(bytes);
    {
      std::lock_guard guard(lock_);
      writing_ = false;
    }
    drained_.NotifyAll();
  }
}

// On the log's thread: the lines in order, each whole in one file. A failure here is not traced:
// the trace would only come back to this log.
void Win32Log::WriteOut(const std::string& bytes) {
  CreateDirectoryW(folder_.c_str(), nullptr);
  std::wstring path = Path();
  std::uint64_t size = SizeOf(path);
  std::string_view rest(bytes);
  while (!rest.empty()) {
    // As many whole lines as the file still takes (one at least, into an empty file).
    std::size_t take = 0;
    while (take < rest.size()) {
      std::size_t end = rest.find('\n', take);
      end = end == std::string_view::npos ? rest.size() : end + 1;
      if (size + end > limitBytes_ && (take > 0 || size > 0)) break;
      take = end;
    }
    if (take == 0) {  // the file is full: it is set aside, and a new one begins
      MoveFileExW(path.c_str(), OldPath().c_str(), MOVEFILE_REPLACE_EXISTING);
      size = 0;
      continue;
    }
    UniqueFile file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    std::string_view chunk = rest.substr(0, take);
    while (!chunk.empty()) {
      DWORD written = 0;
      if (!WriteFile(file.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &written, nullptr) || written == 0)
        return;
      chunk.remove_prefix(written);
    }
    size += take;
    rest.remove_prefix(take);
  }
}

}  // namespace quillet::platform::win32
