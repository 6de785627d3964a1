// The least a tray program like Quillet can be: a hidden window, the same icon in the
// notification area, one 1-second timer and a message loop. The idle-cost benchmark runs it
// beside quillet.exe as the baseline. Ends on WM_CLOSE, removing its icon.
#include <windows.h>
// windows.h first: shellapi.h needs its types.
#include <shellapi.h>

#include "resources/resource_ids.h"

namespace {

constexpr UINT kCallback = WM_APP + 1;

LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      return 0;
    case WM_CLOSE:
      Shell_NotifyIconA(NIM_DELETE, reinterpret_cast<NOTIFYICONDATAA*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)));
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = Procedure;
  wc.hInstance = instance;
  wc.lpszClassName = "QuilletBaselineTray";
  RegisterClassA(&wc);
  HWND hwnd = CreateWindowA(wc.lpszClassName, "Baseline", 0, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
  HICON icon =
      static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_QUILLET), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
  NOTIFYICONDATAA record{};  // lives until the message loop ends
  SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&record));
  record.cbSize = NOTIFYICONDATAA_V1_SIZE;
  record.hWnd = hwnd;
  record.uID = 1;
  record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  record.uCallbackMessage = kCallback;
  record.hIcon = icon;
  lstrcpyA(record.szTip, "Baseline");
  Shell_NotifyIconA(NIM_ADD, &record);
  SetTimer(hwnd, 1, 1000, nullptr);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  DestroyIcon(icon);
  return 0;
}
