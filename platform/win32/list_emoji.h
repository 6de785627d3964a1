#pragma once
// Emoji and symbols in a report list's cells, drawn as themselves where the system's own text
// drawing shows empty boxes for them. Windows draws a list's text with font fallback, so there
// nothing changes. Elsewhere (Wine's GDI maps a text's 16-bit units one by one, so no code point
// beyond the Basic Multilingual Plane can be drawn through it, and the dialog faces hold no emoji)
// a cell whose text has code points the list's font lacks and an emoji font holds is drawn here:
// those code points with the emoji font through Uniscribe (which decodes surrogate pairs and reads
// the font's own character map), the rest as the system draws it, cut with "..." as the list cuts.
#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/handles.h"

namespace quillet::platform::win32 {

// A stretch of a cell's text (a range of its 16-bit units) and how it is drawn.
struct TextRun {
  enum class Drawn {
    kBySystem,       // in the list's font, as the list draws it
    kWithEmojiFont,  // through Uniscribe in the emoji font
    kNot,            // a variation selector or joiner after an emoji, which neither font has
  };
  std::size_t begin, end;
  Drawn drawn;
};

class ListEmojiPainter {
 public:
  // The faces tried for emoji, the first installed taken: Windows' own, then free ones.
  static constexpr const wchar_t* kEmojiFaces[] = {L"Segoe UI Emoji", L"Segoe UI Symbol", L"Symbola", L"Noto Emoji"};

  explicit ListEmojiPainter(HWND list) : list_(list) {}

  // The answer to the list's NM_CUSTOMDRAW.
  LRESULT CustomDraw(NMLVCUSTOMDRAW& draw);

  // Whether this painter draws cells at all: the system's drawing shows boxes for emoji, and an
  // emoji font is installed. Decided at the first use.
  bool Active(HDC dc);

 private:
  // The runs of `text`, with the list's font selected into `dc`; none when the list draws it
  // all as it is (nothing in it is for the emoji font, or no emoji font is installed).
  std::vector<TextRun> Runs(HDC dc, std::wstring_view text);
  // Draws a cell whole (its background, and its text in `font`), as the list would.
  void DrawCell(HDC dc, int row, int column, const std::wstring& text, const std::vector<TextRun>& runs);
  HFONT ListFont() const;
  // The emoji font at the list's font's height, made again when that changes.
  HFONT EmojiFont();

  HWND list_;
  std::optional<bool> active_;
  std::wstring emojiFace_;
  LONG emojiHeight_ = 0;
  UniqueFont emojiFont_;
};

}  // namespace quillet::platform::win32
