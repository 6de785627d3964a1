#include "platform/win32/win32_application.h"

#include "common/convert.h"
#include "platform/win32/gdi.h"
#include "platform/win32/win32_error.h"
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
  // A copy: a dialog's handler may open another dialog (which adds itself) inside IsDialogMessage.
  const std::vector<HWND> dialogs = dialogs_;
  for (HWND dialog : dialogs) {
    if (IsWindow(dialog) && IsDialogMessageW(dialog, &message)) return;
  }
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

void Win32Application::RunModal(HWND dialog, HWND owner, HWND firstField, const Callback<bool()>& done,
                                 bool centre) {
  SetWindowLongPtrW(dialog, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
  if (centre) {
    ::RECT r;
    GetWindowRect(dialog, &r);
    int x = (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2;
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  bool ownerWasEnabled = owner != nullptr && IsWindowEnabled(owner);
  if (ownerWasEnabled) EnableWindow(owner, FALSE);
  ShowWindow(dialog, SW_SHOW);
  SetForegroundWindow(dialog);
  SetFocus(firstField);
  RunUntil(done);
  // The owner comes back before the dialog goes, so that the activation returns to it.
  if (ownerWasEnabled) EnableWindow(owner, TRUE);
  ShowWindow(dialog, SW_HIDE);
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

void Win32Application::RunUntil(const Callback<bool()>& done) {
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
  WindowDc screen(nullptr);
  int dpi = GetDeviceCaps(screen.get(), LOGPIXELSY);
  return dpi > 0 ? dpi : 96;
}

void Win32Application::UseWords(const Catalog& words) {
  words_ = &words;
  if (words.RightToLeft() != RightToLeft()) UseRightToLeft(words.RightToLeft());
}

std::vector<std::u16string> Win32Application::DisplayLanguages() const {
  // A list of NUL-terminated names ending in an empty one.
  ULONG count = 0, length = 0;
  if (!GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, nullptr, &length) || length == 0) return {};
  std::wstring names(length, L'\0');
  if (!GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, names.data(), &length)) return {};
  std::vector<std::u16string> languages;
  for (std::size_t at = 0; at < names.size() && names[at] != L'\0';) {
    std::size_t end = names.find(L'\0', at);
    languages.push_back(FromWide(names.substr(at, end - at)));
    at = end + 1;
  }
  return languages;
}

void Win32Application::UseRightToLeft(bool rightToLeft) {
  if (!SetProcessDefaultLayout(rightToLeft ? LAYOUT_RTL : 0)) ThrowLastError("SetProcessDefaultLayout");
}

bool Win32Application::RightToLeft() const {
  DWORD layout = 0;
  return GetProcessDefaultLayout(&layout) && (layout & LAYOUT_RTL) != 0;
}

double Win32Application::TwipsPerPixelX() const { return TwipsPerPixel(ScreenDpi()); }
double Win32Application::TwipsPerPixelY() const { return TwipsPerPixel(ScreenDpi()); }
double Win32Application::ScreenHeightTwips() const {
  return GetSystemMetrics(SM_CYSCREEN) * TwipsPerPixel(ScreenDpi());
}

}  // namespace quillet::platform::win32
