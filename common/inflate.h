#pragma once
// Inflating a zlib stream: the two-byte header, the deflate blocks (stored, fixed and dynamic
// Huffman codes) and the Adler-32 check of what they give.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace quillet {

// The bytes the stream holds. Throws Failure for a damaged or cut-short stream, a preset
// dictionary, or more than `limit` bytes.
std::vector<std::uint8_t> Inflate(std::span<const std::uint8_t> stream, std::size_t limit);

}  // namespace quillet
