#include "settings/settings_store.h"

#include "common/codepage.h"
#include "common/convert.h"
#include "common/failure.h"
#include "settings/registry_path.h"

namespace quillet {

std::u16string SettingsStore::ProgramKeyPath() const {
  return u"HKEY_CURRENT_USER\\Software\\Velmora\\" + AppTitle();
}

std::u16string SettingsStore::AppKeyPath() const {
  return subKey_.empty() ? ProgramKeyPath() : ProgramKeyPath() + u"\\" + subKey_;
}

std::u16string SettingsStore::ReadAppValue(std::u16string_view name) {
  auto value = registry_path::StripAtNul(registry_path::ReadKeyValue(registry_, AppKeyPath(), name));
  return value.value_or(std::u16string());
}

// The program's key is made when first written; an account's only when the account is added
// (settings/accounts.h), so that a late write for an account removed meanwhile (a Bluesky
// session, a server's limit) does not bring it back as an account without a server.
void SettingsStore::CreateKeyForWriting() {
  if (subKey_.empty()) registry_path::CreateKey(registry_, AppKeyPath());
}

void SettingsStore::WriteAppValue(std::u16string_view name, std::u16string_view value) {
  CreateKeyForWriting();
  registry_path::WriteKeyValue(registry_, AppKeyPath(), name, value);
}

std::u16string SettingsStore::Get(std::u16string_view name, std::u16string_view defaultValue) {
  std::u16string value = ReadAppValue(name);
  if (value.empty() || value == u"Error") return std::u16string(defaultValue);
  return value;
}

std::optional<std::string> SettingsStore::ReadBytes(std::u16string_view name) {
  std::u16string path = AppKeyPath();
  platform::RegHandle root = registry_path::SplitKeyPath(path);
  platform::RegHandle opened = 0;
  if (root == 0 || registry_.OpenKeyEx(root, ToAnsi(path), 0, platform::kKeyRead, opened) != platform::kErrorSuccess)
    return std::nullopt;
  platform::RegKey key(registry_, opened);
  constexpr std::uint32_t kLargest = 64 * 1024;
  std::string data(kLargest, '\0');
  std::uint32_t length = kLargest;
  std::uint32_t type = platform::kRegBinary;
  if (registry_.QueryValueEx(key.get(), ToAnsi(name), type, reinterpret_cast<std::uint8_t*>(data.data()), length) !=
      platform::kErrorSuccess)
    return std::nullopt;
  data.resize(length);
  return data;
}

void SettingsStore::SaveBytes(std::u16string_view name, std::string_view bytes) {
  CreateKeyForWriting();
  std::u16string path = AppKeyPath();
  platform::RegHandle root = registry_path::SplitKeyPath(path);
  platform::RegHandle opened = 0;
  if (root == 0 || registry_.OpenKeyEx(root, ToAnsi(path), 0, platform::kKeyWrite, opened) != platform::kErrorSuccess)
    throw Failure("the application key cannot be opened for writing");
  platform::RegKey key(registry_, opened);
  if (registry_.SetValueEx(key.get(), ToAnsi(name), platform::kRegBinary,
                           reinterpret_cast<const std::uint8_t*>(bytes.data()),
                           static_cast<std::uint32_t>(bytes.size())) != platform::kErrorSuccess)
    throw Failure("a binary value cannot be stored");
}

void SettingsStore::Delete(std::u16string_view name) {
  std::u16string path = AppKeyPath();
  platform::RegHandle root = registry_path::SplitKeyPath(path);
  platform::RegHandle opened = 0;
  if (root == 0 || registry_.OpenKeyEx(root, ToAnsi(path), 0, platform::kKeyWrite, opened) != platform::kErrorSuccess)
    return;  // no key, no value
  platform::RegKey key(registry_, opened);
  registry_.DeleteValue(key.get(), ToAnsi(name));
}

void SettingsStore::Save(std::u16string_view name, std::u16string_view value) { WriteAppValue(name, value); }

bool SettingsStore::Flag(const FlagSetting& setting) {
  bool onByDefault = setting.defaultValue == u"1";
  std::u16string_view otherDigit = onByDefault ? u"0" : u"1";
  return Get(setting.name, setting.defaultValue) == otherDigit ? !onByDefault : onByDefault;
}

void SettingsStore::SaveFlag(const FlagSetting& setting, bool on) {
  bool onByDefault = setting.defaultValue == u"1";
  if (on == onByDefault) {
    Delete(setting.name);
  } else {
    Save(setting.name, on ? u"1" : u"0");
  }
}

std::int16_t SettingsStore::Number(const NumberSetting& setting) {
  return ToInt16(Get(setting.name, setting.defaultValue));
}

void SettingsStore::SaveNumber(const NumberSetting& setting, long long number) {
  Save(setting.name, DecimalText(number));
}

}  // namespace quillet
