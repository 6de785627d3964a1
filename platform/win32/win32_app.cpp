#include <windows.h>
// windows.h first: shellapi.h needs its types.
#include <shellapi.h>

#include <cstring>

#include "platform/win32/win32_app.h"
#include "platform/win32/window_base.h"

namespace quillet::platform::win32 {

std::u16string Win32Application::ProgramFolder() const {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  auto slash = path.find_last_of(L"\\/");
  return FromWide(slash == std::wstring::npos ? std::wstring() : path.substr(0, slash));
}

void Win32Application::Dispatch(MSG& message) {
  for (HWND dialog : dialogs_) {
    if (IsWindow(dialog) && IsDialogMessageW(dialog, &message)) return;
  }
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

void Win32Application::DoEvents() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    Dispatch(message);
  }
}

void Win32Application::End() { ExitProcess(0); }

int Win32Application::Run() {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) Dispatch(message);
  return static_cast<int>(message.wParam);
}

void Win32Application::RunUntil(const std::function<bool()>& done) {
  MSG message;
  while (!done()) {
    BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    Dispatch(message);
  }
}

int ScreenDpi() {
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

std::int32_t Win32Application::TwipsPerPixelX() const { return 1440 / ScreenDpi(); }
std::int32_t Win32Application::TwipsPerPixelY() const { return 1440 / ScreenDpi(); }
double Win32Application::ScreenHeightTwips() const {
  return static_cast<double>(GetSystemMetrics(SM_CYSCREEN)) * 1440.0 / ScreenDpi();
}

bool Win32Shell::Shell_NotifyIconA(std::uint32_t message, const NOTIFYICONDATA& data) {
  // The record already has the 88-byte layout of the first version of NOTIFYICONDATAA.
  NOTIFYICONDATAA record{};
  static_assert(sizeof(record) >= sizeof(data));
  std::memcpy(&record, &data, sizeof data);
  return ::Shell_NotifyIconA(message, &record) != FALSE;
}

std::intptr_t Win32Shell::ShellExecuteA(WindowHandle parent, const std::string& verb, const std::string& file,
                                        const std::string& parameters, const std::string& directory,
                                        std::int32_t showCommand) {
  HINSTANCE result = ::ShellExecuteA(AsHwnd(parent), verb.c_str(), file.c_str(), parameters.c_str(),
                                     directory.c_str(), showCommand);
  return reinterpret_cast<std::intptr_t>(result);
}

WindowHandle Win32Windowing::FindWindowA(const std::string& className, const std::string* title) {
  return AsHandle(::FindWindowA(className.c_str(), title != nullptr ? title->c_str() : nullptr));
}

WindowHandle Win32Windowing::FindWindowExA(WindowHandle parent, WindowHandle childAfter, const std::string& className,
                                           const std::string* title) {
  return AsHandle(::FindWindowExA(AsHwnd(parent), AsHwnd(childAfter), className.c_str(),
                                  title != nullptr ? title->c_str() : nullptr));
}

bool Win32Windowing::GetWindowRect(WindowHandle window, RECT& rect) {
  ::RECT r;
  if (!::GetWindowRect(AsHwnd(window), &r)) return false;
  rect = {r.left, r.top, r.right, r.bottom};
  return true;
}

void Win32Windowing::SetForegroundWindow(WindowHandle window) { ::SetForegroundWindow(AsHwnd(window)); }
void Win32Windowing::SetActiveWindow(WindowHandle window) { ::SetActiveWindow(AsHwnd(window)); }

}  // namespace quillet::platform::win32
