#include "tray/tray_icon.h"

#include <cstring>

#include "common/codepage.h"

namespace quillet {
namespace {

constexpr std::uint32_t kRecordSize = sizeof(platform::NotifyIconRecord);
constexpr std::uint32_t kIconId = 1;
constexpr std::uint32_t kFlags = platform::kNifMessage | platform::kNifIcon | platform::kNifTip;

std::uint32_t Handle32(std::uintptr_t handle) { return static_cast<std::uint32_t>(handle); }

}  // namespace

void FillTip(char (&tip)[kTipSize], std::u16string_view text) {
  std::string bytes = ToAnsi(text.substr(0, kTipSize - 1));
  std::memset(tip, ' ', sizeof tip);
  std::memcpy(tip, bytes.data(), bytes.size());
  tip[bytes.size()] = '\0';
}

void TrayIcon::Add(platform::IWindow& owner) {
  // Everything is read from the owner first: a failure there sends nothing and changes nothing.
  auto window = Handle32(owner.Handle());
  auto icon = Handle32(owner.Icon());
  char tip[kTipSize];
  FillTip(tip, owner.Caption());

  record_.size = kRecordSize;
  record_.window = window;
  record_.id = kIconId;
  record_.flags = kFlags;
  record_.callbackMessage = platform::kWmMouseMove;
  record_.icon = icon;
  std::memcpy(record_.tip, tip, sizeof tip);
  shell_.Shell_NotifyIconA(platform::kNimAdd, record_);
  added_ = true;
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
  shell_.Shell_NotifyIconA(platform::kNimModify, record_);
}

void TrayIcon::SetTip(platform::IWindow& owner, std::u16string_view tip) {
  if (!added_) return;
  auto window = Handle32(owner.Handle());
  char field[kTipSize];
  FillTip(field, tip);
  record_.size = kRecordSize;
  record_.window = window;
  std::memcpy(record_.tip, field, sizeof field);
  shell_.Shell_NotifyIconA(platform::kNimModify, record_);
}

void TrayIcon::ShowBalloon(platform::IWindow& owner, std::u16string_view title, std::u16string_view text) {
  if (!added_) return;
  platform::NotifyIconBalloon balloon{};
  std::string titleBytes = ToAnsi(title.substr(0, sizeof balloon.title - 1));
  std::string textBytes = ToAnsi(text.substr(0, sizeof balloon.text - 1));
  std::memcpy(balloon.title, titleBytes.data(), titleBytes.size());
  std::memcpy(balloon.text, textBytes.data(), textBytes.size());
  balloon.timeoutMs = 15000;
  balloon.infoFlags = platform::kNiifWarning;
  record_.size = kRecordSize;
  record_.window = Handle32(owner.Handle());
  shell_.ShowBalloon(record_, balloon);
}

}  // namespace quillet
