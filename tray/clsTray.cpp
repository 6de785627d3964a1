#include "tray/clsTray.h"

#include <cstring>

#include "common/codepage.h"

namespace quillet {
namespace {

constexpr std::uint32_t kRecordSize = 88;
constexpr std::uint32_t kIconId = 1;
constexpr std::uint32_t kFlags = 7;  // NIF_MESSAGE | NIF_ICON | NIF_TIP
constexpr std::uint32_t kWmMouseMove = 0x200;

std::uint32_t Handle32(std::uintptr_t handle) { return static_cast<std::uint32_t>(handle); }

}  // namespace

void FillTip(char (&szTip)[64], std::u16string_view text) {
  std::string bytes = ToAnsi(text.substr(0, 63));
  std::memset(szTip, ' ', sizeof szTip);
  std::memcpy(szTip, bytes.data(), bytes.size());
  szTip[bytes.size()] = '\0';
}

void clsTray::ShowIcon(platform::IWindow& sysTrayForm) {
  // Everything is read from the owner first: a failure there sends nothing and changes nothing.
  auto hWnd = Handle32(sysTrayForm.Handle());
  auto hIcon = Handle32(sysTrayForm.Icon());
  char szTip[64];
  FillTip(szTip, sysTrayForm.Caption());

  nid_.cbSize = kRecordSize;
  nid_.hWnd = hWnd;
  nid_.uID = kIconId;
  nid_.uFlags = kFlags;
  nid_.uCallbackMessage = kWmMouseMove;
  nid_.hIcon = hIcon;
  std::memcpy(nid_.szTip, szTip, sizeof szTip);
  shell_.Shell_NotifyIconA(platform::kNimAdd, nid_);
  bRunningInTray_ = true;
}

void clsTray::RemoveIcon(platform::IWindow& sysTrayForm) {
  auto hWnd = Handle32(sysTrayForm.Handle());
  auto hIcon = Handle32(sysTrayForm.Icon());

  nid_.cbSize = kRecordSize;
  nid_.hWnd = hWnd;
  nid_.uID = kIconId;
  nid_.uFlags = kFlags;
  nid_.uCallbackMessage = 1;
  nid_.hIcon = hIcon;
  FillTip(nid_.szTip, u"");
  shell_.Shell_NotifyIconA(platform::kNimDelete, nid_);
  if (!sysTrayForm.Visible()) sysTrayForm.Show();
  bRunningInTray_ = false;
}

void clsTray::ChangeIcon(platform::IWindow& sysTrayForm) {
  if (!bRunningInTray_) return;
  auto hWnd = Handle32(sysTrayForm.Handle());
  auto hIcon = Handle32(sysTrayForm.Icon());
  nid_.cbSize = kRecordSize;
  nid_.hWnd = hWnd;
  nid_.hIcon = hIcon;
  shell_.Shell_NotifyIconA(platform::kNimModify, nid_);
}

void clsTray::ChangeToolTip(platform::IWindow& sysTrayForm, std::u16string_view strNewTip) {
  if (!bRunningInTray_) return;
  auto hWnd = Handle32(sysTrayForm.Handle());
  char szTip[64];
  FillTip(szTip, strNewTip);
  nid_.cbSize = kRecordSize;
  nid_.hWnd = hWnd;
  std::memcpy(nid_.szTip, szTip, sizeof szTip);
  shell_.Shell_NotifyIconA(platform::kNimModify, nid_);
}

}  // namespace quillet
