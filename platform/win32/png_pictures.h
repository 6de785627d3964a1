#pragma once
// Pictures stored in the program as PNG files (raw data resources), decoded by the program itself
// (common/png.h) into device-independent bitmaps: no imaging component and no COM are loaded for
// them, and nothing of a decoder stays once a picture is made.
#include <windows.h>

#include "platform/win32/handles.h"

namespace quillet::platform::win32 {

// The program's PNG resource `id` as a 32-bit top-down DIB section, blue, green, red and an
// opaque fourth byte a pixel; null when it cannot be (the window is then drawn without it).
UniqueBitmap LoadPngPicture(int id);

}  // namespace quillet::platform::win32
