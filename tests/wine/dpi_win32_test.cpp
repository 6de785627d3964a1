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
#include "platform/win32/twips_layout.h"
#include "platform/win32/win32_application.h"
#include "windows/win32_update_window.h"
#include "windows/win32_options_dialog.h"
#include "windows/win32_settings_dialog.h"
#include "windows/win32_tray_window.h"

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

// Moved to a monitor of another density: each window is told by WM_DPICHANGED, with the new
// density and a suggested rectangle, and lays itself out again from its twips.
TEST(DisplayDensity, WindowsLayThemselvesOutAgainAtTheDensityWmDpiChangedGives) {
  Win32Application app(u"Quillet");
  Win32UpdateWindow update;
  Win32SettingsView settings(app);
  Win32OptionsView options(app);
  Win32TrayForm tray;
  int iconChanges = 0;
  tray.OnIconChanged([&] { ++iconChanges; });
  HWND updateWindow = reinterpret_cast<HWND>(update.Handle());
  HWND settingsWindow = reinterpret_cast<HWND>(settings.Handle());
  HWND trayWindow = reinterpret_cast<HWND>(tray.Handle());
  HWND optionsWindow = reinterpret_cast<HWND>(options.Handle());

  // The pictures are loaded when first painted, and only those of the density in use.
  EXPECT_FALSE(update.PicturesLoaded());
  ShowWindow(updateWindow, SW_SHOWNOACTIVATE);
  UpdateWindow(updateWindow);
  EXPECT_TRUE(update.PicturesLoaded());

  struct Step {
    int dpi, updateWidth, updateHeight, settingsWidth, settingsHeight, pictureDensity;
  };
  // 8655 x 2310 and 4710 x 3375 twips, worked out by hand; the last step goes back.
  const Step steps[] = {{192, 1154, 308, 628, 450, 144},
                        {168, 1010, 270, 550, 394, 144},
                        {120, 721, 192, 392, 281, 120},
                        {96, 577, 154, 314, 225, 96}};
  int changes = 0;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.dpi);
    auto px = [&](int twips) { return TwipsToPixels(twips, step.dpi); };
    auto box = [&](int l, int t, int w, int h) { return ::RECT{px(l), px(t), px(l) + px(w), px(t) + px(h)}; };
    bool picturesStay = update.PictureDensity() == step.pictureDensity;
    ::RECT suggested{40 + step.dpi, 30, 40 + step.dpi + 1000, 1030};  // only its top left is taken
    for (HWND window : {updateWindow, settingsWindow, trayWindow, optionsWindow}) {
      SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(step.dpi, step.dpi), reinterpret_cast<LPARAM>(&suggested));
    }
    ++changes;

    ::RECT frame, client;
    GetWindowRect(updateWindow, &frame);
    ExpectRect(frame,
               {suggested.left, suggested.top, suggested.left + step.updateWidth, suggested.top + step.updateHeight},
               "update window");
    ExpectRect(ClientRectOf(update.EditWindow(), updateWindow), box(525, 1200, 7590, 435), "statusBox");
    ExpectRect(update.SendButtonRect(), box(3600, 1800, 1455, 375), "sendButton");
    ExpectRect(update.CloseMarkRect(), box(8325, 60, 255, 255), "closeMark");
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(update.EditWindow(), WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_EQ(font.lfHeight, -static_cast<int>(9.75 * step.dpi / 72 + 0.5)) << "9.75 pt";
    EXPECT_EQ(IconWidth(reinterpret_cast<HICON>(update.Icon())), SmallIconSize(step.dpi));
    EXPECT_EQ(update.PictureDensity(), step.pictureDensity);
    EXPECT_EQ(update.PicturesLoaded(), picturesStay) << "the pictures of another density are freed";
    UpdateWindow(updateWindow);
    EXPECT_TRUE(update.PicturesLoaded());

    GetWindowRect(settingsWindow, &frame);
    GetClientRect(settingsWindow, &client);
    EXPECT_EQ(frame.left, suggested.left);
    EXPECT_EQ(frame.top, suggested.top);
    EXPECT_EQ(client.right, step.settingsWidth);
    EXPECT_EQ(client.bottom, step.settingsHeight);
    ExpectRect(ClientRectOf(settings.Control(kIdCancel), settingsWindow), box(2400, 2880, 1215, 375), "Cancel");
    ExpectRect(ClientRectOf(settings.Control(kIdUsername), settings.Control(kIdPanel)), box(1440, 0, 2535, 315),
               "userName");
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(settings.Control(kIdUsername), WM_GETFONT, 0, 0)), sizeof font,
               &font);
    EXPECT_EQ(font.lfHeight, -MulDiv(8, step.dpi, 72));
    ::RECT label = ClientRectOf(settings.Control(kIdLabelUsername), settings.Control(kIdPanel));
    EXPECT_EQ(label.left, 0);
    EXPECT_LT(label.right, px(1440)) << "the label ends before its field";
    EXPECT_GT(label.right, px(1440) / 2) << "... and is sized to its text in the new font";
    EXPECT_EQ(IconWidth(reinterpret_cast<HICON>(settings.Icon())), SmallIconSize(step.dpi));

    GetClientRect(optionsWindow, &client);
    EXPECT_EQ(client.right, px(6600));
    EXPECT_EQ(client.bottom, px(7845));
    ExpectRect(ClientRectOf(options.Control(kIdAccountsList), optionsWindow), box(360, 600, 5880, 1440), "accounts");
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(options.Control(kIdAccountsList), WM_GETFONT, 0, 0)), sizeof font,
               &font);
    EXPECT_EQ(font.lfHeight, -MulDiv(8, step.dpi, 72));

    EXPECT_EQ(IconWidth(reinterpret_cast<HICON>(tray.Icon())), SmallIconSize(step.dpi));
    EXPECT_EQ(iconChanges, changes) << "the notification area is given the new icon";
  }
  // The sizes the system gives the small icon (Wine scales 16 pixels like Windows).
  EXPECT_EQ(SmallIconSize(192), 32);
  EXPECT_EQ(SmallIconSize(120), 20);
}

// Per monitor from the manifest, where the system knows it (Wine 8 takes PerMonitorV2 as per
// monitor awareness; its context does not tell the two versions apart).
TEST(DisplayDensity, TheProgramIsAwareOfEachMonitorsDensity) {
  HMODULE user32 = GetModuleHandleW(L"user32.dll");
  auto threadContext = reinterpret_cast<DPI_AWARENESS_CONTEXT(WINAPI*)()>(
      reinterpret_cast<void*>(GetProcAddress(user32, "GetThreadDpiAwarenessContext")));
  auto awareness = reinterpret_cast<int(WINAPI*)(DPI_AWARENESS_CONTEXT)>(
      reinterpret_cast<void*>(GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
  ASSERT_TRUE(threadContext && awareness);
  EXPECT_EQ(awareness(threadContext()), 2) << "DPI_AWARENESS_PER_MONITOR_AWARE";
  Win32TrayForm tray;
  EXPECT_EQ(WindowDpi(reinterpret_cast<HWND>(tray.Handle())), ScreenDpi());
}

}  // namespace
}  // namespace quillet::wine_tests
