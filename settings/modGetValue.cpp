#include "settings/modGetValue.h"

#include "settings/lib_registrycommands.h"
#include "settings/modAppTitle.h"

namespace quillet::modGetValue {

std::u16string AppKeyPath() { return u"HKEY_CURRENT_USER\\Software\\Velmora\\" + modAppTitle::strAppTitle; }

std::u16string ReadAppValue(platform::IRegistry& registry, std::u16string_view name) {
  auto value = lib_registrycommands::StripAtNul(lib_registrycommands::ReadKeyValue(registry, AppKeyPath(), name));
  return value.value_or(std::u16string());
}

void WriteAppValue(platform::IRegistry& registry, std::u16string_view name, std::u16string_view value) {
  lib_registrycommands::CreateKey(registry, AppKeyPath());
  lib_registrycommands::WriteKeyValue(registry, AppKeyPath(), name, value);
}

std::u16string GetValue(platform::IRegistry& registry, std::u16string_view name, std::u16string_view defaultValue) {
  std::u16string value = ReadAppValue(registry, name);
  if (value.empty() || value == u"Error") return std::u16string(defaultValue);
  return value;
}

void SaveValue(platform::IRegistry& registry, std::u16string_view name, std::u16string_view value) {
  WriteAppValue(registry, name, value);
}

}  // namespace quillet::modGetValue
