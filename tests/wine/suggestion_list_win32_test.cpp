// The #tags' list under the update window's box on Win32: where it drops down, that it fits its
// entries (a CJK tag too), mirrors in a right-to-left window, picks with a click, and what a
// screen reader reads of it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "tests/wine/pump.h"
#include "windows/win32_update_window.h"

namespace quillet::wine_tests {
namespace {

using platform::win32::Win32UpdateWindow;

const std::vector<std::u16string> kTags = {u"#work", u"#読書会の記録と長いタグ", u"#walk"};

// The screen point of the box's character `index`: its left edge, its right one when mirrored.
POINT CharacterOnScreen(HWND edit, int index) {
  LRESULT position = SendMessageW(edit, EM_POSFROMCHAR, static_cast<WPARAM>(index), 0);
  POINT at{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
  ClientToScreen(edit, &at);
  return at;
}

std::vector<LONG> selectionEvents;
void CALLBACK OnWinEvent(HWINEVENTHOOK, DWORD, HWND, LONG object, LONG child, DWORD, DWORD) {
  if (object == OBJID_CLIENT) selectionEvents.push_back(child);
}

TEST(Win32SuggestionList, DropsDownUnderTheBoxFitsEachTagPicksWithAClickAndReadsToAScreenReader) {
  Win32UpdateWindow window;
  window.Show();
  HWND edit = window.EditWindow();
  SetWindowTextW(edit, L"at #w");
  auto& list = window.TagList();
  int picked = -1;
  list.OnPicked([&](std::int32_t index) { picked = index; });
  list.Show(kTags, 0, 3);
  HWND shown = list.hwnd();
  ASSERT_NE(shown, nullptr);
  EXPECT_TRUE(list.Visible());
  EXPECT_EQ(GetWindow(shown, GW_OWNER), window.hwnd());
  EXPECT_NE(GetWindowLongW(shown, GWL_EXSTYLE) & WS_EX_NOACTIVATE, 0) << "the box keeps the keys";

  ::RECT place{}, box{};
  GetWindowRect(shown, &place);
  GetWindowRect(edit, &box);
  EXPECT_EQ(place.top, box.bottom) << "under the box";
  EXPECT_EQ(place.left, CharacterOnScreen(edit, 3).x) << "from the #";

  // Every entry fits in the list's own font: the CJK one too.
  ::RECT client{};
  GetClientRect(shown, &client);
  HDC dc = GetDC(shown);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(shown, WM_GETFONT, 0, 0)));
  for (const std::u16string& tag : kTags) {
    std::wstring text(tag.begin(), tag.end());
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    EXPECT_LE(size.cx, client.right) << "a tag of " << text.size() << " characters";
  }
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  SelectObject(dc, old);
  ReleaseDC(shown, dc);
  auto rowHeight = static_cast<int>(SendMessageW(shown, LB_GETITEMHEIGHT, 0, 0));
  EXPECT_GE(rowHeight, metrics.tmHeight);
  EXPECT_EQ(client.bottom, 3 * rowHeight) << "every row shows";

  // A screen reader: the system's proxy of a list box reads its entries from the box itself (on
  // Windows; Wine's oleacc has no list proxy, so the test reads what it would), the list is named
  // by its text, and each entry chosen is told as the list's selection.
  for (int row = 0; row < 3; ++row) {
    wchar_t text[64] = {};
    SendMessageW(shown, LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text));
    EXPECT_EQ(std::u16string(text, text + wcslen(text)), kTags[static_cast<std::size_t>(row)]);
  }
  EXPECT_EQ(platform::win32::WindowText(shown), u"Tags");
  HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_SELECTION, EVENT_OBJECT_SELECTION, nullptr, OnWinEvent,
                                       GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
  list.Choose(2);
  EXPECT_EQ(SendMessageW(shown, LB_GETCURSEL, 0, 0), 2);
  EXPECT_TRUE(PumpUntil([&] { return !selectionEvents.empty() && selectionEvents.back() == 3; }, 5000))
      << "the third entry told as chosen";
  UnhookWinEvent(hook);

  SendMessageW(shown, WM_LBUTTONUP, 0, MAKELPARAM(4, rowHeight + rowHeight / 2));
  EXPECT_EQ(picked, 1) << "a click on the second entry picks it";
  list.Hide();
  EXPECT_FALSE(list.Visible());
  window.Hide();
}

TEST(Win32SuggestionList, MirrorsInARightToLeftWindowAndEndsAtTheHash) {
  SetProcessDefaultLayout(LAYOUT_RTL);
  {
    Win32UpdateWindow window;
    window.Show();
    HWND edit = window.EditWindow();
    SetWindowTextW(edit, L"\u0645\u0646 #w");
    auto& list = window.TagList();
    list.Show(kTags, 0, 3);
    HWND shown = list.hwnd();
    ASSERT_NE(shown, nullptr);
    EXPECT_NE(GetWindowLongW(shown, GWL_EXSTYLE) & WS_EX_LAYOUTRTL, 0) << "mirrored like its window";
    ::RECT place{};
    GetWindowRect(shown, &place);
    EXPECT_LE(std::abs(place.right - CharacterOnScreen(edit, 3).x), 1) << "its right edge at the #";
    list.Hide();
    window.Hide();
  }
  SetProcessDefaultLayout(0);
}

}  // namespace
}  // namespace quillet::wine_tests
