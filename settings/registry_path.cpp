#include "settings/registry_path.h"

#include <array>
#include <utility>

#include "common/codepage.h"
#include "common/failure.h"
#include "common/steps.h"

namespace quillet::registry_path {
namespace {

constexpr std::uint32_t kBufferLength = 255;

struct RootName {
  std::u16string_view name;
  RegHandle handle;
};
constexpr std::array<RootName, 7> kRoots = {{
    {u"HKEY_CLASSES_ROOT", 0x80000000},
    {u"HKEY_CURRENT_USER", 0x80000001},
    {u"HKEY_LOCAL_MACHINE", 0x80000002},
    {u"HKEY_USERS", 0x80000003},
    {u"HKEY_PERFORMANCE_DATA", 0x80000004},
    {u"HKEY_CURRENT_CONFIG", 0x80000005},
    {u"HKEY_DYN_DATA", 0x80000006},
}};

// Removes spaces (only spaces) from both ends.
std::u16string TrimSpaces(std::u16string text) {
  auto first = text.find_first_not_of(u' ');
  if (first == std::u16string::npos) return {};
  auto last = text.find_last_not_of(u' ');
  return text.substr(first, last - first + 1);
}

}  // namespace

RegHandle RootKeyFromName(std::u16string_view rootName) {
  for (const RootName& root : kRoots) {
    if (root.name == rootName) return root.handle;
  }
  return 0;
}

RegHandle SplitKeyPath(std::u16string& path) {
  auto backslash = path.find(u'\\');
  if (path.substr(0, 5) != u"HKEY_" || (!path.empty() && path.back() == u'\\')) return 0;
  if (backslash == std::u16string::npos) {
    RegHandle root = RootKeyFromName(path);
    path.clear();
    return root;
  }
  RegHandle root = RootKeyFromName(std::u16string_view(path).substr(0, backslash));
  path = path.substr(backslash + 1);
  return root;
}

std::optional<std::u16string> ReadKeyValue(IRegistry& registry, std::u16string keyPath, std::u16string_view valueName) {
  RegHandle root = SplitKeyPath(keyPath);
  if (root == 0) return std::nullopt;

  std::optional<std::u16string> result;
  platform::RegKey key;
  std::int32_t status = -1;
  Step([&] {
    RegHandle opened = 0;
    status = registry.OpenKeyEx(root, ToAnsi(keyPath), 0, platform::kKeyRead, opened);
    if (status == platform::kErrorSuccess) key = platform::RegKey(registry, opened);
  });
  if (status != platform::kErrorSuccess) return u"Error";

  // The query writes the text at the start of a buffer of spaces, with a NUL after it when
  // there is room; the type it reports is not used.
  std::string buffer(kBufferLength, ' ');
  std::uint32_t length = kBufferLength;
  std::uint32_t type = platform::kRegSz;
  status = -1;
  Step([&] {
    status = registry.QueryValueEx(key.get(), ToAnsi(valueName), type, reinterpret_cast<std::uint8_t*>(buffer.data()),
                                   length);
  });
  key.Close();
  if (status != platform::kErrorSuccess) return u"Error";

  // Trim, then drop the NUL that follows the text. A buffer that trims down to nothing has
  // no last character to drop: that step fails and the result stays nothing.
  Step([&] {
    std::u16string trimmed = TrimSpaces(FromAnsi(buffer));
    if (trimmed.empty()) throw Failure("nothing to drop");
    trimmed.pop_back();
    result = std::move(trimmed);
  });
  return StripAtNul(result);
}

void CreateKey(IRegistry& registry, std::u16string keyPath) {
  RegHandle root = SplitKeyPath(keyPath);
  if (root == 0) return;
  Step([&] {
    RegHandle created = 0;
    if (registry.CreateKey(root, ToAnsi(keyPath), created) == platform::kErrorSuccess) {
      registry.CloseKey(created);
    }
  });
}

void WriteKeyValue(IRegistry& registry, std::u16string keyPath, std::u16string_view valueName,
                   std::u16string_view value) {
  RegHandle root = SplitKeyPath(keyPath);
  if (root == 0) return;
  platform::RegKey key;
  Step([&] {
    RegHandle opened = 0;
    if (registry.OpenKeyEx(root, ToAnsi(keyPath), 0, platform::kKeyWrite, opened) == platform::kErrorSuccess) {
      key = platform::RegKey(registry, opened);
    }
  });
  if (!key) return;
  // One byte per character, and no NUL stored after the text.
  Step([&] {
    std::string bytes = ToAnsi(value);
    registry.SetValueEx(key.get(), ToAnsi(valueName), platform::kRegSz,
                        reinterpret_cast<const std::uint8_t*>(bytes.data()), static_cast<std::uint32_t>(value.size()));
  });
  key.Close();
}

std::optional<std::u16string> StripAtNul(const std::optional<std::u16string>& text) {
  if (!text) return text;
  auto lastNul = text->rfind(u'\0');
  if (lastNul == std::u16string::npos) return text;
  return text->substr(0, lastNul);
}

}  // namespace quillet::registry_path
