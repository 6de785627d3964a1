// The owners of handles and drawing state on Win32: a release leaves the caller's last error
// alone, a selection gives the previous object back, a window's text is read whole, and the
// edit boxes of both windows (one class) pass keys through the key press event.
#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/win32/gdi.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_application.h"
#include "platform/win32/win32_settings_dialog.h"
#include "platform/win32/win32_update_window.h"
#include "platform/win32/window_base.h"

namespace quillet::wine_tests {
namespace {

using namespace platform::win32;

HWND PlainWindow() {
  return CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

// Each owner holds a handle that is already gone, so that its release fails and sets an error
// of its own; the caller's error must still be there afterwards.
TEST(UniqueHandle, ReleasingKeepsTheCallersLastError) {
  const std::vector<std::pair<const char*, std::function<void()>>> cases{
      {"window by reset", [] {
         HWND gone = PlainWindow();
         DestroyWindow(gone);
         UniqueWindow owner(gone);
         SetLastError(ERROR_FILE_NOT_FOUND);
         owner.reset();
       }},
      {"menu at the end of its owner", [] {
         HMENU gone = CreatePopupMenu();
         DestroyMenu(gone);
         UniqueMenu owner(gone);
         SetLastError(ERROR_FILE_NOT_FOUND);
       }},
      {"window replaced by a move", [] {
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

TEST(UniqueHandle, ReleasesWhatItOwnsOnce) {
  HWND window = PlainWindow();
  {
    UniqueWindow owner(window);
    UniqueWindow moved(std::move(owner));
    EXPECT_FALSE(owner);
    EXPECT_TRUE(IsWindow(window));
  }
  EXPECT_FALSE(IsWindow(window));
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

TEST(WindowDc, TheScreensContextAnswers) {
  WindowDc screen(nullptr);
  ASSERT_TRUE(screen);
  EXPECT_GT(GetDeviceCaps(screen.get(), LOGPIXELSY), 0);
  WindowDc moved(std::move(screen));
  EXPECT_FALSE(screen);
  EXPECT_EQ(GetDeviceCaps(moved.get(), LOGPIXELSY), ScreenDpi());
}

TEST(WindowText, ReadsTheWholeTextOrNothing) {
  UniqueWindow window(PlainWindow());
  for (const std::u16string& text : {std::u16string(), std::u16string(u"Quillet"), std::u16string(300, u'\u00e9')}) {
    SetWindowTextW(window.get(), Wide(text).c_str());
    EXPECT_EQ(WindowText(window.get()), text) << text.size();
  }
  EXPECT_EQ(WindowText(nullptr), u"");
}

// The same edit box in the update window and in the settings dialog: keys through the key
// press event (0 discards, another code replaces), changes reported through the parent.
TEST(Win32EditBox, BothWindowsBoxesPassKeysAndReportChanges) {
  Win32Application app(u"Quillet");
  Win32UpdateWindow updateWindow;
  Win32SettingsView settings(app);
  const std::vector<std::pair<const char*, Win32EditBox*>> boxes{
      {"statusBox", static_cast<Win32EditBox*>(&updateWindow.StatusBox())},
      {"userName", static_cast<Win32EditBox*>(&settings.UserName())},
      {"password", static_cast<Win32EditBox*>(&settings.Password())},
  };
  for (const auto& [what, box] : boxes) {
    std::vector<std::string> events;
    box->OnChange([&, box = box] { events.push_back("change:" + std::to_string(box->Text().size())); });
    box->OnKeyPress([&](std::int16_t& key) {
      events.push_back("key:" + std::to_string(key));
      if (key == 27) key = 0;
      if (key == 'a') key = 'b';
    });
    for (wchar_t ch : {L'x', L'a', wchar_t{27}}) SendMessageW(box->hwnd(), WM_CHAR, ch, 1);
    EXPECT_EQ(box->Text(), u"xb") << what;
    EXPECT_EQ(events, (std::vector<std::string>{"key:120", "change:1", "key:97", "change:2", "key:27"})) << what;
  }
}

}  // namespace
}  // namespace quillet::wine_tests
