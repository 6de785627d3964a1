// The windows at the display's dots per inch: run at 96 here, and at 120, 144, 168 and 192 by
// the end-to-end density test, which sets the density in the registry and names it in
// QUILLET_EXPECT_DPI. Sizes and places are the twips of the description converted at exactly
// 1440 / dpi twips per pixel (halves to even); pictures and icons are those drawn for it, or
// for the nearest density the pictures are drawn for.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <map>
#include <utility>

#include "common/convert.h"
#include "platform/win32/win32_application.h"
#include "platform/win32/win32_update_window.h"
#include "platform/win32/win32_settings_dialog.h"
#include "platform/win32/win32_tray_window.h"

namespace quillet::wine_tests {
namespace {

using namespace platform::win32;

int Dpi() {
  int dpi = ScreenDpi();
  if (const char* expected = std::getenv("QUILLET_EXPECT_DPI"); expected != nullptr && *expected != '\0') {
    EXPECT_EQ(dpi, std::atoi(expected)) << "the density set in the registry was not taken";
  }
  return dpi;
}

int Px(int twips) { return RoundHalfEven(static_cast<double>(twips) * ScreenDpi() / 1440.0); }

::RECT TwipsBox(int left, int top, int width, int height) {
  return {Px(left), Px(top), Px(left) + Px(width), Px(top) + Px(height)};
}

::RECT ClientRectOf(HWND child, HWND parent) {
  ::RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void ExpectRect(const ::RECT& actual, const ::RECT& expected, const char* what) {
  EXPECT_TRUE(EqualRect(&actual, &expected))
      << what << ": " << actual.left << "," << actual.top << " " << actual.right - actual.left << "x"
      << actual.bottom - actual.top << ", expected " << expected.left << "," << expected.top << " "
      << expected.right - expected.left << "x" << expected.bottom - expected.top;
}

int IconWidth(HICON icon) {
  ICONINFO info{};
  if (!GetIconInfo(icon, &info)) return 0;
  BITMAP colour{};
  GetObjectW(info.hbmColor, sizeof colour, &colour);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return colour.bmWidth;
}

TEST(DisplayDensity, UpdateWindowControlsAndPicturesFollowTheDensity) {
  int dpi = Dpi();
  Win32UpdateWindow window;
  HWND hwnd = reinterpret_cast<HWND>(window.Handle());
  ::RECT client;
  GetClientRect(hwnd, &client);
  EXPECT_EQ(client.right, Px(8655));
  EXPECT_EQ(client.bottom, Px(2310));
  // 8655 x 2310 twips at known densities, worked out by hand (twips * dpi / 1440, halves to
  // even), with the density of the pictures used there.
  struct Known {
    int width, height, pictureDensity;
  };
  const std::map<int, Known> known{{96, {577, 154, 96}},      // 577, 154
                                   {120, {721, 192, 120}},    // 721.25, 192.5
                                   {144, {866, 231, 144}},    // 865.5, 231
                                   {168, {1010, 270, 144}},   // 1009.75, 269.5
                                   {192, {1154, 308, 144}}};  // 1154, 308
  if (auto size = known.find(dpi); size != known.end()) {
    EXPECT_EQ(client.right, size->second.width);
    EXPECT_EQ(client.bottom, size->second.height);
    EXPECT_EQ(window.PictureDensity(), size->second.pictureDensity);
  }
  ::RECT frame;
  GetWindowRect(hwnd, &frame);
  EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXSCREEN) - client.right) / 2) << "centred";
  EXPECT_EQ(frame.top, (GetSystemMetrics(SM_CYSCREEN) - client.bottom) / 2);

  ExpectRect(ClientRectOf(window.EditWindow(), hwnd), TwipsBox(525, 1200, 7590, 435), "statusBox");
  ExpectRect(window.SendButtonRect(), TwipsBox(3600, 1800, 1455, 375), "sendButton");
  ExpectRect(window.CloseMarkRect(), TwipsBox(8325, 60, 255, 255), "closeMark");
  EXPECT_EQ(window.Frame().Top(), Px(360));

  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(window.EditWindow(), WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_EQ(font.lfHeight, -static_cast<int>(9.75 * dpi / 72 + 0.5)) << "9.75 pt";
  EXPECT_EQ(IconWidth(reinterpret_cast<HICON>(window.Icon())), GetSystemMetrics(SM_CXSMICON));
}

TEST(DisplayDensity, PicturesComeFromTheNearestDensityTheHigherOnATie) {
  const std::pair<int, int> cases[] = {{72, 96},   {96, 96},   {107, 96},  {108, 120}, {120, 120},
                                       {131, 120}, {132, 144}, {144, 144}, {192, 144}};
  for (auto [dpi, density] : cases) EXPECT_EQ(NearestPictureDensity(dpi), density) << dpi;
}

// The control positions themselves are checked by the settings dialog's own layout test, run
// at each density too; here, the text in them.
TEST(DisplayDensity, SettingsDialogTextIsEightPointsAndEachLabelEndsBeforeItsField) {
  int dpi = Dpi();
  Win32Application app(u"Quillet");
  Win32SettingsView view(app);
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(view.Control(kIdUsername), WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_EQ(font.lfHeight, -MulDiv(8, dpi, 72));
  // The client area, 4710 x 3375 twips, at known densities, worked out by hand.
  const std::map<int, std::pair<int, int>> known{{96, {314, 225}},    // 314, 225
                                                 {120, {392, 281}},   // 392.5, 281.25
                                                 {144, {471, 338}},   // 471, 337.5
                                                 {168, {550, 394}},   // 549.5, 393.75
                                                 {192, {628, 450}}};  // 628, 450
  if (auto size = known.find(dpi); size != known.end()) {
    ::RECT client;
    GetClientRect(reinterpret_cast<HWND>(view.Handle()), &client);
    EXPECT_EQ(client.right, size->second.first);
    EXPECT_EQ(client.bottom, size->second.second);
  }
  HWND panel = view.Control(kIdPanel);
  for (int label : {kIdLabelUsername, kIdLabelPassword, kIdLabelInterval}) {
    EXPECT_LT(ClientRectOf(view.Control(label), panel).right, Px(1440)) << "label " << label;
  }
}

TEST(DisplayDensity, TrayIconHasTheSmallIconSizeOfTheDensity) {
  Dpi();
  Win32Application app(u"Quillet");
  Win32TrayForm tray;
  EXPECT_EQ(IconWidth(reinterpret_cast<HICON>(tray.Icon())), GetSystemMetrics(SM_CXSMICON));
  EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), MulDiv(16, ScreenDpi(), 96));
}

}  // namespace
}  // namespace quillet::wine_tests
