#pragma once
// A compiled catalog made in a test, for a language of the test's own.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace quillet::testing {

// A compiled catalog (.mo, little-endian, no hash table) of the given originals and translations.
inline std::string MoOf(const std::vector<std::pair<std::string, std::string>>& entries) {
  std::string mo, strings;
  auto word = [](std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>(value >> (8 * i) & 0xff);
  };
  const auto count = static_cast<std::uint32_t>(entries.size());
  const std::uint32_t stringsAt = 28 + 16 * count;
  word(mo, 0x950412de), word(mo, 0), word(mo, count), word(mo, 28), word(mo, 28 + 8 * count), word(mo, 0), word(mo, 0);
  std::string originals, translations;
  for (int side = 0; side < 2; ++side) {
    for (const auto& entry : entries) {
      const std::string& text = side == 0 ? entry.first : entry.second;
      word(side == 0 ? originals : translations, static_cast<std::uint32_t>(text.size()));
      word(side == 0 ? originals : translations, stringsAt + static_cast<std::uint32_t>(strings.size()));
      strings += text + '\0';
    }
  }
  return mo + originals + translations + strings;
}

}  // namespace quillet::testing
