#include "common/png.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string_view>

#include "common/big_endian.h"
#include "common/crc32.h"
#include "common/failure.h"
#include "common/inflate.h"

namespace quillet {
namespace {

constexpr std::uint32_t kLargestSide = 16384;

[[noreturn]] void Unusable(const char* what, SourcePlace where = SourcePlace::current()) {
  throw Failure(std::string("unusable PNG file: ") + what, where);
}

// The predictor that the Paeth filter chose among left, above and above-left.
int Paeth(int left, int above, int aboveLeft) {
  int p = left + above - aboveLeft;
  int toLeft = std::abs(p - left), toAbove = std::abs(p - above), toAboveLeft = std::abs(p - aboveLeft);
  if (toLeft <= toAbove && toLeft <= toAboveLeft) return left;
  return toAbove <= toAboveLeft ? above : aboveLeft;
}

// Undoes each row's filter in place; `rows` holds every row after its filter byte.
void Unfilter(std::vector<std::uint8_t>& rows, std::size_t rowBytes, std::size_t pixelBytes, std::uint32_t height) {
  std::size_t stride = rowBytes + 1;
  for (std::uint32_t y = 0; y < height; ++y) {
    std::uint8_t* row = rows.data() + y * stride + 1;
    const std::uint8_t* prior = y > 0 ? row - stride : nullptr;
    std::uint8_t filter = row[-1];
    if (filter > 4) Unusable("a row filter of an unknown kind");
    for (std::size_t i = 0; i < rowBytes; ++i) {
      int left = i >= pixelBytes ? row[i - pixelBytes] : 0;
      int above = prior != nullptr ? prior[i] : 0;
      int aboveLeft = prior != nullptr && i >= pixelBytes ? prior[i - pixelBytes] : 0;
      // None, Sub, Up, Average and Paeth: what each filter predicted the byte from.
      const int predictions[] = {0, left, above, (left + above) / 2, Paeth(left, above, aboveLeft)};
      int predicted = predictions[filter];
      row[i] = static_cast<std::uint8_t>(row[i] + predicted);
    }
  }
}

}  // namespace

PngImage DecodePng(std::span<const std::uint8_t> file) {
  constexpr std::array<std::uint8_t, 8> kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (file.size() < kSignature.size() || !std::equal(kSignature.begin(), kSignature.end(), file.begin()))
    Unusable("no PNG signature");

  PngImage image;
  std::size_t pixelBytes = 0;
  std::vector<std::uint8_t> compressed;
  bool ended = false;
  for (std::size_t at = kSignature.size(); !ended;) {
    if (file.size() - at < 12) Unusable("cut short");
    std::uint32_t length = ReadBigEndian32(&file[at]);
    if (length > file.size() - at - 12) Unusable("cut short");
    std::span<const std::uint8_t> typeAndData = file.subspan(at + 4, 4 + length);
    std::string_view checked(reinterpret_cast<const char*>(typeAndData.data()), typeAndData.size());
    if (ReadBigEndian32(&file[at + 8 + length]) != Crc32(checked)) Unusable("a chunk's check does not match");
    std::string_view type = checked.substr(0, 4);
    std::span<const std::uint8_t> data = typeAndData.subspan(4);
    at += 12 + length;

    if (type == "IHDR") {
      if (length != 13) Unusable("a header of the wrong length");
      image.width = ReadBigEndian32(&data[0]);
      image.height = ReadBigEndian32(&data[4]);
      if (image.width == 0 || image.height == 0 || image.width > kLargestSide || image.height > kLargestSide)
        Unusable("a size out of range");
      if (data[8] != 8 || (data[9] != 2 && data[9] != 6) || data[10] != 0 || data[11] != 0 || data[12] != 0)
        Unusable("not 8-bit truecolour without interlacing");
      pixelBytes = data[9] == 6 ? 4 : 3;
    } else if (type == "IDAT") {
      if (pixelBytes == 0) Unusable("data before the header");
      compressed.insert(compressed.end(), data.begin(), data.end());
    } else if (type == "IEND") {
      ended = true;
    } else if ((type[0] & 0x20) == 0) {
      Unusable("a chunk that must be understood and is not");  // others are only extra information
    }
  }
  if (pixelBytes == 0) Unusable("no header");

  std::size_t rowBytes = image.width * pixelBytes;
  std::size_t filteredSize = (rowBytes + 1) * image.height;
  std::vector<std::uint8_t> rows = Inflate(compressed, filteredSize);
  if (rows.size() != filteredSize) Unusable("less data than the picture needs");
  Unfilter(rows, rowBytes, pixelBytes, image.height);

  image.rgba.resize(std::size_t{image.width} * image.height * 4);
  std::uint8_t* out = image.rgba.data();
  for (std::uint32_t y = 0; y < image.height; ++y) {
    const std::uint8_t* in = rows.data() + y * (rowBytes + 1) + 1;
    for (std::uint32_t x = 0; x < image.width; ++x, in += pixelBytes, out += 4) {
      out[0] = in[0];
      out[1] = in[1];
      out[2] = in[2];
      out[3] = pixelBytes == 4 ? in[3] : 0xFF;
    }
  }
  return image;
}

}  // namespace quillet
