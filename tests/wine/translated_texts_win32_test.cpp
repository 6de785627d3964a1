// What a translation needs from the windows: a dialog widened until its longer texts fit, at each
// density; a window mirrored for texts that read right to left; dates and times as the person's
// settings write them.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "common/convert.h"
#include "platform/win32/gdi.h"
#include "platform/win32/twips_layout.h"
#include "platform/win32/win32_application.h"
#include "platform/win32/win32_files.h"
#include "tests/wine/pump.h"
#include "windows/win32_options_dialog.h"
#include "windows/win32_update_window.h"

namespace quillet::wine_tests {
namespace {

using namespace platform::win32;

::RECT RectIn(HWND child, HWND parent) {
  ::RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// Pairs of visible children of the same parent that overlap, group boxes aside (they hold others).
std::vector<std::pair<int, int>> Overlaps(HWND window) {
  std::vector<HWND> children;
  for (HWND child : ChildWindows(window))
    if (IsWindowVisible(child) && TextRoleOf(child) != TextRole::kGroupCaption) children.push_back(child);
  std::vector<std::pair<int, int>> overlaps;
  for (std::size_t i = 0; i < children.size(); ++i)
    for (std::size_t j = i + 1; j < children.size(); ++j) {
      HWND parent = GetParent(children[i]);
      ::RECT a = RectIn(children[i], parent), b = RectIn(children[j], parent), both;
      if (GetParent(children[j]) == parent && IntersectRect(&both, &a, &b))
        overlaps.emplace_back(GetDlgCtrlID(children[i]), GetDlgCtrlID(children[j]));
    }
  return overlaps;
}

// The black pixels of a rectangle of the screen.
int BlackPixels(const ::RECT& area) {
  int width = area.right - area.left, height = area.bottom - area.top;
  WindowDc screen(nullptr);
  UniqueMemoryDc copy = CompatibleDc(screen.get());
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB};
  void* bits = nullptr;
  UniqueBitmap bitmap(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  ScopedSelection selection(copy.get(), bitmap.get());
  BitBlt(copy.get(), 0, 0, width, height, screen.get(), area.left, area.top, SRCCOPY);
  GdiFlush();
  int black = 0;
  for (int i = 0; i < width * height; ++i) black += (static_cast<const DWORD*>(bits)[i] & 0xFFFFFF) == 0;
  return black;
}

int ClientWidth(HWND window) {
  ::RECT client;
  GetClientRect(window, &client);
  return client.right;
}

TEST(DisplayDensity, LongerTextsWidenTheOptionsDialogUntilNothingIsClippedOrOverlaps) {
  Win32Application app(u"Quillet");
  Win32OptionsView options(app);
  HWND window = reinterpret_cast<HWND>(options.Handle());
  ShowWindow(window, SW_SHOWNOACTIVATE);
  const int screen = ScreenDpi();  // the end-to-end test of densities runs this at each
  EXPECT_TRUE(ClippedTexts(window, screen).empty()) << "English fits as drawn";
  EXPECT_EQ(ClientWidth(window), TwipsToPixels(6600, screen));

  struct Longer {
    int id;
    const wchar_t* text;
  };
  const Longer longer[] = {
      {kIdRespectBusy, L"&Nicht aufpoppen, während ich präsentiere, ein Programm im Vollbild läuft oder ich abwesend bin"},
      {kIdAddAccount, L"Konto &hinzufügen..."},
      {kIdLabelQuietFrom, L"&Ruhezeiten von:"},
      {kIdOptionsCancel, L"&Abbrechen"},
  };
  for (const Longer& text : longer) SetWindowTextW(options.Control(text.id), text.text);
  EXPECT_FALSE(ClippedTexts(window, screen).empty()) << "before the dialog fits them";
  options.FitTexts();
  for (int dpi : {96, 144, 96}) {
    SCOPED_TRACE(dpi);
    ::RECT suggested{20, 20, 1000, 1000};
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(ClippedTexts(window, dpi), std::vector<HWND>{});
    EXPECT_EQ(Overlaps(window), (std::vector<std::pair<int, int>>{}));
    EXPECT_GT(ClientWidth(window), TwipsToPixels(6600, dpi));
  }

  // The English texts again: the dialog as drawn.
  SetWindowTextW(options.Control(kIdRespectBusy), L"&Don't pop up while I'm presenting, in a full-screen program, or away");
  SetWindowTextW(options.Control(kIdAddAccount), L"&Add...");
  SetWindowTextW(options.Control(kIdLabelQuietFrom), L"&Quiet hours from:");
  SetWindowTextW(options.Control(kIdOptionsCancel), L"&Cancel");
  options.FitTexts();
  EXPECT_EQ(ClientWidth(window), TwipsToPixels(6600, 96));
  ::RECT cancel = RectIn(options.Control(kIdOptionsCancel), window);
  EXPECT_EQ(cancel.left, TwipsToPixels(5160, 96));
  EXPECT_EQ(cancel.right - cancel.left, TwipsToPixels(1215, 96));
}

// The process's default layout is the application's switch; put back whatever a test leaves.
class RightToLeft : public ::testing::Test {
 protected:
  void TearDown() override { app_.UseRightToLeft(false); }
  Win32Application app_{u"Quillet"};
};

TEST_F(RightToLeft, TheUpdateWindowIsMirroredItsPicturesAreNotAndItsBoxReadsRightToLeft) {
  for (bool rightToLeft : {false, true}) {
    SCOPED_TRACE(rightToLeft);
    app_.UseRightToLeft(rightToLeft);
    EXPECT_EQ(app_.RightToLeft(), rightToLeft);
    Win32UpdateWindow window;
    HWND hwnd = reinterpret_cast<HWND>(window.Handle());
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    UpdateWindow(hwnd);
    PumpFor(200);
    EXPECT_EQ((GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0, rightToLeft);
    EXPECT_EQ((GetWindowLongW(window.EditWindow(), GWL_EXSTYLE) & WS_EX_RTLREADING) != 0, rightToLeft);

    ::RECT frame, close, count;
    GetWindowRect(hwnd, &frame);
    GetWindowRect(window.CloseMarkWindow(), &close);
    GetWindowRect(window.CharsLeftWindow(), &count);
    int middle = (frame.left + frame.right) / 2;
    EXPECT_EQ(close.right < middle, rightToLeft) << "the close mark stands at the left";
    EXPECT_EQ(count.right < middle, rightToLeft) << "the count stands at the left";
    // The background picture is not mirrored: its question, "What are you doing?", stays at the
    // left (it would stand right of the middle, reversed, if the picture were mirrored).
    auto px = [](int twips) { return TwipsToPixels(twips, 96); };
    EXPECT_GE(BlackPixels({frame.left + px(525), frame.top + px(615), frame.left + px(3000), frame.top + px(1065)}), 50);
  }
}

TEST(PersonsFormat, DatesAndTimesComeFromTheUsersLocale) {
  Win32Clock clock;
  const platform::LocalTime time{2026, 12, 9, 14, 30, 15};
  std::u16string date = clock.DateText(time), timeOfDay = clock.TimeOfDayText(time);
  for (const char16_t* part : {u"2026", u"12", u"9"}) EXPECT_NE(date.find(part), std::u16string::npos) << "date";
  EXPECT_NE(timeOfDay.find(u"30"), std::u16string::npos);
  EXPECT_EQ(timeOfDay.find(u"15"), std::u16string::npos) << "no seconds";
}

}  // namespace
}  // namespace quillet::wine_tests
