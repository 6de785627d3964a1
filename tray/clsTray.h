#pragma once
// One icon in the notification area, owned by a window: added, changed and removed through
// Shell_NotifyIconA with the 88-byte record. The owner window receives the icon's mouse
// notifications as WM_MOUSEMOVE, with the mouse message in lParam.
#include <string_view>

#include "platform/shell.h"
#include "platform/ui.h"

namespace quillet {

class clsTray {
 public:
  explicit clsTray(platform::IShell& shell) : shell_(shell) {}

  bool bRunningInTray() const { return bRunningInTray_; }
  void ShowIcon(platform::IWindow& sysTrayForm);
  // Deletes the icon and makes sure the owner window is visible.
  void RemoveIcon(platform::IWindow& sysTrayForm);
  void ChangeIcon(platform::IWindow& sysTrayForm);
  void ChangeToolTip(platform::IWindow& sysTrayForm, std::u16string_view strNewTip);
  void bRunningInTray(bool value) { bRunningInTray_ = value; }

  // The record as the last call sent it (or as it stands).
  const platform::NOTIFYICONDATA& Record() const { return nid_; }

 private:
  platform::IShell& shell_;
  bool bRunningInTray_ = false;
  platform::NOTIFYICONDATA nid_{};
};

// Fills the 64-byte tip field: the text in the 8-bit code page, a NUL, then spaces to the end.
// A text of more than 63 characters is cut to its first 63.
void FillTip(char (&szTip)[64], std::u16string_view text);

}  // namespace quillet
