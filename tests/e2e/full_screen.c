/* A show for the end-to-end tests: a borderless window of another program that covers the whole
 * screen and is brought to the front, as a presentation or a film is. It ends when the file
 * named by its argument exists (the test's way of ending the show), or when it is closed.
 *
 *   quillet_full_screen.exe END-FILE */
#include <windows.h>

static const wchar_t *endFile;

static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (GetFileAttributesW(endFile) != INVALID_FILE_ATTRIBUTES) DestroyWindow(hwnd);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd, &paint);
      FillRect(dc, &paint.rcPaint, (HBRUSH)GetStockObject(BLACK_BRUSH));
      EndPaint(hwnd, &paint);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wParam, lParam);
  }
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, PWSTR arguments, int show) {
  (void)previous;
  (void)show;
  endFile = arguments;
  WNDCLASSW windowClass = {0};
  windowClass.lpfnWndProc = Procedure;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = L"QuilletTestShow";
  windowClass.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, L"QuilletTestShow", L"Full-screen show", WS_POPUP | WS_VISIBLE, 0, 0,
                                GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), NULL, NULL, instance, NULL);
  if (window == NULL) return 1;
  SetForegroundWindow(window);
  SetTimer(window, 1, 250, NULL);
  MSG message;
  while (GetMessageW(&message, NULL, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
