// quillet_peek.exe: reports on the running program's update window, for the end-to-end tests.
// Prints "responsive=0|1", "visible=0|1" and "text=<the status box, UTF-8>"; exits 1 when the
// window is not there. "quillet_peek.exe options" prints the Options dialog's Accounts message
// instead ("message="); "quillet_peek.exe account" the account dialog's fields ("server=",
// "message="). "quillet_peek.exe balloon-click" tells the program that its balloon was
// clicked, as Windows' shell does (the icon's callback message, WM_MOUSEMOVE, carrying
// NIN_BALLOONUSERCLICK): Wine draws balloons but never reports a click on one.
// "quillet_peek.exe texts" prints the update window's children's texts, "child=<text>" one a
// line: the texts its accessible objects give a screen reader as names (the question is the
// box's name, the send button's caption its name). The objects themselves cannot be read from
// another process under Wine (no marshalling of IAccessible); the Wine tests read them in-process.
#include <windows.h>

#include <cstdio>
#include <cstring>

// The text of a child window, as UTF-8.
static void PrintChildText(HWND dialog, int id, const char* name) {
  wchar_t text[1024] = {};
  DWORD_PTR ignored = 0;
  HWND child = GetDlgItem(dialog, id);
  if (child != nullptr)
    SendMessageTimeoutW(child, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 3000, &ignored);
  char utf8[4096] = {};
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
  std::printf("%s=%s\n", name, utf8);
}

static BOOL CALLBACK PrintChildWindowText(HWND child, LPARAM) {
  wchar_t text[1024] = {};
  DWORD_PTR ignored = 0;
  SendMessageTimeoutW(child, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 3000, &ignored);
  char utf8[4096] = {};
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
  std::printf("child=%s\n", utf8);
  return TRUE;
}

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "texts") == 0) {
    HWND form = FindWindowW(L"QuilletForm1", nullptr);
    if (form == nullptr || !IsWindowVisible(form)) {
      std::puts("none");
      return 1;
    }
    EnumChildWindows(form, PrintChildWindowText, 0);
    return 0;
  }
  if (argc > 1 && std::strcmp(argv[1], "options") == 0) {
    HWND options = FindWindowW(L"QuilletOptions", nullptr);
    if (options == nullptr || !IsWindowVisible(options)) {
      std::puts("none");
      return 1;
    }
    PrintChildText(options, 205, "message");  // the outcome of a test
    return 0;
  }
  if (argc > 1 && std::strcmp(argv[1], "account") == 0) {
    HWND account = FindWindowW(L"QuilletAccount", nullptr);
    if (account == nullptr || !IsWindowVisible(account)) {
      std::puts("none");
      return 1;
    }
    PrintChildText(account, 402, "server");   // the server's address
    PrintChildText(account, 405, "message");  // the outcome of a test or a sign-in
    return 0;
  }
  if (argc > 1 && std::strcmp(argv[1], "balloon-click") == 0) {
    HWND tray = FindWindowW(L"QuilletTray", nullptr);
    if (tray == nullptr || !PostMessageW(tray, WM_MOUSEMOVE, 1, NIN_BALLOONUSERCLICK)) {
      std::puts("none");
      return 1;
    }
    std::puts("posted");
    return 0;
  }
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
