#pragma once
// How long a status line may be for a service: a number of characters, or for some services a
// number of graphemes (what a reader sees as one character: "é" typed as e + accent, a flag, a
// family emoji) and also a number of UTF-8 bytes. With several accounts ticked, a line must fit
// every one of them: the smallest of their limits holds.
#include <algorithm>
#include <vector>

namespace quillet {

struct LineLimit {
  int count = 140;               // characters (UTF-16 units), or graphemes when countsGraphemes
  bool countsGraphemes = false;  // count what a reader sees as one character
  int utf8Bytes = 0;             // the most UTF-8 bytes the service takes; 0: no such limit

  friend bool operator==(const LineLimit&, const LineLimit&) = default;
};

// The limit a line must keep to reach every one of `limits` (none: the built-in 140 characters).
// Graphemes are never more than characters, so a grapheme count is kept as such only when every
// limit counts graphemes; otherwise the smaller count applies to characters.
inline LineLimit SmallestLineLimit(const std::vector<LineLimit>& limits) {
  if (limits.empty()) return LineLimit{};
  LineLimit smallest = limits.front();
  for (const LineLimit& limit : limits) {
    smallest.count = std::min(smallest.count, limit.count);
    smallest.countsGraphemes = smallest.countsGraphemes && limit.countsGraphemes;
    if (limit.utf8Bytes > 0)
      smallest.utf8Bytes = smallest.utf8Bytes > 0 ? std::min(smallest.utf8Bytes, limit.utf8Bytes) : limit.utf8Bytes;
  }
  return smallest;
}

}  // namespace quillet
