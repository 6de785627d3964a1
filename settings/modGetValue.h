#pragma once
// The program's settings: named text values under the application key
// HKEY_CURRENT_USER\Software\Velmora\<strAppTitle>. Names match without regard to case.
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace quillet::modGetValue {

// The application key, composed afresh from strAppTitle at every call.
std::u16string AppKeyPath();

std::u16string ReadAppValue(platform::IRegistry& registry, std::u16string_view name);
void WriteAppValue(platform::IRegistry& registry, std::u16string_view name, std::u16string_view value);

// The stored value, or `defaultValue` when it is missing, empty, unreadable or the text "Error".
std::u16string GetValue(platform::IRegistry& registry, std::u16string_view name, std::u16string_view defaultValue);
void SaveValue(platform::IRegistry& registry, std::u16string_view name, std::u16string_view value);

}  // namespace quillet::modGetValue
