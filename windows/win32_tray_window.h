#pragma once
// The hidden window that owns the notification-area icon, and its popup menu.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "common/callback.h"
#include "platform/application.h"
#include "platform/ui.h"
#include "platform/win32/handles.h"

#include "platform/win32/win32_form.h"
#include "platform/win32/window_base.h"

namespace quillet::platform::win32 {

// The tray window's class: a later start of the program finds the running one by it.
inline constexpr wchar_t kTrayWindowClass[] = L"QuilletTray";

// Hidden, without a taskbar button, a top-level window (so that it receives the shell's
// broadcasts), with the program's small icon at the density of the monitor it is on (16 x 16 at
// 96 dpi), loaded again when that density changes. Positions and sizes are in twips.
class Win32TrayForm : public ITrayForm, public Win32Form {
 public:
  Win32TrayForm();

  IconHandle Icon() const override { return reinterpret_cast<IconHandle>(icon_.get()); }
  void Show() override;

  void OnIconMessage(Callback<void(std::int32_t)> handler) override { onIconMessage_ = std::move(handler); }
  void OnResize(Callback<void()> handler) override { onResize_ = std::move(handler); }
  void OnUnloadRequest(Callback<void()> handler) override { onUnloadRequest_ = std::move(handler); }
  void OnTaskbarCreated(Callback<void()> handler) override { onTaskbarCreated_ = std::move(handler); }
  void OnActivateRequest(Callback<void()> handler) override { onActivateRequest_ = std::move(handler); }
  bool SetHotkey(KeyCombination combination) override;
  void OnHotkey(Callback<void()> handler) override { onHotkey_ = std::move(handler); }
  void OnIconChanged(Callback<void()> handler) override { onIconChanged_ = std::move(handler); }

 private:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  UniqueIcon icon_;
  UINT taskbarCreated_;
  UINT activateRequest_;
  bool shownOnce_ = false;
  bool hotkeyHeld_ = false;
  Callback<void(std::int32_t)> onIconMessage_;
  Callback<void()> onResize_, onUnloadRequest_, onTaskbarCreated_, onActivateRequest_, onIconChanged_, onHotkey_;
};

// A popup menu over an owner window, popped up at the mouse position with TrackPopupMenu.
// Commands are numbered 1, 2, ... in the order items are added, submenus' items and entries
// included; a submenu is a menu of the same kind, owned by its parent. A hidden item is taken out
// of its menu (a submenu entry with its submenu, which it then owns) and put back at its own
// place among the items shown, with its tick mark: each item's position is worked out from the
// items before it that are shown.
class Win32PopupMenu : public IPopupMenu {
 public:
  explicit Win32PopupMenu(const IWindow& owner);
  ~Win32PopupMenu() override;
  IMenuItem& AddItem(std::u16string_view caption) override;
  Submenu AddSubmenu(std::u16string_view caption) override;
  void Popup() override;
  HMENU hmenu() const { return handle_; }
  // For tests: runs the item's click handling as a choice of it would (1-based command).
  void Choose(UINT command);

 private:
  class Item : public IMenuItem {
   public:
    Item(Win32PopupMenu& menu, UINT flags, UINT_PTR idOrMenu, std::wstring caption)
        : menu_(menu), flags_(flags), idOrMenu_(idOrMenu), caption_(std::move(caption)) {}
    void OnClick(Callback<void()> handler) override { click_.OnClick(std::move(handler)); }
    void SetChecked(bool checked) override;
    void SetVisible(bool visible) override;
    void SetCaption(std::u16string_view caption) override;
    void Click() { click_.Click(); }
    bool Shown() const { return shown_; }

   private:
    UINT Position() const;  // among the items of its menu that are shown
    Win32PopupMenu& menu_;
    UINT flags_;
    UINT_PTR idOrMenu_;  // the command, or a submenu entry's menu
    std::wstring caption_;
    bool shown_ = true;
    bool checked_ = false;
    UniqueMenu hiddenSubmenu_;  // a hidden submenu entry's menu, while out of its parent
    ClickEvent click_;
  };
  Win32PopupMenu(Win32PopupMenu& root, HMENU submenu);  // a submenu, owned by its parent menu
  Item& Append(UINT flags, UINT_PTR idOrMenu, std::u16string_view caption);

  const IWindow& owner_;
  Win32PopupMenu& root_;  // where the commands are numbered
  UniqueMenu menu_;       // the root's; a submenu's belongs to its parent menu
  HMENU handle_;
  std::vector<std::unique_ptr<Item>> items_;  // the root's: every item, by command
  std::vector<const Item*> entries_;          // this menu's own items, in the order added
  std::vector<std::unique_ptr<Win32PopupMenu>> submenus_;
};

// The registered message by which a later start asks the running program to come up.
UINT ActivateRequestMessage();

}  // namespace quillet::platform::win32
