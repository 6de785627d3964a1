#pragma once
// The clipboard as the windows that copy text use it.
#include <windows.h>

#include <string_view>

namespace quillet::platform::win32 {

// Puts the text on the clipboard as Unicode text, replacing what was there; `owner` is the window
// that copies. Another program may hold the clipboard open for a moment: the clipboard is asked
// a few times. Throws Failure when it cannot be had or does not take the text (what was there
// then stays).
void CopyTextToClipboard(HWND owner, std::u16string_view text);

}  // namespace quillet::platform::win32
