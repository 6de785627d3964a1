#pragma once
// PNG files decoded to pixels, for the program's own pictures: 8 bits a sample, truecolour with
// or without alpha, not interlaced.
#include <cstdint>
#include <span>
#include <vector>

namespace quillet {

struct PngImage {
  std::uint32_t width = 0, height = 0;
  std::vector<std::uint8_t> rgba;  // four bytes a pixel (red, green, blue, alpha), rows top-down
};

// Throws Failure for a damaged file (its chunks' checks too), a kind of PNG outside the above,
// or a picture over 16384 pixels a side.
PngImage DecodePng(std::span<const std::uint8_t> file);

}  // namespace quillet
