// The program's files on the real file system (replaced whole, appended, renamed, read whole or
// mapped in place, a file held by another program refused without harm), the clock, and the
// balloon's record.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <memory>
#include <string>

#include "common/failure.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_shell.h"

namespace quillet {
namespace {

using platform::win32::UniqueFile;
using platform::win32::Win32Clock;
using platform::win32::Win32Files;

std::wstring TestFolder() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring folder = std::wstring(temp) + L"quillet-files-" + std::to_wstring(GetCurrentProcessId());
  return folder;
}

TEST(Win32Files, ReplaceAppendRenameAndAFileHeldByAnotherProgram) {
  std::wstring folder = TestFolder();
  Win32Files files(folder);
  EXPECT_EQ(files.Read("outbox.txt"), std::nullopt) << "no folder yet";
  files.Replace("outbox.txt", "first\n");
  files.Replace("outbox.txt", "second \xF0\x9F\x98\x80\n");
  EXPECT_EQ(files.Read("outbox.txt"), "second \xF0\x9F\x98\x80\n");
  EXPECT_EQ(files.Size("outbox.txt"), 12u);
  EXPECT_EQ(GetFileAttributesW((folder + L"\\outbox.txt.tmp").c_str()), INVALID_FILE_ATTRIBUTES);

  files.Append("journal.csv", "a\r\n");
  files.Append("journal.csv", "b\r\n");
  EXPECT_EQ(files.Read("journal.csv"), "a\r\nb\r\n");

  {
    // Another program holds the outbox open, sharing nothing.
    UniqueFile held(CreateFileW((folder + L"\\outbox.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    EXPECT_THROW(files.Replace("outbox.txt", "third\n"), Failure);
    EXPECT_THROW(files.Read("outbox.txt"), Failure);
    EXPECT_THROW(files.Rename("outbox.txt", "outbox.damaged.txt"), Failure);
  }
  EXPECT_EQ(files.Read("outbox.txt"), "second \xF0\x9F\x98\x80\n") << "the old file, whole";
  EXPECT_EQ(GetFileAttributesW((folder + L"\\outbox.txt.tmp").c_str()), INVALID_FILE_ATTRIBUTES);

  files.Rename("outbox.txt", "outbox.damaged.txt");
  EXPECT_EQ(files.Read("outbox.txt"), std::nullopt);
  EXPECT_EQ(files.Read("outbox.damaged.txt"), "second \xF0\x9F\x98\x80\n");
  files.Replace("outbox.txt", "x");
  EXPECT_THROW(files.Rename("outbox.txt", "outbox.damaged.txt"), Failure) << "nothing is replaced by a rename";

  for (const char* name : {"outbox.txt", "outbox.damaged.txt", "journal.csv"})
    DeleteFileW((folder + L"\\" + std::wstring(name, name + std::strlen(name))).c_str());
  RemoveDirectoryW(folder.c_str());
  EXPECT_NE(Win32Files().Folder().find(u"\\Quillet"), std::u16string::npos);
}

TEST(Win32Files, ReadAndMapTakeTheWholeFileAndAMappedFileIsNotWritten) {
  std::wstring folder = TestFolder() + L"-map";
  Win32Files files(folder);
  EXPECT_EQ(files.Map("journal.csv"), nullptr) << "no file";
  files.Replace("journal.csv", "");
  ASSERT_NE(files.Map("journal.csv"), nullptr);
  EXPECT_EQ(files.Map("journal.csv")->Bytes(), "") << "an empty file, which cannot be mapped";
  std::string big;
  for (int i = 0; big.size() < 300'000; ++i) big += std::to_string(i) + (i % 7 ? std::string(1, '\0') : "\r\n");
  files.Replace("journal.csv", big);
  EXPECT_EQ(files.Read("journal.csv"), big);
  {
    std::unique_ptr<platform::IFileBytes> mapped = files.Map("journal.csv");
    ASSERT_NE(mapped, nullptr);
    EXPECT_EQ(mapped->Bytes(), big);
    EXPECT_THROW(files.Append("journal.csv", "more"), Failure) << "held while it is read";
    EXPECT_EQ(files.Read("journal.csv"), big) << "others may read it meanwhile";
  }
  files.Append("journal.csv", "more");
  EXPECT_EQ(files.Map("journal.csv")->Bytes(), big + "more");
  {
    UniqueFile held(CreateFileW((folder + L"\\journal.csv").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    EXPECT_THROW(files.Map("journal.csv"), Failure) << "held by another program, sharing nothing";
  }
  DeleteFileW((folder + L"\\journal.csv").c_str());
  RemoveDirectoryW(folder.c_str());
}

TEST(Win32Clock, NowAndLocalTimeAgreeWithTheSystem) {
  Win32Clock clock;
  SYSTEMTIME local;
  GetLocalTime(&local);
  platform::LocalTime now = clock.Local(clock.NowMs());
  EXPECT_EQ(now.year, local.wYear);
  EXPECT_EQ(now.month, local.wMonth);
  EXPECT_EQ(now.day * 24 * 60 + now.hour * 60 + now.minute, local.wDay * 24 * 60 + local.wHour * 60 + local.wMinute)
      << "within the same minute, but for a minute's turn";
}

TEST(Win32Balloon, TheBalloonGoesInTheUnicodeVersion2RecordAndTheShellTakesIt) {
  platform::NotifyIconRecord record{};
  record.size = sizeof record;
  record.id = 1;
  platform::NotifyIconBalloon balloon{};
  std::memcpy(balloon.title, u"Quillet could not post a line", 60);
  std::memcpy(balloon.text, u"the server refused the password", 64);
  balloon.timeoutMs = 15000;
  balloon.infoFlags = platform::kNiifWarning;
  NOTIFYICONDATAW data = platform::win32::ToBalloonData(record, balloon);
  EXPECT_EQ(data.cbSize, NOTIFYICONDATAW_V2_SIZE);
  EXPECT_EQ(data.uFlags, static_cast<UINT>(NIF_INFO));
  EXPECT_STREQ(data.szInfoTitle, L"Quillet could not post a line");
  EXPECT_STREQ(data.szInfo, L"the server refused the password");
  EXPECT_EQ(data.dwInfoFlags, static_cast<DWORD>(NIIF_WARNING));
  EXPECT_EQ(platform::kNinBalloonUserClick, static_cast<std::uint32_t>(NIN_BALLOONUSERCLICK));

  // A real icon on a real window, then its balloon.
  HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  record.window = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(owner));
  record.flags = platform::kNifMessage | platform::kNifTip;
  record.callbackMessage = platform::kWmMouseMove;
  std::memcpy(record.tip, "Quillet", 8);
  platform::win32::Win32Shell shell;
  ASSERT_TRUE(shell.Shell_NotifyIconA(platform::kNimAdd, record));
  EXPECT_TRUE(shell.ShowBalloon(record, balloon));
  EXPECT_TRUE(shell.Shell_NotifyIconA(platform::kNimDelete, record));
  DestroyWindow(owner);
}

}  // namespace
}  // namespace quillet
