#include "tray/tray_icon.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "common/codepage.h"

namespace quillet {
namespace {

constexpr std::uint32_t kRecordSize = sizeof(platform::NotifyIconRecord);
constexpr std::uint32_t kIconId = 1;
constexpr std::uint32_t kFlags = platform::kNifMessage | platform::kNifIcon | platform::kNifTip;

std::uint32_t Handle32(std::uintptr_t handle) { return static_cast<std::uint32_t>(handle); }

}  // namespace

void FillTip(char (&tip)[kTipSize], std::u16string_view text) {
  std::memset(tip, ' ', sizeof tip);
  std::size_t length = std::min(text.size(), kTipSize - 1);
  for (std::size_t i = 0; i < length; ++i) {
    char byte = '?';
    try {
      byte = static_cast<char>(CharToByte(text[i]));
    } catch (const std::exception&) {
      // a character of two bytes in this code page: '?' as for one it lacks
    }
    tip[i] = byte;
  }
  tip[length] = '\0';
}

void TrayIcon::Add(platform::IWindow& owner) {
  // Everything is read from the owner first: a failure there sends nothing and changes nothing.
  auto window = Handle32(owner.Handle());
  auto icon = Handle32(owner.Icon());
  std::u16string caption = owner.Caption();
  char tip[kTipSize];
  FillTip(tip, caption);

  record_.size = kRecordSize;
  record_.window = window;
  record_.id = kIconId;
  record_.flags = kFlags;
  record_.callbackMessage = platform::kWmMouseMove;
  record_.icon = icon;
  std::memcpy(record_.tip, tip, sizeof tip);
  FillText(tip_.text, caption);
  shell_.Shell_NotifyIconA(platform::kNimAdd, record_);
  added_ = true;
  keyboard_ = shell_.SetIconVersion(record_, platform::kNotifyIconVersion);
}

void TrayIcon::Remove(platform::IWindow& owner) {
  auto window = Handle32(owner.Handle());
  auto icon = Handle32(owner.Icon());

  record_.size = kRecordSize;
  record_.window = window;
  record_.id = kIconId;
  record_.flags = kFlags;
  record_.callbackMessage = 1;
  record_.icon = icon;
  FillTip(record_.tip, u"");
  FillText(tip_.text, u"");
  shell_.Shell_NotifyIconA(platform::kNimDelete, record_);
  if (!owner.Visible()) owner.Show();
  added_ = false;
}

void TrayIcon::SetIcon(platform::IWindow& owner) {
  if (!added_) return;
  auto window = Handle32(owner.Handle());
  auto icon = Handle32(owner.Icon());
  record_.size = kRecordSize;
  record_.window = window;
  record_.icon = icon;
  // The record's flags carry the tip too: the Unicode record keeps it as it was written.
  shell_.ModifyIconW(record_, tip_);
}

void TrayIcon::SetTip(platform::IWindow& owner, std::u16string_view tip) {
  if (!added_) return;
  auto window = Handle32(owner.Handle());
  char field[kTipSize];
  FillTip(field, tip);
  record_.size = kRecordSize;
  record_.window = window;
  std::memcpy(record_.tip, field, sizeof field);
  FillText(tip_.text, tip);
  shell_.ModifyIconW(record_, tip_);
}

void TrayIcon::ShowBalloon(platform::IWindow& owner, std::u16string_view title, std::u16string_view text) {
  if (!added_) return;
  platform::NotifyIconBalloon balloon{};
  FillText(balloon.title, title);
  FillText(balloon.text, text);
  balloon.timeoutMs = 15000;
  balloon.infoFlags = platform::kNiifWarning;
  record_.size = kRecordSize;
  record_.window = Handle32(owner.Handle());
  shell_.ShowBalloon(record_, balloon);
}

}  // namespace quillet
