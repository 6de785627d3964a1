// The update window on Win32: its geometry, the edit box, keys through the key press event,
// clicks on the painted controls, and UpdateWindow driving the real window.
#include <gtest/gtest.h>
#include <oleacc.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/win32/win32_application.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_http_client.h"
#include "platform/win32/win32_presence.h"
#include "windows/win32_program_parts.h"
#include "tests/forwarding_socket.h"
#include "platform/win32/win32_secrets.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_timer.h"
#include "windows/win32_update_window.h"
#include "platform/win32/win32_windowing.h"
#include "program/program.h"
#include "tests/wine/pump.h"

namespace quillet::wine_tests {
namespace {

using platform::win32::Win32UpdateWindow;

void Click(HWND window, int x, int y) {
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

void Char(HWND edit, wchar_t ch) { SendMessageW(edit, WM_CHAR, ch, 1); }

void Type(HWND edit, const wchar_t* text) {
  for (; *text != 0; ++text) Char(edit, *text);
}

// The outbox's file as it stands: every confirmed line is written there first.
std::string OutboxFile() {
  std::string bytes;
  for (const auto& entry : std::filesystem::directory_iterator("update_window_test_files")) {
    std::FILE* file = _wfopen(entry.path().c_str(), L"rb");
    if (file == nullptr) continue;
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) bytes.append(buffer, got);
    std::fclose(file);
  }
  return bytes;
}

std::wstring EditText(HWND edit) {
  wchar_t text[512] = {};
  GetWindowTextW(edit, text, 512);
  return text;
}

TEST(Win32UpdateWindow, BorderlessCentredWithTheClientAreaAndTheEditBoxOfTheDescription) {
  Win32UpdateWindow window;
  HWND hwnd = reinterpret_cast<HWND>(window.Handle());
  RECT client, frame;
  GetClientRect(hwnd, &client);
  GetWindowRect(hwnd, &frame);
  EXPECT_EQ(client.right, 577);
  EXPECT_EQ(client.bottom, 154);
  EXPECT_EQ(frame.right - frame.left, 577);  // no border, no title bar
  EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXSCREEN) - 577) / 2);
  EXPECT_EQ(frame.top, (GetSystemMetrics(SM_CYSCREEN) - 154) / 2);
  EXPECT_EQ(GetWindowLongW(hwnd, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME | WS_BORDER), 0);
  EXPECT_EQ(window.Caption(), u"Quillet");
  EXPECT_FALSE(window.Visible());

  HWND edit = window.EditWindow();
  RECT box;
  GetWindowRect(edit, &box);
  MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&box), 2);
  EXPECT_EQ(box.left, 35);
  EXPECT_EQ(box.top, 80);
  EXPECT_EQ(box.right - box.left, 506);
  EXPECT_EQ(box.bottom - box.top, 29);
  EXPECT_EQ(SendMessageW(edit, EM_GETLIMITTEXT, 0, 0), 140);
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0)), sizeof font, &font);
  EXPECT_STREQ(font.lfFaceName, L"Arial");
  EXPECT_EQ(font.lfHeight, -13);  // 9.75 pt at 96 dpi
  EXPECT_EQ(window.CountdownCaption().Caption(), u"Update (15)");
  EXPECT_EQ(window.CharsLeft().Caption(), u"140");
  EXPECT_EQ(window.Credit().Caption(), u"by Velmora");
  EXPECT_EQ(window.Frame().Top(), 24);
}

// The edit box's window is made at the first pop-up with what the box was given before; the
// pictures go when the window hides, the box stays.
TEST(Win32UpdateWindow, TheEditBoxIsMadeAtTheFirstShowAndThePicturesGoAtTheHide) {
  Win32UpdateWindow window;
  HWND hwnd = reinterpret_cast<HWND>(window.Handle());
  EXPECT_EQ(GetWindow(hwnd, GW_CHILD), nullptr) << "no child before the first pop-up";
  int changes = 0;
  window.StatusBox().OnChange([&] { ++changes; });
  window.StatusBox().SetText(u"kept while windowless");
  window.StatusBox().SetSelection(5, 6);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(window.StatusBox().Text(), u"kept while windowless");

  ShowWindow(hwnd, SW_SHOWNOACTIVATE);
  HWND edit = FindWindowExW(hwnd, nullptr, L"Edit", nullptr);
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(EditText(edit), L"kept while windowless");
  EXPECT_EQ(window.StatusBox().SelectionStart(), 5);
  EXPECT_EQ(window.StatusBox().SelectionLength(), 6);
  EXPECT_EQ(SendMessageW(edit, EM_GETLIMITTEXT, 0, 0), 140);
  EXPECT_EQ(changes, 1) << "handing the text to the window changes nothing";
  ::UpdateWindow(hwnd);
  EXPECT_TRUE(window.PicturesLoaded());

  ShowWindow(hwnd, SW_HIDE);
  EXPECT_FALSE(window.PicturesLoaded()) << "freed when the window hides";
  EXPECT_EQ(FindWindowExW(hwnd, nullptr, L"Edit", nullptr), edit) << "the box stays";
  ShowWindow(hwnd, SW_SHOWNOACTIVATE);
  ::UpdateWindow(hwnd);
  EXPECT_TRUE(window.PicturesLoaded()) << "decoded again at the next paint";
  EXPECT_EQ(window.StatusBox().Text(), u"kept while windowless");
}

TEST(Win32UpdateWindow, KeysPassTheKeyPressEventAndChangesRaiseTheChangeEvent) {
  Win32UpdateWindow window;
  HWND edit = window.EditWindow();
  std::vector<std::string> events;
  window.StatusBox().OnChange([&] { events.push_back("change:" + std::to_string(window.StatusBox().Text().size())); });
  window.StatusBox().OnKeyPress([&](std::int16_t& key) {
    events.push_back("key:" + std::to_string(key));
    if (key == 27) key = 0;     // discarded
    if (key == 'a') key = 'b';  // replaced
  });
  Char(edit, L'x');
  Char(edit, L'a');
  Char(edit, 27);
  EXPECT_EQ(EditText(edit), L"xb");
  EXPECT_EQ(events, (std::vector<std::string>{"key:120", "change:1", "key:97", "change:2", "key:27"}));

  events.clear();
  window.StatusBox().SetText(u"");
  window.StatusBox().SetText(u"");  // the same text again still notifies, as on the fake
  EXPECT_EQ(events, (std::vector<std::string>{"change:0", "change:0"}));

  // The limit: 140 characters, whatever is typed or pasted.
  window.StatusBox().OnKeyPress(nullptr);
  for (int i = 0; i < 150; ++i) Char(edit, L'z');
  EXPECT_EQ(window.StatusBox().Text().size(), 140u);
  Char(edit, 0x00e9);
  EXPECT_EQ(window.StatusBox().Text().size(), 140u);
}

TEST(Win32UpdateWindow, ClicksReachTheTopmostPaintedControl) {
  Win32UpdateWindow window;
  HWND hwnd = reinterpret_cast<HWND>(window.Handle());
  std::vector<std::string> clicks;
  window.SendButton().OnClick([&] { clicks.push_back("sendButton"); });
  window.CountdownCaption().OnClick([&] { clicks.push_back("countdownCaption"); });
  window.CloseMark().OnClick([&] { clicks.push_back("closeMark"); });
  window.Credit().OnClick([&] { clicks.push_back("credit"); });
  Click(hwnd, 250, 121);  // sendButton alone
  Click(hwnd, 288, 130);  // sendButton over countdownCaption
  Click(hwnd, 563, 12);   // the close mark
  Click(hwnd, 500, 130);  // the maker's line
  Click(hwnd, 100, 50);   // the heading: part of the picture
  Click(hwnd, 5, 5);      // the band
  EXPECT_EQ(clicks, (std::vector<std::string>{"sendButton", "sendButton", "closeMark", "credit"}));

  // Down on one control and up on another is no click.
  SendMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(250, 130));
  SendMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(563, 12));
  EXPECT_EQ(clicks.size(), 4u);
}

// What a screen reader reads of a child window, through oleacc as a reader asks for it.
struct AccessibleReading {
  std::wstring name;
  long role = 0;
};
AccessibleReading ReadAccessible(HWND window) {
  AccessibleReading reading;
  IAccessible* object = nullptr;
  if (FAILED(AccessibleObjectFromWindow(window, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&object))) ||
      object == nullptr) {
    return reading;
  }
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  if (object->get_accName(self, &name) == S_OK && name != nullptr) reading.name = name;
  SysFreeString(name);
  VARIANT role{};
  if (SUCCEEDED(object->get_accRole(self, &role)) && role.vt == VT_I4) reading.role = role.lVal;
  object->Release();
  return reading;
}

TEST(Win32UpdateWindow, ScreenReadersReadTheNamesAndRolesOfThePaintedControls) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  {
    Win32UpdateWindow window;
    HWND hwnd = reinterpret_cast<HWND>(window.Handle());
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    window.CharsLeft().SetCaption(u"128");
    struct Case {
      HWND window;
      const wchar_t* name;
      long role;
    };
    const Case cases[] = {
        {window.EditWindow(), L"What are you doing?", ROLE_SYSTEM_TEXT},
        {window.SendButtonWindow(), L"Update (15)", ROLE_SYSTEM_PUSHBUTTON},
        {window.CloseMarkWindow(), L"Close", ROLE_SYSTEM_PUSHBUTTON},
        {window.CharsLeftWindow(), L"128 characters left", ROLE_SYSTEM_STATICTEXT},
    };
    for (const Case& c : cases) {
      AccessibleReading reading = ReadAccessible(c.window);
      EXPECT_EQ(reading.name, c.name);
      EXPECT_EQ(reading.role, c.role) << "for " << std::string(c.name, c.name + wcslen(c.name));
    }
    // The countdown's state is read when asked, nothing is announced as it changes.
    window.CountdownCaption().SetCaption(u"Update");
    EXPECT_EQ(ReadAccessible(window.SendButtonWindow()).name, L"Update");
    wchar_t text[64] = {};
    GetWindowTextW(window.SendButtonWindow(), text, 64);
    EXPECT_STREQ(text, L"Update") << "the window text is not changed every second";
    ShowWindow(hwnd, SW_HIDE);
  }
  CoUninitialize();
}

// High contrast on and off as the person switches it, with a theme's colours (white on black,
// yellow text on the buttons, a green highlight): the window takes the system's colours and no
// picture, and gets its own look back afterwards.
TEST(Win32UpdateWindow, AHighContrastThemeDrawsTheWindowInTheSystemsColours) {
  const int elements[] = {COLOR_WINDOW, COLOR_WINDOWTEXT, COLOR_BTNFACE, COLOR_BTNTEXT, COLOR_HIGHLIGHT,
                          COLOR_HIGHLIGHTTEXT};
  const COLORREF theme[] = {RGB(0, 0, 0), RGB(255, 255, 255), RGB(0, 0, 0), RGB(255, 255, 0), RGB(26, 235, 255),
                            RGB(0, 0, 0)};
  COLORREF before[6];
  for (int i = 0; i < 6; ++i) before[i] = GetSysColor(elements[i]);
  Win32UpdateWindow window;
  HWND hwnd = reinterpret_cast<HWND>(window.Handle());
  // Windows switches the theme itself; Wine refuses SPI_SETHIGHCONTRAST (and always answers
  // "off"): there the test answers for the system and sends what a switch sends.
  bool wineHasNoHighContrast = false;
  auto setHighContrast = [&](bool on) {
    HIGHCONTRASTW contrast{sizeof contrast, on ? HCF_HIGHCONTRASTON : 0u, nullptr};
    if (!wineHasNoHighContrast &&
        SystemParametersInfoW(SPI_SETHIGHCONTRAST, sizeof contrast, &contrast, SPIF_SENDCHANGE)) {
      return;
    }
    wineHasNoHighContrast = true;
    window.QueryHighContrastWith([on] { return on; });
    SendMessageW(hwnd, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
  };
  ShowWindow(hwnd, SW_SHOWNOACTIVATE);
  window.CharsLeft().SetCaption(u"128");
  setHighContrast(true);
  SetSysColors(6, elements, theme);  // sends WM_SYSCOLORCHANGE
  PumpFor(100);
  ASSERT_TRUE(window.HighContrast());
  SetFocus(window.SendButtonWindow());
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  PumpFor(100);
  auto pixel = [&](int x, int y) {
    HDC dc = GetDC(hwnd);
    COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(hwnd, dc);
    return colour;
  };
  RECT send = window.SendButtonRect(), close = window.CloseMarkRect();
  struct Case {
    const char* where;
    POINT at;
    COLORREF expected;
  };
  const Case highContrast[] = {
      {"the band of the picture", {5, 5}, theme[0]},
      {"inside the frame", {300, 40}, theme[0]},
      {"the frame's line", {300, window.Frame().Top() + 1}, theme[1]},
      {"the send button's focus mark", {send.left, send.top}, theme[4]},
      {"the focused send button's face", {send.left + 4, send.top + 3}, theme[4]},
      {"the close mark's face", {close.left + 2, close.top + 2}, theme[2]},
  };
  // QUILLET_SHOT_PAUSE_MS=N holds each look N ms on the screen, for `import -window root`:
  // docs/screenshots/update-window-high-contrast.png is taken so (Wine cannot switch the real
  // program to high contrast).
  if (const char* pause = std::getenv("QUILLET_SHOT_PAUSE_MS")) PumpFor(static_cast<DWORD>(std::atoi(pause)));
  for (const Case& c : highContrast) EXPECT_EQ(pixel(c.at.x, c.at.y), c.expected) << c.where;
  EXPECT_FALSE(window.PicturesLoaded()) << "no picture in high contrast";
  EXPECT_EQ(window.CharsLeftFace(), window.QuestionFace()) << "the count in the question's face, not a serif";

  setHighContrast(false);
  SetSysColors(6, elements, before);
  PumpFor(100);
  EXPECT_FALSE(window.HighContrast());
  ::UpdateWindow(hwnd);
  EXPECT_TRUE(window.PicturesLoaded());
  EXPECT_NE(pixel(5, 5), theme[0]) << "the picture is back";
  EXPECT_EQ(GetFocus(), window.SendButtonWindow());
  // The focus mark of the normal look: dotted, inside the button (the picture's grey there otherwise).
  int dots = 0;
  for (int x = send.left + 2; x < send.left + 12; ++x) dots += pixel(x, send.top + 2) != pixel(x, send.top + 3) ? 1 : 0;
  EXPECT_GT(dots, 2) << "a dotted focus mark on the send button";
  if (const char* pause = std::getenv("QUILLET_SHOT_PAUSE_MS")) PumpFor(static_cast<DWORD>(std::atoi(pause)));
  ShowWindow(hwnd, SW_HIDE);
}

// The accessibility events of this process, as a screen reader receives them.
struct WinEvents {
  static void CALLBACK Record(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG, DWORD, DWORD) {
    if (object == OBJID_CLIENT || object == OBJID_WINDOW) seen.emplace_back(event, window);
  }
  static inline std::vector<std::pair<DWORD, HWND>> seen;
};

// A socket that only records, for UpdateWindow on the real window.
class RecordingSocket : public platform::ISocket {
 public:
  void Close() override { calls.push_back("Close"); }
  void Connect(const std::string& host, std::uint16_t port) override {
    calls.push_back("Connect " + host + ":" + std::to_string(port));
  }
  void SendData(const std::string&) override {}
  std::string GetData() override { return {}; }
  void OnConnect(Callback<void()>) override {}
  void OnDataArrival(Callback<void(std::int32_t)>) override {}
  bool AllSent() const override { return true; }
  void OnClose(Callback<void(platform::SocketEnd)>) override {}
  std::vector<std::string> calls;
};

// The system's clock, put forward by the test: the user takes a moment before confirming.
class SteppedClock : public platform::win32::Win32Clock {
 public:
  std::int64_t NowMs() override { return Win32Clock::NowMs() + aheadMs; }
  std::int64_t MonotonicMs() override { return Win32Clock::MonotonicMs() + aheadMs; }
  std::int64_t aheadMs = 0;
};

TEST(Win32UpdateWindow, UpdateWindowDrivesTheRealWindow) {
  platform::win32::Win32Application app(u"Quillet");
  platform::win32::Win32Registry registry;
  platform::win32::Win32Shell shell;
  platform::win32::Win32Windowing windowing;
  Win32UpdateWindow window;
  RecordingSocket socket;
  platform::win32::Win32HttpClient http;
  platform::win32::Win32Secrets secrets;
  std::filesystem::remove_all("update_window_test_files");  // no line left waiting by an earlier run
  platform::win32::Win32Files files(L"update_window_test_files");
  SteppedClock clock;
  platform::win32::Win32Presence presence;
  platform::win32::Win32Timer countdownTimer(1000, TickSchedule::Lateness::Skip, false);
  platform::win32::Win32Timer minuteTimer(1000, TickSchedule::Lateness::CatchUp, true);
  platform::win32::Win32Timer deliveryTimer(1000, TickSchedule::Lateness::Skip, true);
  Program program(
      platform::win32::Win32ProgramParts(app, registry, shell, windowing,
                                         {.http = http,
                                          .secrets = secrets,
                                          .files = files,
                                          .clock = clock,
                                          .presence = presence,
                                          .makeSocket = [&socket] { return std::make_unique<quillet::testing::ForwardingSocket>(socket); },
                                          .deliveryTimer = deliveryTimer},
                                         {.window = window, .countdownTimer = countdownTimer, .minuteTimer = minuteTimer}),
      {.connectHost = "127.0.0.1", .hostHeader = "example.net", .port = 9});
  UpdateWindow& form = program.updateWindow();
  HKEY key = nullptr;
  RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Velmora\\Quillet", &key);
  RegSetValueExA(key, "Username", 0, REG_SZ, reinterpret_cast<const BYTE*>("alice"), 6);
  RegCloseKey(key);
  program.Start();
  EXPECT_FALSE(window.Visible());
  EXPECT_NE(program.trayWindow(), nullptr);
  EXPECT_EQ(window.Frame().Top(), 0);

  form.PopUp();
  EXPECT_TRUE(window.Visible());
  EXPECT_TRUE(countdownTimer.Enabled());
  HWND edit = window.EditWindow();
  Char(edit, L'h');
  Char(edit, L'i');
  EXPECT_EQ(window.CharsLeft().Caption(), u"138");
  EXPECT_EQ(window.CountdownCaption().Caption(), u"Update");
  EXPECT_FALSE(countdownTimer.Enabled());
  Char(edit, 13);  // within a second of the pop-up: meant for another window
  EXPECT_TRUE(window.Visible());
  EXPECT_TRUE(socket.calls.empty());
  clock.aheadMs += 1000;
  Char(edit, 13);
  EXPECT_FALSE(window.Visible());
  EXPECT_EQ(EditText(edit), L"hi");  // Enter inserted nothing and the text stays
  EXPECT_EQ(socket.calls, (std::vector<std::string>{"Close", "Connect 127.0.0.1:9"}));

  form.PopUp();
  EXPECT_EQ(EditText(edit), L"");
  Char(edit, L'x');
  Char(edit, 27);
  EXPECT_FALSE(window.Visible());
  EXPECT_EQ(EditText(edit), L"x");
  form.PopUp();
  Click(reinterpret_cast<HWND>(window.Handle()), 563, 12);
  EXPECT_FALSE(window.Visible());
  EXPECT_EQ(socket.calls.size(), 2u);

  // Up in an empty box brings back the line sent, kept in previous.txt; Down goes forward again.
  std::ifstream previous("update_window_test_files/previous.txt", std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(previous), {}), "hi\n");
  form.PopUp();
  SendMessageW(edit, WM_KEYDOWN, VK_UP, 1);
  EXPECT_EQ(EditText(edit), L"hi");
  SendMessageW(edit, WM_KEYDOWN, VK_DOWN, 1);
  EXPECT_EQ(EditText(edit), L"");
  Char(edit, L'y');
  SendMessageW(edit, WM_KEYDOWN, VK_UP, 1);  // not in an empty box: the caret's
  EXPECT_EQ(EditText(edit), L"y");
  Char(edit, 27);

  // The keyboard: Tab from the box to the send button, the close mark, and back to the box;
  // Enter on the send button sends, Esc on the close mark hides.
  form.PopUp();
  clock.aheadMs += 2000;
  SetFocus(edit);
  Type(edit, L"tabbed");
  std::vector<HWND> tabOrder;
  for (int press = 0; press < 3; ++press) {
    SendMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
    tabOrder.push_back(GetFocus());
  }
  EXPECT_EQ(tabOrder, (std::vector<HWND>{window.SendButtonWindow(), window.CloseMarkWindow(), edit}));
  EXPECT_EQ(EditText(edit), L"tabbed") << "Tab types nothing";
  SendMessageW(edit, WM_KEYDOWN, VK_TAB, 0);
  SendMessageW(window.SendButtonWindow(), WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_FALSE(window.Visible());
  EXPECT_NE(OutboxFile().find("tabbed"), std::string::npos) << "Enter on the send button sent the line";
  form.PopUp();
  SetFocus(window.CloseMarkWindow());
  SendMessageW(window.CloseMarkWindow(), WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_FALSE(window.Visible());

  // A screen reader presses the send button through its accessible object.
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  form.PopUp();
  clock.aheadMs += 2000;
  Type(edit, L"pressed-by-a-reader");
  IAccessible* send = nullptr;
  ASSERT_TRUE(SUCCEEDED(AccessibleObjectFromWindow(window.SendButtonWindow(), OBJID_CLIENT, IID_IAccessible,
                                                   reinterpret_cast<void**>(&send))));
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  EXPECT_EQ(send->accDoDefaultAction(self), S_OK);
  send->Release();
  EXPECT_TRUE(PumpUntil([&] { return !window.Visible(); }, 8000));
  EXPECT_NE(OutboxFile().find("pressed-by-a-reader"), std::string::npos) << "the line was posted";
  CoUninitialize();

  // The real timer ticks the countdown (the whole 15 s run is checked end to end). What a
  // screen reader hears meanwhile: nothing as the count changes; then the focus reaching the
  // send button, which it reads by its name. (Wine hands a hook in the same thread no event raised
  // while the pop-up runs, so the box's focus event at the pop-up is not seen here.)
  WinEvents::seen.clear();
  HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_NAMECHANGE, nullptr, &WinEvents::Record,
                                       GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
  form.PopUp();
  EXPECT_TRUE(PumpUntil([&] { return window.CountdownCaption().Caption() == u"Update (13)"; }, 3500));
  EXPECT_TRUE(window.Visible());
  SendMessageW(edit, WM_KEYDOWN, VK_TAB, 0);
  PumpFor(100);
  UnhookWinEvent(hook);
  auto count = [&](DWORD event, HWND about) {
    return std::count(WinEvents::seen.begin(), WinEvents::seen.end(), std::make_pair(event, about));
  };
  EXPECT_EQ(count(EVENT_OBJECT_FOCUS, window.SendButtonWindow()), 1) << "Tab to the send button is announced";
  EXPECT_EQ(count(EVENT_OBJECT_NAMECHANGE, window.SendButtonWindow()), 0) << "the count is not announced";
}

}  // namespace
}  // namespace quillet::wine_tests
