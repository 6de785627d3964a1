#pragma once
// Pictures stored in the program as PNG files (raw data resources), decoded by the system's
// imaging component (WIC) into device-independent bitmaps. COM (ole32) is loaded at the first
// decoder and the component only while a decoder lives, so a program that draws no picture
// loads neither.
#include <windows.h>
// windows.h first: the imaging component's header needs its types.
#include <wincodec.h>
#include <wrl/client.h>

#include "platform/win32/com_apartment.h"
#include "platform/win32/handles.h"

namespace quillet::platform::win32 {

class PngDecoder {
 public:
  // Loads ole32 (once), enters a single-threaded apartment and makes the imaging factory; when any of
  // that fails, every Decode gives null.
  PngDecoder();
  ~PngDecoder();
  PngDecoder(const PngDecoder&) = delete;
  PngDecoder& operator=(const PngDecoder&) = delete;

  // The program's PNG resource `id` as a 32-bit top-down DIB section; null when it cannot be.
  UniqueBitmap Decode(int id) const;

 private:
  ComApartment apartment_;  // entered here, left after the factory has gone
  Microsoft::WRL::ComPtr<IWICImagingFactory> factory_;
};

}  // namespace quillet::platform::win32
