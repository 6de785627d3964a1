#include "platform/win32/win32_tray_window.h"

#include "common/convert.h"
#include "common/failure.h"
#include "platform/win32/twips_layout.h"
#include "platform/win32/win32_windowing.h"

namespace quillet::platform::win32 {

UINT ActivateRequestMessage() { return RegisterWindowMessageW(L"Velmora.Quillet.ActivateRequest"); }

Win32TrayForm::Win32TrayForm()
    : icon_(LoadProgramIcon(SmallIconSize(Dpi()))),
      taskbarCreated_(RegisterWindowMessageW(L"TaskbarCreated")),
      activateRequest_(ActivateRequestMessage()) {
  Create({kTrayWindowClass}, L"", WS_POPUP, WS_EX_TOOLWINDOW, 0, 0, 0, 0);
  SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_.get()));
  // A later start, running at the same or a lower integrity, may still post its request.
  ChangeWindowMessageFilterEx(hwnd(), activateRequest_, MSGFLT_ALLOW, nullptr);
  ChangeWindowMessageFilterEx(hwnd(), taskbarCreated_, MSGFLT_ALLOW, nullptr);
}

void Win32TrayForm::Show() {
  ShowWindow(hwnd(), SW_SHOW);
  // A form's first showing raises its resize event even when its size did not change.
  if (!std::exchange(shownOnce_, true) && onResize_) onResize_();
}

LRESULT Win32TrayForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_MOUSEMOVE) {
    if (onIconMessage_) onIconMessage_(static_cast<std::int32_t>(LOWORD(lParam)));
    return 0;
  }
  if (message == WM_SIZE) {
    if (onResize_) onResize_();
    return 0;
  }
  if (message == WM_CLOSE || (message == WM_ENDSESSION && wParam != FALSE)) {
    if (onUnloadRequest_) onUnloadRequest_();
    return 0;
  }
  if (message == taskbarCreated_ && taskbarCreated_ != 0) {
    if (onTaskbarCreated_) onTaskbarCreated_();
    return 0;
  }
  if (message == WM_DPICHANGED && HIWORD(wParam) != 0) {
    SetDpi(HIWORD(wParam));
    UniqueIcon icon = LoadProgramIcon(SmallIconSize(Dpi()));
    SendMessageW(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon.get()));
    std::swap(icon_, icon);
    if (onIconChanged_) onIconChanged_();  // the old icon goes once the notification area has the new one
    return 0;
  }
  if (message == activateRequest_ && activateRequest_ != 0) {
    if (onActivateRequest_) onActivateRequest_();
    return 0;
  }
  return Win32Window::HandleMessage(message, wParam, lParam);
}

Win32PopupMenu::Win32PopupMenu(const IWindow& owner) : owner_(owner), menu_(CreatePopupMenu()) {
  if (!menu_) throw Failure("CreatePopupMenu");
}

Win32PopupMenu::~Win32PopupMenu() = default;

IClickable& Win32PopupMenu::AddItem(std::u16string_view caption) {
  items_.push_back(std::make_unique<ClickEvent>());
  auto command = static_cast<UINT_PTR>(items_.size());  // commands 1, 2, ... by position
  if (caption == u"-") {
    AppendMenuW(menu_.get(), MF_SEPARATOR, command, nullptr);
  } else {
    AppendMenuW(menu_.get(), MF_STRING, command, Wide(caption).c_str());
  }
  return *items_.back();
}

void Win32PopupMenu::Popup() {
  POINT at{};
  GetCursorPos(&at);
  HWND owner = AsHwnd(owner_.Handle());
  UINT command = static_cast<UINT>(
      TrackPopupMenu(menu_.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.x,
                     at.y, 0, owner, nullptr));
  // Lets the menu close properly when the user clicks elsewhere next time.
  PostMessageW(owner, WM_NULL, 0, 0);
  Choose(command);
}

void Win32PopupMenu::Choose(UINT command) {
  if (command >= 1 && command <= items_.size()) items_[command - 1]->Click();
}

}  // namespace quillet::platform::win32
