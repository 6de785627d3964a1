#include "platform/win32/win32_shell.h"

#include <cstring>

#include "platform/win32/win32_windowing.h"

namespace quillet::platform::win32 {
namespace {

#ifndef _WIN64
static_assert(NOTIFYICONDATAA_V1_SIZE == sizeof(NotifyIconRecord),
              "on 32-bit Windows the portable record is the first version of NOTIFYICONDATAA");
#endif

// A 32-bit user handle as Windows widens it to a full handle: sign-extended (LongToHandle).
template <typename Handle>
Handle WidenHandle(std::uint32_t value) {
  return reinterpret_cast<Handle>(static_cast<LONG_PTR>(static_cast<LONG>(value)));
}

}  // namespace

NOTIFYICONDATAA ToNotifyIconData(const NotifyIconRecord& data) {
  NOTIFYICONDATAA record{};
  record.cbSize = NOTIFYICONDATAA_V1_SIZE;
  record.hWnd = WidenHandle<HWND>(data.window);
  record.uID = data.id;
  record.uFlags = data.flags;
  record.uCallbackMessage = data.callbackMessage;
  record.hIcon = WidenHandle<HICON>(data.icon);
  static_assert(sizeof record.szTip >= sizeof data.tip);
  std::memcpy(record.szTip, data.tip, sizeof data.tip);
  return record;
}

NOTIFYICONDATAA ToBalloonData(const NotifyIconRecord& data, const NotifyIconBalloon& balloon) {
  NOTIFYICONDATAA record = ToNotifyIconData(data);
  record.cbSize = NOTIFYICONDATAA_V2_SIZE;
  record.uFlags = NIF_INFO;  // only the balloon changes
  static_assert(sizeof record.szInfo == sizeof balloon.text && sizeof record.szInfoTitle == sizeof balloon.title);
  std::memcpy(record.szInfo, balloon.text, sizeof balloon.text);
  std::memcpy(record.szInfoTitle, balloon.title, sizeof balloon.title);
  record.szInfo[sizeof record.szInfo - 1] = '\0';
  record.szInfoTitle[sizeof record.szInfoTitle - 1] = '\0';
  record.uTimeout = balloon.timeoutMs;
  record.dwInfoFlags = balloon.infoFlags;
  return record;
}

bool Win32Shell::ShowBalloon(const NotifyIconRecord& data, const NotifyIconBalloon& balloon) {
  NOTIFYICONDATAA record = ToBalloonData(data, balloon);
  return ::Shell_NotifyIconA(NIM_MODIFY, &record) != FALSE;
}

bool Win32Shell::Shell_NotifyIconA(std::uint32_t message, const NotifyIconRecord& data) {
  NOTIFYICONDATAA record = ToNotifyIconData(data);
  return ::Shell_NotifyIconA(message, &record) != FALSE;
}

std::intptr_t Win32Shell::ShellExecuteA(WindowHandle parent, const std::string& verb, const std::string& file,
                                        const std::string& parameters, const std::string& directory,
                                        std::int32_t showCommand) {
  HINSTANCE result =
      ::ShellExecuteA(AsHwnd(parent), verb.c_str(), file.c_str(), parameters.c_str(), directory.c_str(), showCommand);
  return reinterpret_cast<std::intptr_t>(result);
}

}  // namespace quillet::platform::win32
