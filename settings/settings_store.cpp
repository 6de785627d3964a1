#include "settings/settings_store.h"

#include "settings/registry_path.h"

namespace quillet {

std::u16string SettingsStore::AppKeyPath() const { return u"HKEY_CURRENT_USER\\Software\\Velmora\\" + appTitle_; }

std::u16string SettingsStore::ReadAppValue(std::u16string_view name) {
  auto value = registry_path::StripAtNul(registry_path::ReadKeyValue(registry_, AppKeyPath(), name));
  return value.value_or(std::u16string());
}

void SettingsStore::WriteAppValue(std::u16string_view name, std::u16string_view value) {
  registry_path::CreateKey(registry_, AppKeyPath());
  registry_path::WriteKeyValue(registry_, AppKeyPath(), name, value);
}

std::u16string SettingsStore::Get(std::u16string_view name, std::u16string_view defaultValue) {
  std::u16string value = ReadAppValue(name);
  if (value.empty() || value == u"Error") return std::u16string(defaultValue);
  return value;
}

void SettingsStore::Save(std::u16string_view name, std::u16string_view value) { WriteAppValue(name, value); }

}  // namespace quillet
