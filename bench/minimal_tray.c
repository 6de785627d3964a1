/* The floor beneath the baseline: the least tray program of bench/minimal_tray.cpp written in
   plain C, so that no C++ runtime is linked at all. A hidden window, the same icon in the
   notification area, one 1-second timer and a message loop; ends on WM_CLOSE, removing its icon.
   The idle-cost benchmark runs it beside quillet.exe and the baseline. */
#include <windows.h>
/* windows.h first: shellapi.h needs its types. */
#include <shellapi.h>

#include "resources/resource_ids.h"

#define CALLBACK_MESSAGE (WM_APP + 1)

static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      return 0;
    case WM_CLOSE:
      Shell_NotifyIconA(NIM_DELETE, (NOTIFYICONDATAA*)GetWindowLongPtrA(hwnd, GWLP_USERDATA));
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  WNDCLASSA wc = {0};
  NOTIFYICONDATAA record = {0}; /* lives until the message loop ends */
  HWND hwnd;
  HICON icon;
  MSG message;
  (void)previous;
  (void)commandLine;
  (void)show;
  wc.lpfnWndProc = Procedure;
  wc.hInstance = instance;
  wc.lpszClassName = "QuilletFloorTray";
  RegisterClassA(&wc);
  hwnd = CreateWindowA(wc.lpszClassName, "Floor", 0, 0, 0, 0, 0, NULL, NULL, instance, NULL);
  icon = (HICON)LoadImageA(instance, MAKEINTRESOURCEA(IDI_QUILLET), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR);
  SetWindowLongPtrA(hwnd, GWLP_USERDATA, (LONG_PTR)&record);
  record.cbSize = NOTIFYICONDATAA_V1_SIZE;
  record.hWnd = hwnd;
  record.uID = 1;
  record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  record.uCallbackMessage = CALLBACK_MESSAGE;
  record.hIcon = icon;
  lstrcpyA(record.szTip, "Floor");
  Shell_NotifyIconA(NIM_ADD, &record);
  SetTimer(hwnd, 1, 1000, NULL);
  while (GetMessageA(&message, NULL, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  DestroyIcon(icon);
  return 0;
}
