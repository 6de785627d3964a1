#include "platform/win32/png_pictures.h"

#include <cstdint>
#include <exception>

#include "common/png.h"
#include "common/trace.h"
#include "platform/win32/window_base.h"

namespace quillet::platform::win32 {

UniqueBitmap LoadPngPicture(int id) {
  HRSRC found = FindResourceW(ProgramInstance(), MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));  // RT_RCDATA
  HGLOBAL loaded = found != nullptr ? LoadResource(ProgramInstance(), found) : nullptr;
  const auto* bytes = loaded != nullptr ? static_cast<const std::uint8_t*>(LockResource(loaded)) : nullptr;
  if (bytes == nullptr) return {};
  try {
    PngImage image = DecodePng({bytes, SizeofResource(ProgramInstance(), found)});
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = static_cast<LONG>(image.width);
    info.bmiHeader.biHeight = -static_cast<LONG>(image.height);  // top-down, as the file's rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pixels = nullptr;
    UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0));
    if (!bitmap || pixels == nullptr) return {};
    auto* out = static_cast<std::uint8_t*>(pixels);
    for (std::size_t i = 0; i < image.rgba.size(); i += 4, out += 4) {
      out[0] = image.rgba[i + 2];
      out[1] = image.rgba[i + 1];
      out[2] = image.rgba[i];
      out[3] = 0xFF;
    }
    return bitmap;
  } catch (const std::exception& failure) {
    TraceSwallowedFailure(SourcePlace::current(), failure);  // a damaged picture, or no memory for it
    return {};
  }
}

}  // namespace quillet::platform::win32
