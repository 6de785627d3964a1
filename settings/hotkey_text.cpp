#include "settings/hotkey_text.h"

#include <array>
#include <utility>

namespace quillet {
namespace {

using platform::KeyCombination;

constexpr std::array<std::pair<std::uint8_t, std::u16string_view>, 4> kModifierNames{{{platform::kModControl, u"Ctrl"},
                                                                                      {platform::kModAlt, u"Alt"},
                                                                                      {platform::kModShift, u"Shift"},
                                                                                      {platform::kModWin, u"Win"}}};

constexpr std::array<std::pair<std::uint8_t, std::u16string_view>, 12> kKeyNames{{{0x13, u"Pause"},
                                                                                  {0x20, u"Space"},
                                                                                  {0x21, u"PageUp"},
                                                                                  {0x22, u"PageDown"},
                                                                                  {0x23, u"End"},
                                                                                  {0x24, u"Home"},
                                                                                  {0x25, u"Left"},
                                                                                  {0x26, u"Up"},
                                                                                  {0x27, u"Right"},
                                                                                  {0x28, u"Down"},
                                                                                  {0x2D, u"Insert"},
                                                                                  {0x2E, u"Delete"}}};

char16_t Upper(char16_t ch) { return ch >= u'a' && ch <= u'z' ? ch - u'a' + u'A' : ch; }

bool SameText(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) return false;
  }
  return true;
}

std::u16string DecimalText(int value) {
  std::u16string text;
  do {
    text.insert(text.begin(), char16_t(u'0' + value % 10));
    value /= 10;
  } while (value > 0);
  return text;
}

std::u16string KeyName(std::uint8_t key) {
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::u16string(1, char16_t(key));
  if (key >= 0x70 && key <= 0x87) return u"F" + DecimalText(key - 0x70 + 1);
  if (key >= 0x60 && key <= 0x69) return u"Num" + DecimalText(key - 0x60);
  for (auto [code, name] : kKeyNames) {
    if (code == key) return std::u16string(name);
  }
  constexpr char16_t kHex[] = u"0123456789ABCDEF";
  return std::u16string(u"0x") + kHex[key >> 4] + kHex[key & 15];
}

// The number in text, all decimal digits, within [low, high]; -1 otherwise.
int NumberIn(std::u16string_view text, int low, int high) {
  if (text.empty() || text.size() > 2) return -1;
  int value = 0;
  for (char16_t ch : text) {
    if (ch < u'0' || ch > u'9') return -1;
    value = value * 10 + (ch - u'0');
  }
  return value >= low && value <= high ? value : -1;
}

int HexDigit(char16_t ch) {
  ch = Upper(ch);
  if (ch >= u'0' && ch <= u'9') return ch - u'0';
  if (ch >= u'A' && ch <= u'F') return ch - u'A' + 10;
  return -1;
}

std::optional<std::uint8_t> ParseKey(std::u16string_view name) {
  if (name.size() == 1) {
    char16_t ch = Upper(name[0]);
    if ((ch >= u'0' && ch <= u'9') || (ch >= u'A' && ch <= u'Z')) return static_cast<std::uint8_t>(ch);
    return std::nullopt;
  }
  if (Upper(name[0]) == u'F' && NumberIn(name.substr(1), 1, 24) > 0)
    return static_cast<std::uint8_t>(0x70 + NumberIn(name.substr(1), 1, 24) - 1);
  if (name.size() > 3 && SameText(name.substr(0, 3), u"Num") && NumberIn(name.substr(3), 0, 9) >= 0 && name.size() == 4)
    return static_cast<std::uint8_t>(0x60 + NumberIn(name.substr(3), 0, 9));
  for (auto [code, keyName] : kKeyNames) {
    if (SameText(name, keyName)) return code;
  }
  if (name.size() == 4 && name[0] == u'0' && Upper(name[1]) == u'X' && HexDigit(name[2]) >= 0 &&
      HexDigit(name[3]) >= 0) {
    int code = HexDigit(name[2]) * 16 + HexDigit(name[3]);
    if (code != 0) return static_cast<std::uint8_t>(code);
  }
  return std::nullopt;
}

}  // namespace

std::u16string HotkeyText(KeyCombination combination) {
  if (combination.key == 0) return u"";
  std::u16string text;
  for (auto [bit, name] : kModifierNames) {
    if (combination.modifiers & bit) text += std::u16string(name) + u"+";
  }
  return text + KeyName(combination.key);
}

std::optional<KeyCombination> ParseHotkey(std::u16string_view text) {
  KeyCombination combination;
  while (true) {
    std::size_t plus = text.find(u'+');
    if (plus == std::u16string_view::npos) break;
    std::u16string_view part = text.substr(0, plus);
    bool known = false;
    for (auto [bit, name] : kModifierNames) {
      if (SameText(part, name) && !(combination.modifiers & bit)) {
        combination.modifiers |= bit;
        known = true;
      }
    }
    if (!known) return std::nullopt;
    text.remove_prefix(plus + 1);
  }
  if (text.empty()) return std::nullopt;
  std::optional<std::uint8_t> key = ParseKey(text);
  if (!key) return std::nullopt;
  combination.key = *key;
  return combination;
}

bool UsableHotkey(KeyCombination combination) {
  return combination.key != 0 &&
         (combination.modifiers & (platform::kModControl | platform::kModAlt | platform::kModWin)) != 0;
}

}  // namespace quillet
