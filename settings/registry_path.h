#pragma once
// Registry values named by text paths such as
// "HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run".
// Nothing here reports an error: a failed read gives the marker text "Error", a refused path
// gives nothing (std::nullopt, the empty text once turned into text), a failed write is dropped.
#include <optional>
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace quillet::registry_path {

using platform::IRegistry;
using platform::RegHandle;

// The predefined root handle of a root name (exact, with case), or 0 when there is none.
RegHandle RootKeyFromName(std::u16string_view rootName);

// Splits "ROOT\sub\path": returns the root handle and leaves the subkey path in `path`.
// A path that does not begin with "HKEY_" or that ends in "\" is refused: root 0, path unchanged.
RegHandle SplitKeyPath(std::u16string& path);

std::optional<std::u16string> ReadKeyValue(IRegistry& registry, std::u16string keyPath, std::u16string_view valueName);
void CreateKey(IRegistry& registry, std::u16string keyPath);
void WriteKeyValue(IRegistry& registry, std::u16string keyPath, std::u16string_view valueName,
                   std::u16string_view value);

// The text before its last NUL character; a text without NUL unchanged.
std::optional<std::u16string> StripAtNul(const std::optional<std::u16string>& text);

}  // namespace quillet::registry_path
