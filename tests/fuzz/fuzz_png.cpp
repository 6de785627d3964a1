// Any bytes as a PNG file: refused with a Failure, or pixels for exactly its width and height.
#include <cstdlib>

#include "common/failure.h"
#include "common/png.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    quillet::PngImage image = quillet::DecodePng({data, size});
    if (image.rgba.size() != std::size_t{image.width} * image.height * 4) std::abort();
  } catch (const quillet::Failure&) {
  }
  return 0;
}
