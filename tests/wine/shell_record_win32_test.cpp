// The portable notification record as the NOTIFYICONDATAA that Shell_NotifyIconA receives (the
// same 88 bytes on 32-bit Windows, handles sign-extended on 64-bit Windows) and as the Unicode
// record of the tip and balloons; and a balloon as the shell shows it, every character intact.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <algorithm>
#include <string>
#include <vector>

#include "platform/win32/win32_shell.h"
// after windows.h
#include <commctrl.h>
#include "tests/wine/pump.h"
#include "tray/tray_icon.h"

namespace quillet {
namespace {

using platform::win32::ToBalloonData;
using platform::win32::ToNotifyIconData;
using platform::win32::ToNotifyIconDataW;

platform::NotifyIconRecord Record(std::uint32_t window, std::uint32_t icon) {
  platform::NotifyIconRecord record{};
  record.size = sizeof record;
  record.window = window;
  record.id = 7;
  record.flags = platform::kNifMessage | platform::kNifIcon | platform::kNifTip;
  record.callbackMessage = platform::kWmMouseMove;
  record.icon = icon;
  std::memset(record.tip, ' ', sizeof record.tip);
  std::memcpy(record.tip, "Quillet", 8);
  return record;
}

// A 32-bit handle value and the full handle Windows makes of it.
struct Widening {
  std::uint32_t value;
  std::uint64_t widened;
};

class ShellRecord : public ::testing::TestWithParam<Widening> {};

TEST_P(ShellRecord, FieldsArriveWithHandlesSignExtended) {
  const Widening& c = GetParam();
  platform::NotifyIconRecord record = Record(c.value, c.value ^ 0x10u);
  NOTIFYICONDATAA converted = ToNotifyIconData(record);

  EXPECT_EQ(converted.cbSize, NOTIFYICONDATAA_V1_SIZE);
  std::uint64_t mask = sizeof(void*) == 8 ? ~std::uint64_t{0} : 0xFFFFFFFFu;
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(converted.hWnd), c.widened & mask);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(converted.hIcon), (c.widened ^ 0x10u) & mask);
  EXPECT_EQ(converted.uID, 7u);
  EXPECT_EQ(converted.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
  EXPECT_EQ(converted.uCallbackMessage, static_cast<UINT>(WM_MOUSEMOVE));
  EXPECT_EQ(std::memcmp(converted.szTip, record.tip, sizeof record.tip), 0);
  if (sizeof(void*) == 4) {
    EXPECT_EQ(std::memcmp(&converted, &record, sizeof record), 0) << "32-bit Windows gets the record's bytes";
  }
}

INSTANTIATE_TEST_SUITE_P(Handles, ShellRecord,
                         ::testing::Values(Widening{0x00000000u, 0x0000000000000000u},
                                           Widening{0x00010024u, 0x0000000000010024u},
                                           Widening{0x7FFFFF00u, 0x000000007FFFFF00u},
                                           Widening{0x80000100u, 0xFFFFFFFF80000100u},
                                           Widening{0xFFFFFF00u, 0xFFFFFFFFFFFFFF00u}));

std::uint32_t Word32(const unsigned char* bytes, std::size_t offset) {
  return static_cast<std::uint32_t>(bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
                                    bytes[offset + 3] << 24);
}

std::u16string TextAt(const unsigned char* bytes, std::size_t offset) {
  std::u16string text;
  for (;; offset += 2) {
    char16_t unit = static_cast<char16_t>(bytes[offset] | bytes[offset + 1] << 8);
    if (unit == 0) return text;
    text.push_back(unit);
  }
}

const std::u16string kTyped = u"Gr\u00fc\u00dfe \U0001F600";

TEST(ShellRecordW, TipAndBalloonTravelInTheVersion2UnicodeRecord) {
  if (sizeof(void*) != 4) GTEST_SKIP() << "the offsets below are those of 32-bit Windows";
  platform::NotifyIconTip tip{};
  FillText(tip.text, kTyped);
  NOTIFYICONDATAW record = ToNotifyIconDataW(Record(0x00010024u, 0x00050066u), tip);
  const auto* bytes = reinterpret_cast<const unsigned char*>(&record);
  EXPECT_EQ(NOTIFYICONDATAW_V2_SIZE, 936u);
  EXPECT_EQ(Word32(bytes, 0), 936u) << "cbSize";
  EXPECT_EQ(Word32(bytes, 4), 0x00010024u);
  EXPECT_EQ(Word32(bytes, 8), 7u);
  EXPECT_EQ(Word32(bytes, 12), static_cast<std::uint32_t>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
  EXPECT_EQ(Word32(bytes, 16), static_cast<std::uint32_t>(WM_MOUSEMOVE));
  EXPECT_EQ(Word32(bytes, 20), 0x00050066u);
  EXPECT_EQ(TextAt(bytes, 24), kTyped) << "szTip: 128 UTF-16 units";

  platform::NotifyIconBalloon balloon{};
  FillText(balloon.title, u"\u00fc " + kTyped);
  FillText(balloon.text, kTyped + u" \u00fc");
  balloon.timeoutMs = 15000;
  balloon.infoFlags = platform::kNiifWarning;
  record = ToBalloonData(Record(0x00010024u, 0), balloon);
  EXPECT_EQ(Word32(bytes, 0), 936u);
  EXPECT_EQ(Word32(bytes, 12), static_cast<std::uint32_t>(NIF_INFO)) << "only the balloon changes";
  EXPECT_EQ(TextAt(bytes, 288), kTyped + u" \u00fc") << "szInfo: 256 units";
  EXPECT_EQ(Word32(bytes, 800), 15000u) << "uTimeout";
  EXPECT_EQ(TextAt(bytes, 804), u"\u00fc " + kTyped) << "szInfoTitle: 64 units";
  EXPECT_EQ(Word32(bytes, 932), static_cast<std::uint32_t>(NIIF_WARNING)) << "dwInfoFlags";
}

BOOL CALLBACK CollectTooltipText(HWND window, LPARAM found) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (!IsWindowVisible(window) || lstrcmpiW(name, TOOLTIPS_CLASSW) != 0) return TRUE;
  wchar_t text[512] = {};
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &ignored);
  reinterpret_cast<std::vector<std::u16string>*>(found)->emplace_back(reinterpret_cast<char16_t*>(text));
  return TRUE;
}

// The text of every visible tooltip window, where the shell draws balloons.
std::vector<std::u16string> TooltipTexts() {
  std::vector<std::u16string> texts;
  EnumWindows(&CollectTooltipText, reinterpret_cast<LPARAM>(&texts));
  return texts;
}

TEST(ShellRecordW, ABalloonShowsAsTyped) {
  HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  platform::NotifyIconRecord record = Record(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(owner)), 0);
  record.flags = platform::kNifMessage | platform::kNifTip;
  platform::win32::Win32Shell shell;
  ASSERT_TRUE(shell.Shell_NotifyIconA(platform::kNimAdd, record));
  platform::NotifyIconBalloon balloon{};
  FillText(balloon.title, u"Quillet");
  FillText(balloon.text, kTyped);
  balloon.timeoutMs = 15000;
  balloon.infoFlags = platform::kNiifInfo;
  EXPECT_TRUE(shell.ShowBalloon(record, balloon));
  std::vector<std::u16string> shown;
  bool found = wine_tests::PumpUntil(
      [&] {
        shown = TooltipTexts();
        return std::find(shown.begin(), shown.end(), kTyped) != shown.end();
      },
      5000);
  EXPECT_TRUE(found) << "tooltips seen: " << shown.size();
  shell.Shell_NotifyIconA(platform::kNimDelete, record);
  DestroyWindow(owner);
}

// The notification area takes the keyboard version through the Unicode record; a left click then
// comes with NIN_SELECT (not answered: a single click does nothing), Enter or Space as NIN_KEYSELECT.
TEST(ShellRecordW, TheNotificationAreaTakesTheKeyboardVersion) {
  HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(owner, nullptr);
  platform::NotifyIconRecord record = Record(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(owner)), 0);
  record.flags = platform::kNifMessage | platform::kNifTip;
  platform::win32::Win32Shell shell;
  ASSERT_TRUE(shell.Shell_NotifyIconA(platform::kNimAdd, record));
  EXPECT_TRUE(shell.SetIconVersion(record, platform::kNotifyIconVersion));
  shell.Shell_NotifyIconA(platform::kNimDelete, record);
  EXPECT_FALSE(shell.SetIconVersion(record, platform::kNotifyIconVersion)) << "no such icon any more";
  DestroyWindow(owner);
}

}  // namespace
}  // namespace quillet
