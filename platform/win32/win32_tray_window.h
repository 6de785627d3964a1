#pragma once
// The hidden window that owns the notification-area icon, and its popup menu.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

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

  void OnIconMessage(std::function<void(std::int32_t)> handler) override { onIconMessage_ = std::move(handler); }
  void OnResize(std::function<void()> handler) override { onResize_ = std::move(handler); }
  void OnUnloadRequest(std::function<void()> handler) override { onUnloadRequest_ = std::move(handler); }
  void OnTaskbarCreated(std::function<void()> handler) override { onTaskbarCreated_ = std::move(handler); }
  void OnActivateRequest(std::function<void()> handler) override { onActivateRequest_ = std::move(handler); }
  void OnIconChanged(std::function<void()> handler) override { onIconChanged_ = std::move(handler); }

 private:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  UniqueIcon icon_;
  UINT taskbarCreated_;
  UINT activateRequest_;
  bool shownOnce_ = false;
  std::function<void(std::int32_t)> onIconMessage_;
  std::function<void()> onResize_, onUnloadRequest_, onTaskbarCreated_, onActivateRequest_, onIconChanged_;
};

// A popup menu over an owner window, popped up at the mouse position with TrackPopupMenu.
class Win32PopupMenu : public IPopupMenu {
 public:
  explicit Win32PopupMenu(const IWindow& owner);
  ~Win32PopupMenu() override;
  IClickable& AddItem(std::u16string_view caption) override;
  void Popup() override;
  HMENU hmenu() const { return menu_.get(); }
  // For tests: runs the item's click handling as a choice of it would (1-based command).
  void Choose(UINT command);

 private:
  const IWindow& owner_;
  UniqueMenu menu_;
  std::vector<std::unique_ptr<ClickEvent>> items_;
};

// The registered message by which a later start asks the running program to come up.
UINT ActivateRequestMessage();

}  // namespace quillet::platform::win32
