// quillet_peek.exe: reports on the running program's update window, for the end-to-end tests.
// Prints "responsive=0|1", "visible=0|1" and "text=<the status box, UTF-8>"; exits 1 when the
// window is not there. "quillet_peek.exe options" prints the Options dialog's Accounts message
// instead ("message="); "quillet_peek.exe account" the account dialog's fields ("server=",
// "message=", "visibility=", "language=", "publickey="). "quillet_peek.exe balloon-click" tells the program that its balloon was
// clicked, as Windows' shell does (the icon's callback message, WM_MOUSEMOVE, carrying
// NIN_BALLOONUSERCLICK): Wine draws balloons but never reports a click on one.
// "quillet_peek.exe texts" prints the update window's children's texts, "child=<text>" one a
// line: the texts its accessible objects give a screen reader as names (the question is the
// box's name, the send button's caption its name). The objects themselves cannot be read from
// another process under Wine (no marshalling of IAccessible); the Wine tests read them in-process.
// "quillet_peek.exe look-back" reads the look-back window as a screen reader does: each child's
// accessible name and role ("child=<id>|<role>|<name>|<left>,<top>,<right>,<bottom>|<visible>", the
// place on the screen), from the object Windows gives for it,
// and the rows of each list ("row=<id>|<column>|<column>|..."): from the list's accessible
// items where the system has them, else (Wine's oleacc has no list-view items) from the list
// itself, read into this process.
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <cwchar>
#include <string>

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

static std::string Utf8(const wchar_t* text) {
  char utf8[4096] = {};
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
  return utf8;
}

// A cell of a list in another process: the item and its text go through memory of that process.
static std::string RemoteCellText(HWND list, int row, int column) {
  DWORD process = 0;
  GetWindowThreadProcessId(list, &process);
  HANDLE owner = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process);
  if (owner == nullptr) return "?";
  constexpr int kChars = 1024;
  auto* remote = static_cast<char*>(VirtualAllocEx(owner, nullptr, sizeof(LVITEMW) + kChars * sizeof(wchar_t),
                                                   MEM_COMMIT, PAGE_READWRITE));
  std::string text = "?";
  if (remote != nullptr) {
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
    item.cchTextMax = kChars;
    wchar_t cell[kChars] = {};
    SIZE_T moved = 0;
    DWORD_PTR ignored = 0;
    if (WriteProcessMemory(owner, remote, &item, sizeof item, &moved) &&
        SendMessageTimeoutW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote),
                            SMTO_ABORTIFHUNG, 3000, &ignored) &&
        ReadProcessMemory(owner, remote + sizeof(LVITEMW), cell, sizeof cell - sizeof(wchar_t), &moved))
      text = Utf8(cell);
    VirtualFreeEx(owner, remote, 0, MEM_RELEASE);
  }
  CloseHandle(owner);
  return text;
}

static BOOL CALLBACK PrintAccessibleChild(HWND child, LPARAM) {
  IAccessible* object = nullptr;
  std::string name = "?", role = "?";
  long items = 0;
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  if (SUCCEEDED(AccessibleObjectFromWindow(child, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&object)))) {
    BSTR text = nullptr;
    name = object->get_accName(self, &text) == S_OK && text != nullptr ? Utf8(text) : "";
    SysFreeString(text);
    VARIANT roleValue{};
    if (object->get_accRole(self, &roleValue) == S_OK && roleValue.vt == VT_I4) role = std::to_string(roleValue.lVal);
    object->get_accChildCount(&items);
  }
  int id = GetDlgCtrlID(child);
  RECT place{};
  GetWindowRect(child, &place);
  std::printf("child=%d|%s|%s|%ld,%ld,%ld,%ld|%d\n", id, role.c_str(), name.c_str(), place.left, place.top, place.right,
              place.bottom, IsWindowVisible(child) ? 1 : 0);
  wchar_t windowClass[64] = {};
  GetClassNameW(child, windowClass, 64);
  if (std::wcscmp(windowClass, WC_LISTVIEWW) == 0) {
    auto rows = static_cast<int>(SendMessageW(child, LVM_GETITEMCOUNT, 0, 0));
    HWND header = reinterpret_cast<HWND>(SendMessageW(child, LVM_GETHEADER, 0, 0));
    int columns = header != nullptr ? static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 1;
    for (int row = 0; row < rows; ++row) {
      std::string line = "row=" + std::to_string(id);
      VARIANT item{};
      item.vt = VT_I4;
      item.lVal = row + 1;
      BSTR text = nullptr;
      bool accessibleItems = object != nullptr && items >= rows && object->get_accName(item, &text) == S_OK && text != nullptr;
      for (int column = 0; column < columns; ++column)
        line += "|" + (column == 0 && accessibleItems ? Utf8(text) : RemoteCellText(child, row, column));
      SysFreeString(text);
      std::printf("%s\n", line.c_str());
    }
  }
  if (object != nullptr) object->Release();
  return TRUE;
}

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "look-back") == 0) {
    HWND window = FindWindowW(L"QuilletLookBack", nullptr);
    if (window == nullptr || !IsWindowVisible(window)) {
      std::puts("none");
      return 1;
    }
    CoInitialize(nullptr);
    EnumChildWindows(window, PrintAccessibleChild, 0);
    CoUninitialize();
    return 0;
  }
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
    PrintChildText(account, 421, "visibility");  // the entry chosen in each list
    PrintChildText(account, 423, "language");
    PrintChildText(account, 430, "publickey");  // a Nostr account's npub
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
