// The log on the real file system: a failing Win32 call leaves a line with the step's place, the
// call's place and the system's words; the file never passes its limit; writers on several threads
// at once lose no line; the system's words for each kind of code.
#include <gtest/gtest.h>

#include <windows.h>
#include <winsock2.h>

#include <regex>
#include <string>
#include <vector>

#include "common/steps.h"
#include "common/trace.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_log.h"
#include "platform/win32/win32_threads.h"

namespace quillet {
namespace {

using platform::win32::Thread;
using platform::win32::UniqueFile;
using platform::win32::Win32Files;
using platform::win32::Win32Log;

std::wstring TestFolder(const wchar_t* name) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  return std::wstring(temp) + name + std::to_wstring(GetCurrentProcessId());
}

std::string ReadAll(const std::wstring& path) {
  UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  std::string bytes;
  char buffer[4096];
  DWORD read = 0;
  while (file && ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
  return bytes;
}

void Remove(const std::wstring& folder, std::initializer_list<const wchar_t*> names) {
  for (const wchar_t* name : names) DeleteFileW((folder + L"\\" + name).c_str());
  RemoveDirectoryW(folder.c_str());
}

TEST(Win32Log, AFailingCallLeavesALineWithTheStepsPlaceTheCallsPlaceAndTheSystemsWords) {
  std::wstring folder = TestFolder(L"quillet-log-");
  {
    Win32Log log(folder);
    SetTraceLog([&log](std::string_view line) { log.Write(line); });
    Win32Files files(folder);
    files.Replace("outbox.txt", "one\n");
    UniqueFile held(CreateFileW((folder + L"\\outbox.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    int line = __LINE__ + 1;
    Step([&] { files.Read("outbox.txt"); });
    SetTraceLog({});
    log.Flush();
    std::string text = ReadAll(log.Path());
    // Thrown where the file is opened, not in the helper that words the system's error.
    std::regex expected(
        "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d log_win32_test\\.cpp:" + std::to_string(line) +
        " \\(thrown at win32_files\\.cpp:\\d+\\) CreateFileW failed: [^\\r\\n]*[a-z][^\\r\\n]* \\(32\\)\\r\\n");
    EXPECT_TRUE(std::regex_search(text, expected)) << text;
  }
  Remove(folder, {L"outbox.txt", L"quillet.log"});
}

TEST(Win32Log, NeverPassesItsLimitAndKeepsTheNewestLines) {
  constexpr std::uint64_t kLimit = 8 * 1024;
  std::wstring folder = TestFolder(L"quillet-log-soak-");
  {
    Win32Log log(folder, kLimit);
    for (int i = 0; i < 5000; ++i) {
      log.Write("outbox.cpp:123 line " + std::to_string(i) + std::string(static_cast<std::size_t>(i % 97), 'x'));
      if (i % 100 == 0) log.Flush();  // a soak over many writes, not one batch
    }
    log.Flush();
    std::string now = ReadAll(log.Path()), old = ReadAll(log.OldPath());
    EXPECT_LE(now.size(), kLimit);
    EXPECT_LE(old.size(), kLimit);
    EXPECT_GT(old.size(), kLimit / 2) << "the older file was full when it was set aside";
    EXPECT_NE(now.find(" outbox.cpp:123 line 4999x"), std::string::npos) << "the newest line is kept";
    EXPECT_EQ(now.back(), '\n');
  }
  Remove(folder, {L"quillet.log", L"quillet.old.log"});
}

TEST(Win32Log, ManyWritersAtOnceLoseNoLine) {
  constexpr int kWriters = 4, kLines = 60;  // 240 lines: fewer than the log keeps waiting
  std::wstring folder = TestFolder(L"quillet-log-writers-");
  std::string text;
  {
    Win32Log log(folder);
    std::vector<Thread> writers;
    for (int w = 0; w < kWriters; ++w)
      writers.emplace_back([&log, w] {
        for (int i = 0; i < kLines; ++i) log.Write("writer " + std::to_string(w) + " line " + std::to_string(i) + ".");
      });
    for (Thread& writer : writers) writer.Join();
    log.Flush();
    text = ReadAll(log.Path());
  }
  Remove(folder, {L"quillet.log"});
  for (int w = 0; w < kWriters; ++w)
    for (int i = 0; i < kLines; ++i) {
      std::string line = " writer " + std::to_string(w) + " line " + std::to_string(i) + ".\r\n";
      EXPECT_NE(text.find(line), std::string::npos) << line;
    }
}

TEST(Win32Error, EachKindOfCodeHasTheSystemsWords) {
  // (WinHTTP's codes are worded by winhttp.dll's own table, which Wine's winhttp.dll lacks: only
  // their form is checked, below.)
  const std::pair<const char*, DWORD> cases[] = {
      {"CreateFileW", ERROR_SHARING_VIOLATION},
      {"connect", WSAECONNREFUSED},
  };
  for (const auto& [function, code] : cases) {
    std::string text = platform::win32::ErrorText(function, code);
    std::string start = std::string(function) + " failed: ", end = " (" + std::to_string(code) + ")";
    EXPECT_EQ(text.rfind(start, 0), 0u) << text;
    EXPECT_EQ(text.substr(text.size() - end.size()), end) << text;
    EXPECT_NE(text.substr(start.size(), text.size() - start.size() - end.size()), "error") << "no words: " << text;
    EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << text;
  }
  ASSERT_NE(LoadLibraryW(L"winhttp.dll"), nullptr);
  std::string text = platform::win32::ErrorText("WinHttpSendRequest", 12029 /* ERROR_WINHTTP_CANNOT_CONNECT */);
  EXPECT_EQ(text.rfind("WinHttpSendRequest failed: ", 0), 0u) << text;
  EXPECT_EQ(text.substr(text.size() - 8), " (12029)") << text;
}

}  // namespace
}  // namespace quillet
