#pragma once
// The shell services over shell32: the icon's record in its 8-bit form for adding and deleting,
// in its Unicode form for the tip and balloons, and opening a document or address.
#include <windows.h>
// windows.h first: shellapi.h needs its types.
#include <shellapi.h>

#include <string>

#include "platform/shell.h"

namespace quillet::platform::win32 {

// The first version of NOTIFYICONDATAA made from the portable record, field by field. On 32-bit
// Windows its first NOTIFYICONDATAA_V1_SIZE bytes are the record's 88 bytes as they are; on 64-bit
// Windows the window and icon widen the way Windows widens 32-bit user handles (sign extension).
NOTIFYICONDATAA ToNotifyIconData(const NotifyIconRecord& data);
// NOTIFYICONDATAW of NOTIFYICONDATAW_V2_SIZE bytes: the record's fields, its tip in UTF-16.
NOTIFYICONDATAW ToNotifyIconDataW(const NotifyIconRecord& data, const NotifyIconTip& tip);
// The same record with a balloon: NIF_INFO and its fields alone.
NOTIFYICONDATAW ToBalloonData(const NotifyIconRecord& data, const NotifyIconBalloon& balloon);

class Win32Shell : public IShell {
 public:
  bool Shell_NotifyIconA(std::uint32_t message, const NotifyIconRecord& data) override;
  bool ModifyIconW(const NotifyIconRecord& data, const NotifyIconTip& tip) override;
  bool ShowBalloon(const NotifyIconRecord& data, const NotifyIconBalloon& balloon) override;
  bool SetIconVersion(const NotifyIconRecord& data, std::uint32_t version) override;
  std::intptr_t ShellExecuteA(WindowHandle parent, const std::string& verb, const std::string& file,
                              const std::string& parameters, const std::string& directory,
                              std::int32_t showCommand) override;
};

}  // namespace quillet::platform::win32
