#include "platform/win32/list_emoji.h"

#include <usp10.h>

#include <algorithm>
#include <cstring>

#include "platform/win32/gdi.h"
#include "platform/win32/library_function.h"
#include "platform/win32/report_list.h"
#include "platform/win32/twips_layout.h"

namespace quillet::platform::win32 {
namespace {

// The room a list leaves each side of a cell's text, in pixels at 96 dpi.
constexpr int kCellMargin = 5;

// Uniscribe, loaded at the first cell that needs it (never on Windows, whose lists draw emoji).
struct Uniscribe {
  LibraryFunction<decltype(ScriptShape)> shape{L"usp10.dll", "ScriptShape"};
  LibraryFunction<decltype(ScriptPlace)> place{L"usp10.dll", "ScriptPlace"};
  LibraryFunction<decltype(ScriptTextOut)> textOut{L"usp10.dll", "ScriptTextOut"};
  LibraryFunction<decltype(ScriptGetFontProperties)> fontProperties{L"usp10.dll", "ScriptGetFontProperties"};
  LibraryFunction<decltype(ScriptFreeCache)> freeCache{L"usp10.dll", "ScriptFreeCache"};
  LibraryFunction<decltype(ScriptItemize)> itemize{L"usp10.dll", "ScriptItemize"};
  LibraryFunction<decltype(ScriptLayout)> layout{L"usp10.dll", "ScriptLayout"};
};
Uniscribe& Usp() {
  static Uniscribe functions;
  return functions;
}

// A script cache (one font's), freed at the end.
class ScriptCache {
 public:
  ScriptCache() = default;
  ScriptCache(const ScriptCache&) = delete;
  ScriptCache& operator=(const ScriptCache&) = delete;
  ~ScriptCache() {
    if (cache_ != nullptr) Usp().freeCache()(&cache_);
  }
  SCRIPT_CACHE* get() { return &cache_; }

 private:
  SCRIPT_CACHE cache_ = nullptr;
};

// A text shaped and placed in the font selected into the device context, without script rules
// (emoji and symbols need none): its glyphs, where they go, and the width of each 16-bit unit
// (a cluster's width on its first unit).
struct Shaped {
  SCRIPT_ANALYSIS analysis{};
  std::vector<WORD> glyphs, clusters;
  std::vector<SCRIPT_VISATTR> attributes;
  std::vector<int> advances, unitWidths;
  std::vector<GOFFSET> offsets;
  WORD defaultGlyph = 0;  // what the font shows for a code point it lacks
};

Shaped Shape(HDC dc, ScriptCache& cache, std::wstring_view text, const SCRIPT_ANALYSIS& analysis = {}) {
  Shaped shaped;
  shaped.analysis = analysis;
  auto length = static_cast<int>(text.size());
  int count = 0;
  for (int capacity = length * 3 / 2 + 16;; capacity *= 2) {
    shaped.glyphs.resize(static_cast<std::size_t>(capacity));
    shaped.attributes.resize(static_cast<std::size_t>(capacity));
    shaped.clusters.resize(text.size());
    HRESULT result = Usp().shape()(dc, cache.get(), text.data(), length, capacity, &shaped.analysis,
                                   shaped.glyphs.data(), shaped.clusters.data(), shaped.attributes.data(), &count);
    if (result == E_OUTOFMEMORY && capacity < 8 * length + 64) continue;
    if (FAILED(result)) count = 0;
    break;
  }
  shaped.glyphs.resize(static_cast<std::size_t>(count));
  shaped.attributes.resize(static_cast<std::size_t>(count));
  shaped.advances.resize(static_cast<std::size_t>(count));
  shaped.offsets.resize(static_cast<std::size_t>(count));
  ABC whole{};
  if (count > 0 && FAILED(Usp().place()(dc, cache.get(), shaped.glyphs.data(), count, shaped.attributes.data(),
                                        &shaped.analysis, shaped.advances.data(), shaped.offsets.data(), &whole)))
    std::fill(shaped.advances.begin(), shaped.advances.end(), 0);
  SCRIPT_FONTPROPERTIES properties{};
  properties.cBytes = sizeof properties;
  if (SUCCEEDED(Usp().fontProperties()(dc, cache.get(), &properties))) shaped.defaultGlyph = properties.wgDefault;
  // Left to right: a cluster's glyphs run from its first glyph to the next cluster's.
  shaped.unitWidths.assign(text.size(), 0);
  for (std::size_t unit = 0; unit < text.size(); ++unit) {
    if (unit > 0 && shaped.clusters[unit] == shaped.clusters[unit - 1]) continue;
    std::size_t next = unit + 1;
    while (next < text.size() && shaped.clusters[next] == shaped.clusters[unit]) ++next;
    WORD last = next < text.size() ? shaped.clusters[next] : static_cast<WORD>(count);
    for (WORD glyph = shaped.clusters[unit]; glyph < last && glyph < count; ++glyph)
      shaped.unitWidths[unit] += shaped.advances[glyph];
  }
  return shaped;
}

// Whether the font selected into `dc` has a glyph for the code point `unit` (one 16-bit unit, or
// a surrogate pair).
bool FontHas(HDC dc, ScriptCache& cache, std::wstring_view unit) {
  if (unit.size() == 1) {
    WORD glyph = 0;
    return GetGlyphIndicesW(dc, unit.data(), 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS) == 1 && glyph != 0xFFFF;
  }
  Shaped shaped = Shape(dc, cache, unit);
  return shaped.glyphs.size() == 1 && shaped.glyphs[0] != shaped.defaultGlyph;
}

// Code points that only change how the one before them looks (variation selectors, the joiner of
// emoji sequences, tags): after an emoji, where neither font has them, they are left out rather
// than drawn as boxes.
bool Ignorable(char32_t code) {
  return (code >= 0xFE00 && code <= 0xFE0F) || code == 0x200D || (code >= 0xE0000 && code <= 0xE007F) ||
         (code >= 0xE0100 && code <= 0xE01EF);
}

std::size_t CodePointLength(std::wstring_view text, std::size_t at) {
  return at + 1 < text.size() && IS_HIGH_SURROGATE(text[at]) && IS_LOW_SURROGATE(text[at + 1]) ? 2 : 1;
}
char32_t CodePointAt(std::wstring_view text, std::size_t at) {
  if (CodePointLength(text, at) == 1) return text[at];
  return 0x10000 + ((static_cast<char32_t>(text[at]) - 0xD800) << 10) + (static_cast<char32_t>(text[at + 1]) - 0xDC00);
}

int CALLBACK FaceFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}
bool FaceInstalled(HDC dc, const wchar_t* face) {
  LOGFONTW wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  wcsncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
  bool found = false;
  EnumFontFamiliesExW(dc, &wanted, &FaceFound, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

// The pixels DrawTextW gives `text` in `font`, black on white.
std::vector<DWORD> SystemDrawing(HFONT font, const wchar_t* text) {
  constexpr int kSide = 64;
  UniqueMemoryDc dc = CompatibleDc(nullptr);
  BITMAPINFO format{};
  format.bmiHeader = {sizeof(BITMAPINFOHEADER), kSide, -kSide, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  UniqueBitmap picture(CreateDIBSection(dc.get(), &format, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!dc || !picture || bits == nullptr) return {};
  ScopedSelection pictureIn(dc.get(), picture.get());
  ScopedSelection fontIn(dc.get(), font);
  ::RECT box{0, 0, kSide, kSide};
  FillRect(dc.get(), &box, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetTextColor(dc.get(), RGB(0, 0, 0));
  SetBkMode(dc.get(), TRANSPARENT);
  DrawTextW(dc.get(), text, -1, &box, DT_SINGLELINE | DT_NOPREFIX);
  GdiFlush();
  const auto* pixels = static_cast<const DWORD*>(bits);
  return {pixels, pixels + kSide * kSide};
}

}  // namespace

HFONT ListEmojiPainter::ListFont() const {
  auto font = reinterpret_cast<HFONT>(SendMessageW(list_, WM_GETFONT, 0, 0));
  return font != nullptr ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

bool ListEmojiPainter::Active(HDC dc) {
  if (active_) return *active_;
  active_ = false;
  for (const wchar_t* face : kEmojiFaces) {
    if (FaceInstalled(dc, face)) {
      emojiFace_ = face;
      break;
    }
  }
  if (emojiFace_.empty()) return false;
  // The system draws emoji itself when one beyond the Basic Multilingual Plane comes out otherwise
  // than a code point no font has.
  std::vector<DWORD> emoji = SystemDrawing(ListFont(), L"\U0001F600");
  std::vector<DWORD> unassigned = SystemDrawing(ListFont(), L"\U0010FFFD");
  active_ = !emoji.empty() && emoji == unassigned;
  return *active_;
}

HFONT ListEmojiPainter::EmojiFont() {
  LOGFONTW listFont{};
  GetObjectW(ListFont(), sizeof listFont, &listFont);
  if (!emojiFont_ || listFont.lfHeight != emojiHeight_) {
    emojiHeight_ = listFont.lfHeight;
    emojiFont_.reset(CreateFontW(listFont.lfHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, listFont.lfQuality, DEFAULT_PITCH,
                                 emojiFace_.c_str()));
  }
  return emojiFont_.get();
}

std::vector<TextRun> ListEmojiPainter::Runs(HDC dc, std::wstring_view text) {
  if (text.empty() || !Active(dc)) return {};
  // Each code point the list's font lacks goes to the emoji font where that has it.
  std::vector<WORD> listGlyphs(text.size());
  if (GetGlyphIndicesW(dc, text.data(), static_cast<int>(text.size()), listGlyphs.data(),
                       GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR)
    return {};
  ScriptCache listCache, emojiCache;
  using enum TextRun::Drawn;
  std::vector<TextRun> runs;
  bool anyEmoji = false;
  HFONT emojiFont = EmojiFont();
  for (std::size_t at = 0; at < text.size();) {
    std::size_t length = CodePointLength(text, at);
    std::wstring_view unit = text.substr(at, length);
    TextRun::Drawn drawn = kBySystem;
    bool lacking = length == 1 ? listGlyphs[at] == 0xFFFF : !FontHas(dc, listCache, unit);
    if (lacking && emojiFont != nullptr) {
      ScopedSelection emojiIn(dc, emojiFont);
      if (FontHas(dc, emojiCache, unit)) {
        drawn = kWithEmojiFont;
      } else if (Ignorable(CodePointAt(text, at)) && !runs.empty() && runs.back().drawn != kBySystem) {
        drawn = kNot;  // an emoji's variation selector or joiner: no box after it
      }
    }
    anyEmoji = anyEmoji || drawn == kWithEmojiFont;
    if (!runs.empty() && runs.back().drawn == drawn) {
      runs.back().end = at + length;
    } else {
      runs.push_back({at, at + length, drawn});
    }
    at += length;
  }
  if (!anyEmoji) return {};
  return runs;
}

void ListEmojiPainter::DrawCell(HDC dc, int row, int column, const std::wstring& text,
                                const std::vector<TextRun>& runs) {
  using enum TextRun::Drawn;
  ::RECT cell{};
  cell.top = column;
  cell.left = LVIR_LABEL;
  if (!SendMessageW(list_, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell))) return;
  // The colours a list without visual styles gives a row: the selection's while it is shown.
  bool selected = (SendMessageW(list_, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) & LVIS_SELECTED) != 0;
  bool focused = GetFocus() == list_;
  bool selectionShown = selected && (focused || (GetWindowLongW(list_, GWL_STYLE) & LVS_SHOWSELALWAYS));
  COLORREF background, ink;
  if (selectionShown) {
    background = GetSysColor(focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
    ink = GetSysColor(focused ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT);
  } else {
    background = static_cast<COLORREF>(SendMessageW(list_, LVM_GETTEXTBKCOLOR, 0, 0));
    if (background == CLR_NONE || background == CLR_DEFAULT)
      background = static_cast<COLORREF>(SendMessageW(list_, LVM_GETBKCOLOR, 0, 0));
    if (background == CLR_NONE || background == CLR_DEFAULT) background = GetSysColor(COLOR_WINDOW);
    ink = static_cast<COLORREF>(SendMessageW(list_, LVM_GETTEXTCOLOR, 0, 0));
    if (ink == CLR_DEFAULT) ink = GetSysColor(COLOR_WINDOWTEXT);
  }
  if (!IsWindowEnabled(list_)) ink = GetSysColor(COLOR_GRAYTEXT);

  int saved = SaveDC(dc);
  // A mirrored list: the cell is drawn in the screen's own left-to-right coordinates, where the
  // pieces' visual order is plain.
  DWORD layout = GetLayout(dc);
  if (layout != GDI_ERROR && (layout & LAYOUT_RTL)) {
    ::RECT client{};
    GetClientRect(list_, &client);
    cell = {client.right - cell.right, cell.top, client.right - cell.left, cell.bottom};
    SetLayout(dc, 0);
  }
  UniqueBrush brush(CreateSolidBrush(background));
  FillRect(dc, &cell, brush.get());
  IntersectClipRect(dc, cell.left, cell.top, cell.right, cell.bottom);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ink);
  SetTextAlign(dc, TA_LEFT | TA_BASELINE | TA_NOUPDATECP);
  HFONT listFont = ListFont(), emojiFont = EmojiFont();
  SelectObject(dc, listFont);
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);

  // Each unit's width and how it is drawn: the list's font's extents, the emoji font's glyphs.
  ScriptCache emojiCache;
  std::vector<int> widths(text.size(), 0);
  std::vector<TextRun::Drawn> drawn(text.size(), kBySystem);
  for (const TextRun& run : runs) {
    std::wstring_view part = std::wstring_view(text).substr(run.begin, run.end - run.begin);
    std::fill(drawn.begin() + static_cast<std::ptrdiff_t>(run.begin), drawn.begin() + static_cast<std::ptrdiff_t>(run.end),
              run.drawn);
    if (run.drawn == kNot) continue;
    if (run.drawn == kWithEmojiFont) {
      SelectObject(dc, emojiFont);
      Shaped shaped = Shape(dc, emojiCache, part);
      std::copy(shaped.unitWidths.begin(), shaped.unitWidths.end(), widths.begin() + static_cast<std::ptrdiff_t>(run.begin));
      SelectObject(dc, listFont);
    } else {
      std::vector<int> extents(part.size());
      SIZE whole{};
      GetTextExtentExPointW(dc, part.data(), static_cast<int>(part.size()), 0, nullptr, extents.data(), &whole);
      for (std::size_t unit = 0; unit < part.size(); ++unit)
        widths[run.begin + unit] = extents[unit] - (unit > 0 ? extents[unit - 1] : 0);
    }
  }
  // Cut at the last code point that leaves room for "...", as the list cuts its cells.
  int margin = MulDiv(kCellMargin, WindowDpi(list_), 96);
  int room = cell.right - cell.left - 2 * margin;
  int total = 0;
  for (int width : widths) total += width;
  std::wstring shown = text;
  if (total > room) {
    SIZE ellipsis{};
    GetTextExtentPoint32W(dc, L"...", 3, &ellipsis);
    std::size_t kept = 0;
    total = ellipsis.cx;
    for (; kept < text.size();) {
      std::size_t length = CodePointLength(text, kept);
      int width = widths[kept] + (length == 2 ? widths[kept + 1] : 0);
      if (total + width > room) break;
      total += width;
      kept += length;
    }
    shown = text.substr(0, kept) + L"...";
    widths.resize(kept);
    widths.insert(widths.end(), {ellipsis.cx, 0, 0});
    drawn.resize(kept);
    drawn.insert(drawn.end(), 3, kBySystem);
  }

  // The pieces: the bidirectional algorithm's items (right to left in a mirrored list), each cut
  // where the font changes; drawn in their visual order.
  bool rightToLeft = layout != GDI_ERROR && (layout & LAYOUT_RTL);
  struct Piece {
    std::size_t begin, end;
    SCRIPT_ANALYSIS analysis;
  };
  std::vector<Piece> pieces;
  std::vector<SCRIPT_ITEM> items(shown.size() + 2);
  SCRIPT_CONTROL control{};
  SCRIPT_STATE state{};
  state.uBidiLevel = rightToLeft ? 1 : 0;
  int itemCount = 0;
  if (FAILED(Usp().itemize()(shown.data(), static_cast<int>(shown.size()), static_cast<int>(items.size()) - 1, &control,
                             &state, items.data(), &itemCount))) {
    itemCount = 1;
    items[0] = {0, {}};
    items[0].a.s.uBidiLevel = state.uBidiLevel;
    items[1].iCharPos = static_cast<int>(shown.size());
  }
  for (int item = 0; item < itemCount; ++item) {
    auto begin = static_cast<std::size_t>(items[item].iCharPos);
    auto end = static_cast<std::size_t>(items[item + 1].iCharPos);
    for (std::size_t at = begin; at < end; ++at)
      if (at == begin || drawn[at] != drawn[at - 1]) pieces.push_back({at, at + 1, items[item].a});
      else pieces.back().end = at + 1;
  }
  std::vector<BYTE> levels;
  for (const Piece& piece : pieces) levels.push_back(static_cast<BYTE>(piece.analysis.s.uBidiLevel));
  std::vector<int> visualOrder(pieces.size());
  for (std::size_t at = 0; at < pieces.size(); ++at) visualOrder[at] = static_cast<int>(at);
  if (!pieces.empty()) Usp().layout()(static_cast<int>(pieces.size()), levels.data(), visualOrder.data(), nullptr);

  int x = rightToLeft ? cell.right - margin - total : cell.left + margin;
  int baseline = cell.top + (cell.bottom - cell.top - metrics.tmHeight) / 2 + metrics.tmAscent;
  for (int at : visualOrder) {
    const Piece& piece = pieces[static_cast<std::size_t>(at)];
    std::wstring_view part = std::wstring_view(shown).substr(piece.begin, piece.end - piece.begin);
    if (drawn[piece.begin] == kWithEmojiFont) {
      SelectObject(dc, emojiFont);
      ScriptCache cache;
      Shaped shaped = Shape(dc, cache, part, piece.analysis);
      if (!shaped.glyphs.empty())
        Usp().textOut()(dc, cache.get(), x, baseline, 0, nullptr, &shaped.analysis, nullptr, 0, shaped.glyphs.data(),
                        static_cast<int>(shaped.glyphs.size()), shaped.advances.data(), nullptr, shaped.offsets.data());
      SelectObject(dc, listFont);
    } else if (drawn[piece.begin] == kBySystem) {
      ExtTextOutW(dc, x, baseline, (piece.analysis.s.uBidiLevel & 1) ? ETO_RTLREADING : 0, nullptr, part.data(),
                  static_cast<UINT>(part.size()), nullptr);
    }
    for (std::size_t unit = piece.begin; unit < piece.end; ++unit) x += widths[unit];
  }
  if (rightToLeft) SetLayout(dc, layout);
  RestoreDC(dc, saved);
}

LRESULT ListEmojiPainter::CustomDraw(NMLVCUSTOMDRAW& draw) {
  switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
      return Active(draw.nmcd.hdc) ? CDRF_NOTIFYITEMDRAW : CDRF_DODEFAULT;
    case CDDS_ITEMPREPAINT:
      return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
      auto row = static_cast<int>(draw.nmcd.dwItemSpec);
      std::wstring text = ReportCellText(list_, row, draw.iSubItem);
      std::vector<TextRun> runs;
      {
        ScopedSelection fontIn(draw.nmcd.hdc, ListFont());
        runs = Runs(draw.nmcd.hdc, text);
      }
      if (runs.empty()) return CDRF_DODEFAULT;
      DrawCell(draw.nmcd.hdc, row, draw.iSubItem, text, runs);
      return CDRF_SKIPDEFAULT;
    }
    default:
      return CDRF_DODEFAULT;
  }
}

}  // namespace quillet::platform::win32
