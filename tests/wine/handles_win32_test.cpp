// The owners of handles and drawing state on Win32: a release leaves the caller's last error
// alone, and a selection gives the previous object back.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "common/callback.h"
#include "platform/win32/gdi.h"
#include "platform/win32/handles.h"

namespace quillet::wine_tests {
namespace {

using namespace platform::win32;

HWND PlainWindow() {
  return CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

// Each owner holds a handle that is already gone, so that its release fails and sets an error
// of its own; the caller's error must still be there afterwards.
TEST(UniqueHandle, ReleasingKeepsTheCallersLastError) {
  const std::vector<std::pair<const char*, Callback<void()>>> cases{
      {"window by reset",
       [] {
         HWND gone = PlainWindow();
         DestroyWindow(gone);
         UniqueWindow owner(gone);
         SetLastError(ERROR_FILE_NOT_FOUND);
         owner.reset();
       }},
      {"menu at the end of its owner",
       [] {
         HMENU gone = CreatePopupMenu();
         DestroyMenu(gone);
         UniqueMenu owner(gone);
         SetLastError(ERROR_FILE_NOT_FOUND);
       }},
      {"window replaced by a move",
       [] {
         HWND gone = PlainWindow();
         DestroyWindow(gone);
         UniqueWindow owner(gone);
         UniqueWindow next(PlainWindow());
         SetLastError(ERROR_FILE_NOT_FOUND);
         owner = std::move(next);
       }},
  };
  for (const auto& [what, release] : cases) {
    release();
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND)) << what;
  }
}

TEST(ScopedSelection, GivesThePreviousObjectBackOnceAtTheEnd) {
  UniqueMemoryDc dc = CompatibleDc(nullptr);
  ASSERT_TRUE(dc);
  UniqueFont first(CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"));
  UniqueFont second(CreateFontW(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial"));
  UniqueBrush brush(CreateSolidBrush(RGB(1, 2, 3)));
  HGDIOBJ stockFont = GetCurrentObject(dc.get(), OBJ_FONT);
  HGDIOBJ stockBrush = GetCurrentObject(dc.get(), OBJ_BRUSH);
  {
    ScopedSelection font(dc.get(), first.get());
    ScopedSelection fill(dc.get(), brush.get());
    EXPECT_TRUE(font);
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_FONT), first.get());
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BRUSH), brush.get());
    {
      ScopedSelection inner(dc.get(), second.get());
      EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_FONT), second.get());
    }
    EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_FONT), first.get());
    ScopedSelection moved(std::move(font));  // only the new owner gives the stock font back
  }
  EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_FONT), stockFont);
  EXPECT_EQ(GetCurrentObject(dc.get(), OBJ_BRUSH), stockBrush);
}

}  // namespace
}  // namespace quillet::wine_tests
