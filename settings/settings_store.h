#pragma once
// The program's settings: named values under the application key
// HKEY_CURRENT_USER\Software\Velmora\<application title>, stored as text (binary for secrets).
// Names match without regard to case. Nothing is cached: every read goes to the registry.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/registry.h"
#include "settings/setting_names.h"

namespace quillet {

class SettingsStore {
 public:
  explicit SettingsStore(platform::IRegistry& registry) : registry_(registry) {}
  // The same values of one account: `subKey` under the application key ("Accounts\\2"), or the
  // application key itself when it is empty (the first account). It follows the parent's title
  // and must not outlive the parent.
  SettingsStore(const SettingsStore& parent, std::u16string subKey)
      : registry_(parent.registry_), parent_(&parent), subKey_(std::move(subKey)) {}
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  // The application title the key ends with: saved by the update window's start-up, before
  // which it is empty.
  const std::u16string& AppTitle() const { return parent_ ? parent_->AppTitle() : appTitle_; }
  void SetAppTitle(std::u16string_view title) { appTitle_ = title; }

  // The key this store reads and writes (the application key, or an account's subkey under it),
  // composed afresh from the title at every call.
  std::u16string AppKeyPath() const;
  // The application key itself, whatever the store's scope.
  std::u16string ProgramKeyPath() const;
  // The subkey under the application key this store is scoped to; empty: the key itself.
  const std::u16string& SubKey() const { return subKey_; }
  bool Scoped() const { return !subKey_.empty(); }

  std::u16string ReadAppValue(std::u16string_view name);
  void CreateKeyForWriting();
  void WriteAppValue(std::u16string_view name, std::u16string_view value);

  // The stored value, or `defaultValue` when it is missing, empty, unreadable or the text "Error".
  std::u16string Get(std::u16string_view name, std::u16string_view defaultValue);
  // Creates the key when it is missing and stores the value.
  void Save(std::u16string_view name, std::u16string_view value);

  // Binary values (a protected secret): the stored bytes, or nothing when the value is missing,
  // unreadable or longer than 64 KB.
  std::optional<std::string> ReadBytes(std::u16string_view name);
  void SaveBytes(std::u16string_view name, std::string_view bytes);
  // Removes a value, so that it is absent again; a missing one is no error.
  void Delete(std::u16string_view name);

  // The same through an entry of the table of settings (settings/setting_names.h), each as its
  // kind; a read falls back to the entry's default (absent, empty, unreadable or "Error").
  std::u16string Get(const TextSetting& setting) { return Get(setting.name, setting.defaultValue); }
  void Save(const TextSetting& setting, std::u16string_view value) { Save(setting.name, value); }
  // A flag is its default unless it is stored as the other digit: "1" alone turns on one that is
  // off by default, "0" alone turns off one that is on.
  bool Flag(const FlagSetting& setting);
  // Stores the other digit, or removes the value when `on` is the default, so that it is absent.
  void SaveFlag(const FlagSetting& setting, bool on);
  // The number through the 16-bit conversion (common/convert.h): text that is no number throws
  // TypeMismatch, one outside -32768..32767 OverflowError. The entry's range is not applied.
  std::int16_t Number(const NumberSetting& setting);
  void SaveNumber(const NumberSetting& setting, long long number);
  std::optional<std::string> ReadBytes(const BytesSetting& setting) { return ReadBytes(setting.name); }
  void SaveBytes(const BytesSetting& setting, std::string_view bytes) { SaveBytes(setting.name, bytes); }
  void Delete(const Setting& setting) { Delete(setting.name); }

  // For the values the settings write outside the application key (the start-with-Windows entry).
  platform::IRegistry& Registry() { return registry_; }

 private:
  platform::IRegistry& registry_;
  const SettingsStore* parent_ = nullptr;
  std::u16string subKey_;
  std::u16string appTitle_;
};

}  // namespace quillet
