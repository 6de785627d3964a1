// The program's own threads and locks, and the C++ runtime's errors as the Windows program raises
// them: several threads writing to the log at once lose no line; each runtime error is a
// std::exception that keeps the runtime's words (and its numbers).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/win32_log.h"
#include "platform/win32/win32_threads.h"

namespace quillet {
namespace {

using platform::win32::Thread;
using platform::win32::Win32Log;

TEST(Threads, ManyWritersAtOnceLoseNoLineOfTheLog) {
  constexpr int kWriters = 4, kLines = 60;  // 240 lines: fewer than the log keeps waiting
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring folder = std::wstring(temp) + L"quillet-threads-" + std::to_wstring(GetCurrentProcessId());
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
    HANDLE file = CreateFileW(log.Path().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
    CloseHandle(file);
    DeleteFileW(log.Path().c_str());
  }
  RemoveDirectoryW(folder.c_str());
  for (int w = 0; w < kWriters; ++w)
    for (int i = 0; i < kLines; ++i) {
      std::string line = " writer " + std::to_string(w) + " line " + std::to_string(i) + ".\r\n";
      EXPECT_NE(text.find(line), std::string::npos) << line;
    }
}

TEST(RuntimeErrors, AreStdExceptionsWithTheRuntimesWords) {
  struct Case {
    const char* name;
    void (*fault)();
    const char* words;
  };
  const Case cases[] = {
      {"a position past the end", [] { (void)std::string("abc").substr(5); },
       "basic_string::substr: __pos (which is 5) > this->size() (which is 3)"},
      {"more than a string holds", [] { std::string().reserve(std::string().max_size() + 1); }, "basic_string"},
      {"more than a vector holds", [] { std::vector<int>().reserve(std::vector<int>().max_size() + 1); },
       "vector::reserve"},
      {"no number", [] { (void)std::stoi("none"); }, "stoi"},
  };
  for (const Case& c : cases) {
    try {
      c.fault();
      ADD_FAILURE() << c.name << ": nothing thrown";
    } catch (const std::exception& error) {
      EXPECT_NE(std::string(error.what()).find(c.words), std::string::npos) << c.name << ": " << error.what();
    }
  }
}

}  // namespace
}  // namespace quillet
