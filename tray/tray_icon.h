#pragma once
// One icon in the notification area, owned by a window: added and removed through
// Shell_NotifyIconA with the 88-byte record, changed (icon, tip) and given balloons through the
// Unicode record, so that a tip or balloon shows every character as it was written. The owner
// window receives the icon's mouse notifications as WM_MOUSEMOVE, with the mouse message in lParam.
#include <cstddef>
#include <string_view>

#include "platform/shell.h"
#include "platform/ui.h"

namespace quillet {

class TrayIcon {
 public:
  explicit TrayIcon(platform::IShell& shell) : shell_(shell) {}

  // Whether the icon is in the notification area, as far as this object knows.
  bool Added() const { return added_; }
  // Whether the icon gets the notification area's keyboard messages (and WM_CONTEXTMENU after
  // a right click).
  bool Keyboard() const { return keyboard_; }
  void SetAdded(bool added) { added_ = added; }
  // Adds the icon with the owner's handle, small icon and caption as tip, and asks for the
  // notification area's keyboard (kNotifyIconVersion).

  void Add(platform::IWindow& owner);
  // Deletes the icon and makes sure the owner window is visible.
  void Remove(platform::IWindow& owner);
  // Change the icon to the owner's, or the tip; nothing is sent while the icon is not added.
  void SetIcon(platform::IWindow& owner);
  void SetTip(platform::IWindow& owner, std::u16string_view tip);
  // Shows a balloon over the icon; nothing is sent while the icon is not added.
  void ShowBalloon(platform::IWindow& owner, std::u16string_view title, std::u16string_view text);

  // The record as the last call sent it (or as it stands).
  const platform::NotifyIconRecord& Record() const { return record_; }

 private:
  platform::IShell& shell_;
  bool added_ = false;
  bool keyboard_ = false;  // the notification area took kNotifyIconVersion
  platform::NotifyIconRecord record_{};
  platform::NotifyIconTip tip_{};  // the tip in full, for the Unicode record
};

// The size of the record's tip field, its NUL included: 64 bytes.
inline constexpr std::size_t kTipSize = sizeof(platform::NotifyIconRecord::tip);

// Fills the 64-byte tip field: the text in the 8-bit code page ('?' for a character it lacks or
// would need two bytes for), a NUL, then spaces to the end. A text of more than 63 characters is
// cut to its first 63.
void FillTip(char (&tip)[kTipSize], std::u16string_view text);
// Fills a field of the Unicode record: as much of the text as fits before the NUL, never half of
// a surrogate pair; zeros after.
template <std::size_t N>
void FillText(char16_t (&field)[N], std::u16string_view text) {
  std::size_t length = text.size() < N - 1 ? text.size() : N - 1;
  if (length < text.size() && length > 0 && text[length - 1] >= 0xD800 && text[length - 1] <= 0xDBFF) --length;
  for (std::size_t i = 0; i < N; ++i) field[i] = i < length ? text[i] : u'\0';
}

}  // namespace quillet
