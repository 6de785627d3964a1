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

// A NUL-terminated portable text into a field of the same size, its last unit always the NUL.
template <std::size_t N>
void CopyText(WCHAR (&field)[N], const char16_t (&text)[N]) {
  static_assert(sizeof(WCHAR) == sizeof(char16_t));
  std::memcpy(field, text, sizeof field);
  field[N - 1] = L'\0';
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

NOTIFYICONDATAW ToNotifyIconDataW(const NotifyIconRecord& data, const NotifyIconTip& tip) {
  NOTIFYICONDATAW record{};
  record.cbSize = NOTIFYICONDATAW_V2_SIZE;
  record.hWnd = WidenHandle<HWND>(data.window);
  record.uID = data.id;
  record.uFlags = data.flags;
  record.uCallbackMessage = data.callbackMessage;
  record.hIcon = WidenHandle<HICON>(data.icon);
  CopyText(record.szTip, tip.text);
  return record;
}

NOTIFYICONDATAW ToBalloonData(const NotifyIconRecord& data, const NotifyIconBalloon& balloon) {
  NOTIFYICONDATAW record = ToNotifyIconDataW(data, NotifyIconTip{});
  record.uFlags = NIF_INFO;  // only the balloon changes
  CopyText(record.szInfo, balloon.text);
  CopyText(record.szInfoTitle, balloon.title);
  record.uTimeout = balloon.timeoutMs;
  record.dwInfoFlags = balloon.infoFlags;
  return record;
}

bool Win32Shell::ModifyIconW(const NotifyIconRecord& data, const NotifyIconTip& tip) {
  NOTIFYICONDATAW record = ToNotifyIconDataW(data, tip);
  return ::Shell_NotifyIconW(NIM_MODIFY, &record) != FALSE;
}

bool Win32Shell::ShowBalloon(const NotifyIconRecord& data, const NotifyIconBalloon& balloon) {
  NOTIFYICONDATAW record = ToBalloonData(data, balloon);
  return ::Shell_NotifyIconW(NIM_MODIFY, &record) != FALSE;
}

bool Win32Shell::SetIconVersion(const NotifyIconRecord& data, std::uint32_t version) {
  NOTIFYICONDATAW record = ToNotifyIconDataW(data, NotifyIconTip{});
  record.uFlags = 0;
  record.uVersion = version;
  return ::Shell_NotifyIconW(NIM_SETVERSION, &record) != FALSE;
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
