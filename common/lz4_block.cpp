#include "common/lz4_block.h"

namespace quillet {

// Each sequence: a token (the literals' count in its high four bits, the match's length less
// four in its low ones; 15 means more follow, a byte at a time, 255 meaning more again), the
// literals, then a two-byte little-endian distance back and the match. The last sequence has
// literals only.
std::optional<std::string> UnpackLz4Block(std::string_view block, std::size_t size) {
  std::string out;
  out.reserve(size);
  std::size_t at = 0;
  auto length = [&](std::size_t count) -> std::optional<std::size_t> {
    if (count < 15) return count;
    for (;;) {
      if (at >= block.size()) return std::nullopt;
      unsigned char more = static_cast<unsigned char>(block[at++]);
      count += more;
      if (count > size) return std::nullopt;
      if (more != 255) return count;
    }
  };
  while (at < block.size()) {
    unsigned token = static_cast<unsigned char>(block[at++]);
    std::optional<std::size_t> literals = length(token >> 4);
    if (!literals || *literals > block.size() - at || *literals > size - out.size()) return std::nullopt;
    out.append(block.substr(at, *literals));
    at += *literals;
    if (at == block.size()) break;  // the last sequence
    if (block.size() - at < 2) return std::nullopt;
    std::size_t distance = static_cast<unsigned char>(block[at]) | static_cast<std::size_t>(static_cast<unsigned char>(block[at + 1])) << 8;
    at += 2;
    std::optional<std::size_t> match = length(token & 15);
    if (!match || distance == 0 || distance > out.size() || *match + 4 > size - out.size()) return std::nullopt;
    for (std::size_t i = 0, from = out.size() - distance; i < *match + 4; ++i) out += out[from + i];
  }
  if (out.size() != size) return std::nullopt;
  return out;
}

}  // namespace quillet
