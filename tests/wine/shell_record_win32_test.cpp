// The portable notification record as the NOTIFYICONDATAA that Shell_NotifyIconA receives: the
// same 88 bytes on 32-bit Windows, handles sign-extended on 64-bit Windows.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "platform/win32/win32_shell.h"

namespace quillet {
namespace {

using platform::win32::ToNotifyIconData;

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

class ShellRecord : public testing::TestWithParam<Widening> {};

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
                         testing::Values(Widening{0x00000000u, 0x0000000000000000u},
                                         Widening{0x00010024u, 0x0000000000010024u},
                                         Widening{0x7FFFFF00u, 0x000000007FFFFF00u},
                                         Widening{0x80000100u, 0xFFFFFFFF80000100u},
                                         Widening{0xFFFFFF00u, 0xFFFFFFFFFFFFFF00u}));

}  // namespace
}  // namespace quillet
