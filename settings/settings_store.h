#pragma once
// The program's settings: named text values under the application key
// HKEY_CURRENT_USER\Software\Velmora\<application title>. Names match without regard to case.
// Nothing is cached: every read goes to the registry.
#include <optional>
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace quillet {

class SettingsStore {
 public:
  explicit SettingsStore(platform::IRegistry& registry) : registry_(registry) {}
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  // The application title the key ends with: saved by the update window's start-up, before
  // which it is empty.
  const std::u16string& AppTitle() const { return appTitle_; }
  void SetAppTitle(std::u16string_view title) { appTitle_ = title; }

  // The application key, composed afresh from the title at every call.
  std::u16string AppKeyPath() const;

  std::u16string ReadAppValue(std::u16string_view name);
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

  // For the values the settings write outside the application key (the start-with-Windows entry).
  platform::IRegistry& Registry() { return registry_; }

 private:
  platform::IRegistry& registry_;
  std::u16string appTitle_;
};

}  // namespace quillet
