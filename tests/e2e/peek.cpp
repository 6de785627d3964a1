// quillet_peek.exe: reports on the running program's update window, for the end-to-end tests.
// Prints "responsive=0|1", "visible=0|1" and "text=<the status box, UTF-8>"; exits 1 when the
// window is not there.
#include <windows.h>

#include <cstdio>

int main() {
  HWND form = FindWindowW(L"QuilletForm1", nullptr);
  if (form == nullptr) {
    std::puts("none");
    return 1;
  }
  DWORD_PTR ignored = 0;
  bool responsive = SendMessageTimeoutW(form, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 3000, &ignored) != 0;
  HWND edit = FindWindowExW(form, nullptr, L"Edit", nullptr);
  wchar_t text[512] = {};
  if (edit != nullptr) {
    SendMessageTimeoutW(edit, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 3000, &ignored);
  }
  char utf8[2048] = {};
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
  std::printf("responsive=%d\nvisible=%d\ntext=%s\n", responsive ? 1 : 0, IsWindowVisible(form) ? 1 : 0, utf8);
  return 0;
}
