#include "windows/win32_tray_window.h"

#include "common/convert.h"
#include "common/failure.h"
#include "platform/win32/twips_layout.h"
#include "platform/win32/win32_windowing.h"
#include "platform/win32/win32_error.h"

namespace quillet::platform::win32 {
namespace {

constexpr int kPostNowHotkeyId = 1;

}  // namespace

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
  if (message == WM_HOTKEY && wParam == kPostNowHotkeyId) {
    if (onHotkey_) onHotkey_();
    return 0;
  }
  return Win32Window::HandleMessage(message, wParam, lParam);
}

bool Win32TrayForm::SetHotkey(KeyCombination combination) {
  if (std::exchange(hotkeyHeld_, false)) UnregisterHotKey(hwnd(), kPostNowHotkeyId);
  if (combination.key == 0) return true;
  // The modifiers are numbered as RegisterHotKey numbers them.
  hotkeyHeld_ = RegisterHotKey(hwnd(), kPostNowHotkeyId, combination.modifiers | MOD_NOREPEAT, combination.key) != 0;
  return hotkeyHeld_;
}

Win32PopupMenu::Win32PopupMenu(const IWindow& owner)
    : owner_(owner), root_(*this), menu_(CreatePopupMenu()), handle_(menu_.get()) {
  if (!menu_) ThrowLastError("CreatePopupMenu");
}

Win32PopupMenu::Win32PopupMenu(Win32PopupMenu& root, HMENU submenu)
    : owner_(root.owner_), root_(root), handle_(submenu) {}

Win32PopupMenu::~Win32PopupMenu() = default;

UINT Win32PopupMenu::Item::Position() const {
  UINT position = 0;
  for (const Item* entry : menu_.entries_) {
    if (entry == this) break;
    if (entry->Shown()) ++position;
  }
  return position;
}

void Win32PopupMenu::Item::SetChecked(bool checked) {
  checked_ = checked;
  if (shown_) CheckMenuItem(menu_.handle_, Position(), MF_BYPOSITION | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void Win32PopupMenu::Item::SetCaption(std::u16string_view caption) {
  std::wstring text(caption.begin(), caption.end());
  if (text == caption_ || (flags_ & MF_SEPARATOR)) return;
  caption_ = std::move(text);
  UINT flags = MF_BYPOSITION | flags_ | (checked_ ? MF_CHECKED : MF_UNCHECKED);
  if (shown_ && !ModifyMenuW(menu_.handle_, Position(), flags, idOrMenu_, caption_.c_str()))
    ThrowLastError("ModifyMenuW");
}

void Win32PopupMenu::Item::SetVisible(bool visible) {
  if (visible == shown_) return;
  UINT position = Position();
  if (!visible) {
    // RemoveMenu, unlike DeleteMenu, leaves a submenu alive: it is kept here until it goes back.
    if (!RemoveMenu(menu_.handle_, position, MF_BYPOSITION)) ThrowLastError("RemoveMenu");
    if (flags_ & MF_POPUP) hiddenSubmenu_.reset(reinterpret_cast<HMENU>(idOrMenu_));
    shown_ = false;
    return;
  }
  UINT flags = MF_BYPOSITION | flags_ | (checked_ ? MF_CHECKED : MF_UNCHECKED);
  if (!InsertMenuW(menu_.handle_, position, flags, idOrMenu_, flags_ & MF_SEPARATOR ? nullptr : caption_.c_str()))
    ThrowLastError("InsertMenuW");
  hiddenSubmenu_.release();  // the parent menu owns it again
  shown_ = true;
}

Win32PopupMenu::Item& Win32PopupMenu::Append(UINT flags, UINT_PTR idOrMenu, std::u16string_view caption) {
  std::wstring text = Wide(caption);
  if (!AppendMenuW(handle_, flags, idOrMenu, flags & MF_SEPARATOR ? nullptr : text.c_str()))
    ThrowLastError("AppendMenuW");
  root_.items_.push_back(std::make_unique<Item>(*this, flags, idOrMenu, std::move(text)));
  entries_.push_back(root_.items_.back().get());
  return *root_.items_.back();
}

IMenuItem& Win32PopupMenu::AddItem(std::u16string_view caption) {
  auto command = static_cast<UINT_PTR>(root_.items_.size() + 1);  // commands 1, 2, ... in order
  return Append(caption == u"-" ? MF_SEPARATOR : MF_STRING, command, caption);
}

IPopupMenu::Submenu Win32PopupMenu::AddSubmenu(std::u16string_view caption) {
  UniqueMenu created(CreatePopupMenu());
  if (!created) ThrowLastError("CreatePopupMenu");
  HMENU handle = created.get();
  Item& entry = Append(MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(handle), caption);
  created.release();  // the parent menu owns it now, and destroys it with itself
  submenus_.push_back(std::unique_ptr<Win32PopupMenu>(new Win32PopupMenu(root_, handle)));
  return {entry, *submenus_.back()};
}

void Win32PopupMenu::Popup() {
  POINT at{};
  GetCursorPos(&at);
  HWND owner = AsHwnd(owner_.Handle());
  // In a language read right to left the menu is mirrored too: it opens leftwards, its submenus'
  // arrows point left.
  DWORD layout = 0;
  bool mirrored = GetProcessDefaultLayout(&layout) && (layout & LAYOUT_RTL) != 0;
  UINT side = mirrored ? TPM_RIGHTALIGN | TPM_LAYOUTRTL : TPM_LEFTALIGN;
  UINT command = static_cast<UINT>(
      TrackPopupMenu(handle_, side | TPM_TOPALIGN | TPM_LEFTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0, owner,
                     nullptr));
  // Lets the menu close properly when the user clicks elsewhere next time.
  PostMessageW(owner, WM_NULL, 0, 0);
  Choose(command);
}

void Win32PopupMenu::Choose(UINT command) {
  if (command >= 1 && command <= root_.items_.size()) root_.items_[command - 1]->Click();
}

}  // namespace quillet::platform::win32
