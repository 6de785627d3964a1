#pragma once
// The look-back window's picture of the answers: a child window of its own class that paints the
// day's strip, midnight to midnight, with a tick at each hour (0, 6, 12, 18 and 24 labelled),
// a filled mark at each minute answered and an outlined one at each pop-up left unanswered;
// under it the week's seven thinner strips, each with its label, the oldest first.
//
// It paints in the system's colours only (the window's background and text, the highlight for
// answers), so that a high-contrast scheme shows it as clearly as the rest; every measure follows
// the height of the font its parent gives it (WM_SETFONT), so that it scales with the density;
// each paint is drawn off screen first and copied in one piece, so that it does not flicker.
// It reads left to right in a mirrored window too, as a clock's hours do.
// Its window text is what it shows said in words, for screen readers.
#include <windows.h>

#include <string_view>
#include <vector>

#include "dialogs/look_back_window.h"
#include "platform/win32/window_base.h"

namespace quillet::platform::win32 {

class Win32DayPicture : public Win32Window {
 public:
  // Makes the picture, empty, as the child `id` of `parent`.
  Win32DayPicture(HWND parent, int id);

  // The strips to paint, and what they show in words.
  void Show(const DayStrip& day, const std::vector<DayStrip>& week, std::u16string_view spoken);

 private:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void Paint() const;
  void Draw(HDC dc, const ::RECT& area) const;

  DayStrip day_;
  std::vector<DayStrip> week_;
  bool shown_ = false;    // Show was called: there is something to paint
  HFONT font_ = nullptr;  // the parent's, which it keeps while the picture lives
};

}  // namespace quillet::platform::win32
