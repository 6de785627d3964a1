#pragma once
// The shell services of shell32 that the tray presence uses: the notification-area icon and
// opening a document or address.
#include <cstdint>
#include <string>

#include "platform/ui.h"

namespace quillet::platform {

// The notification record in its 88-byte layout of 32-bit Windows.
// The fields, in order: the record's size, the owner window, the icon's number, which of the
// following fields count, the message the owner receives, the icon, and the tip.
struct NotifyIconRecord {
  std::uint32_t size;
  std::uint32_t window;
  std::uint32_t id;
  std::uint32_t flags;
  std::uint32_t callbackMessage;
  std::uint32_t icon;
  char tip[64];
};
static_assert(sizeof(NotifyIconRecord) == 88, "the record must have the 32-bit Windows layout");

inline constexpr std::uint32_t kNimAdd = 0;
inline constexpr std::uint32_t kNimModify = 1;
inline constexpr std::uint32_t kNimDelete = 2;
inline constexpr std::uint32_t kNimSetVersion = 4;
// The behaviour asked for with NIM_SETVERSION: the notification area's keyboard (NIN_KEYSELECT,
// the context-menu key as WM_CONTEXTMENU) and NIN_SELECT after a left click, the rest as before.
inline constexpr std::uint32_t kNotifyIconVersion = 3;

// Which fields of the record count.
inline constexpr std::uint32_t kNifMessage = 1;
inline constexpr std::uint32_t kNifIcon = 2;
inline constexpr std::uint32_t kNifTip = 4;
inline constexpr std::uint32_t kNifInfo = 0x10;  // a balloon: only in the Unicode record below

// The texts of the record's later, Unicode layout (NOTIFYICONDATAW, taken at its version-2 size,
// which Windows and Wine both accept): a tip of up to 127 UTF-16 units and a balloon. Each text
// is NUL-terminated; a longer one is cut without splitting a surrogate pair.
struct NotifyIconTip {
  char16_t text[128];
};
struct NotifyIconBalloon {
  char16_t text[256];
  char16_t title[64];
  std::uint32_t timeoutMs;
  std::uint32_t infoFlags;
};
inline constexpr std::uint32_t kNiifInfo = 1;
inline constexpr std::uint32_t kNiifWarning = 2;

// The message the icon's callback carries when the person clicks the balloon (NIN_BALLOONUSERCLICK).
inline constexpr std::uint32_t kNinBalloonUserClick = 0x405;

// How ShellExecuteA shows what it opens.
inline constexpr std::int32_t kSwShowNormal = 1;

// The mouse messages the icon's notifications carry.
inline constexpr std::uint32_t kWmMouseMove = 0x200;
inline constexpr std::uint32_t kWmLButtonDblClk = 0x203;
inline constexpr std::uint32_t kWmRButtonDown = 0x204;
// With kNotifyIconVersion: after a left click, Enter or Space on the focused icon, and after a
// right click or the context-menu key.
inline constexpr std::uint32_t kNinSelect = 0x400;
inline constexpr std::uint32_t kNinKeySelect = 0x401;
inline constexpr std::uint32_t kWmContextMenu = 0x7B;

class IShell {
 public:
  virtual ~IShell() = default;
  // The 88-byte record through Shell_NotifyIconA: adding and deleting the icon.
  virtual bool Shell_NotifyIconA(std::uint32_t message, const NotifyIconRecord& data) = 0;
  // NIM_MODIFY through the Unicode record: the record's fields as its flags say, with `tip` in
  // place of its 8-bit tip (so that any character of the tip arrives as it is).
  virtual bool ModifyIconW(const NotifyIconRecord& data, const NotifyIconTip& tip) = 0;
  // NIM_MODIFY with NIF_INFO through the Unicode record: the balloon, nothing else changes.
  virtual bool ShowBalloon(const NotifyIconRecord& data, const NotifyIconBalloon& balloon) = 0;
  // NIM_SETVERSION through the Unicode record (the 88-byte one has no version field).
  virtual bool SetIconVersion(const NotifyIconRecord& data, std::uint32_t version) = 0;
  virtual std::intptr_t ShellExecuteA(WindowHandle parent, const std::string& verb, const std::string& file,
                                      const std::string& parameters, const std::string& directory,
                                      std::int32_t showCommand) = 0;
};

}  // namespace quillet::platform
