#include "windows/win32_day_picture.h"

#include <algorithm>
#include <string>

#include "common/convert.h"
#include "platform/win32/gdi.h"
#include "platform/win32/handles.h"

namespace quillet::platform::win32 {
namespace {

constexpr int kMinutesPerDay = 24 * 60;
constexpr int kLabelledHours[] = {0, 6, 12, 18, 24};

// The strips' time axis: where each minute of the day lies, in pixels.
struct TimeAxis {
  int left, right;
  int X(int minute) const { return left + MulDiv(right - left, std::clamp(minute, 0, kMinutesPerDay), kMinutesPerDay); }
};

// How big each part is drawn: all from the font's height.
struct Measures {
  int line;             // a frame's and a tick's thickness
  int answerWidth;      // a filled mark
  int unansweredWidth;  // an outlined mark: wide enough to show that it is hollow
};

void Fill(HDC dc, ::RECT r, int colour) { FillRect(dc, &r, GetSysColorBrush(colour)); }

// A frame `thickness` pixels wide, inside the rectangle.
void Outline(HDC dc, ::RECT r, int thickness, int colour) {
  for (int i = 0; i < thickness && r.right - r.left > 2 && r.bottom - r.top > 2; ++i) {
    FrameRect(dc, &r, GetSysColorBrush(colour));
    InflateRect(&r, -1, -1);
  }
}

SIZE TextExtent(HDC dc, const std::wstring& text) {
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}

void DrawLabel(HDC dc, const std::u16string& label, ::RECT r) {
  std::wstring text = Wide(label);
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r,
            DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS);
}

// A strip's frame and marks: the unanswered pop-ups first, so that an answer given in the same
// minute shows over its pop-up's outline.
void DrawStrip(HDC dc, const TimeAxis& axis, int top, int bottom, const DayStrip& strip, const Measures& m) {
  Outline(dc, {axis.left, top, axis.right + 1, bottom}, m.line, COLOR_WINDOWTEXT);
  for (bool answered : {false, true}) {
    int width = answered ? m.answerWidth : m.unansweredWidth;
    for (const StripMark& mark : strip.marks) {
      if (mark.answered != answered) continue;
      int left = axis.X(mark.minuteOfDay) - width / 2;
      ::RECT r{left, top + m.line, left + width, bottom - m.line};
      if (answered) {
        Fill(dc, r, COLOR_HIGHLIGHT);
      } else {
        Outline(dc, r, m.line, COLOR_WINDOWTEXT);
      }
    }
  }
}

}  // namespace

Win32DayPicture::Win32DayPicture(HWND parent, int id) {
  Create({.name = L"QuilletDayPicture", .style = CS_HREDRAW | CS_VREDRAW}, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
         WS_EX_CLIENTEDGE, 0, 0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
  auto exStyle = GetWindowLongW(hwnd(), GWL_EXSTYLE);
  if (exStyle & WS_EX_LAYOUTRTL) SetWindowLongW(hwnd(), GWL_EXSTYLE, exStyle & ~WS_EX_LAYOUTRTL);
}

void Win32DayPicture::Show(const DayStrip& day, const std::vector<DayStrip>& week, std::u16string_view spoken) {
  day_ = day;
  week_ = week;
  shown_ = true;
  SetWindowTextW(hwnd(), Wide(spoken).c_str());
  InvalidateRect(hwnd(), nullptr, FALSE);
}

LRESULT Win32DayPicture::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      Paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the paint covers every pixel
    case WM_SETFONT:
      font_ = reinterpret_cast<HFONT>(wParam);
      if (LOWORD(lParam) != 0) InvalidateRect(hwnd(), nullptr, FALSE);
      return 0;
    case WM_GETFONT:
      return reinterpret_cast<LRESULT>(font_);
    default:
      return Win32Window::HandleMessage(message, wParam, lParam);
  }
}

void Win32DayPicture::Paint() const {
  PaintDc paint(hwnd());
  ::RECT area{};
  GetClientRect(hwnd(), &area);
  if (area.right <= 0 || area.bottom <= 0) return;
  UniqueMemoryDc memory = CompatibleDc(paint.get());
  UniqueBitmap bitmap(CreateCompatibleBitmap(paint.get(), area.right, area.bottom));
  if (!memory || !bitmap) {  // no memory for the copy: straight onto the screen
    Draw(paint.get(), area);
    return;
  }
  ScopedSelection drawnInto(memory.get(), bitmap.get());
  Draw(memory.get(), area);
  BitBlt(paint.get(), 0, 0, area.right, area.bottom, memory.get(), 0, 0, SRCCOPY);
}

void Win32DayPicture::Draw(HDC dc, const ::RECT& area) const {
  Fill(dc, area, COLOR_WINDOW);
  if (!shown_) return;
  ScopedSelection font(dc, font_ != nullptr ? static_cast<HGDIOBJ>(font_) : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  const int em = std::max<int>(metrics.tmHeight, 8);
  const int pad = em / 2;
  const Measures m{std::max(1, em / 13), std::max(3, em / 4), std::max(5, em * 2 / 5)};

  // The labels' column, at most a third of the width; the axis leaves room for the "24" under its end.
  int labelWidth = TextExtent(dc, Wide(day_.label)).cx;
  for (const DayStrip& strip : week_) labelWidth = std::max<int>(labelWidth, TextExtent(dc, Wide(strip.label)).cx);
  labelWidth = std::min<int>(labelWidth, area.right / 3);
  TimeAxis axis{pad + labelWidth + pad, area.right - pad - TextExtent(dc, L"24").cx / 2 - 1};
  if (axis.right - axis.left < 24) return;  // too narrow for hours

  // Heights: the day's strip takes a quarter of what the strips share, each day of the week a
  // seventh of the rest, neither more than it reads well at.
  const int longTick = em / 2, shortTick = em / 4;
  int shared = area.bottom - 2 * pad - longTick - em - pad;
  int dayHeight = std::clamp(shared / 4, em, 3 * em);
  int weekRow = std::min((shared - dayHeight) / 7, 2 * em);

  // The day.
  int dayTop = pad, dayBottom = pad + dayHeight;
  DrawLabel(dc, day_.label, {pad, dayTop, pad + labelWidth, dayBottom});
  DrawStrip(dc, axis, dayTop, dayBottom, day_, m);
  for (int hour = 0; hour <= 24; ++hour) {
    int x = axis.X(hour * 60) - m.line / 2;
    Fill(dc, {x, dayBottom, x + m.line, dayBottom + (hour % 6 == 0 ? longTick : shortTick)}, COLOR_WINDOWTEXT);
  }
  for (int hour : kLabelledHours) {
    std::wstring text = Wide(DecimalText(hour));
    int x = axis.X(hour * 60) - TextExtent(dc, text).cx / 2;
    TextOutW(dc, x, dayBottom + longTick, text.c_str(), static_cast<int>(text.size()));
  }

  // The week, a thinner strip a day, with a short tick every six hours.
  int weekTop = dayBottom + longTick + em + pad;
  int thickness = std::max(weekRow * 3 / 5, 2 * m.line + 2);
  for (std::size_t i = 0; i < week_.size() && weekRow > 0; ++i) {
    int rowTop = weekTop + static_cast<int>(i) * weekRow;
    int top = rowTop + (weekRow - thickness) / 2, bottom = top + thickness;
    DrawLabel(dc, week_[i].label, {pad, rowTop, pad + labelWidth, rowTop + weekRow});
    DrawStrip(dc, axis, top, bottom, week_[i], m);
    for (int hour : {6, 12, 18}) {
      int x = axis.X(hour * 60) - m.line / 2;
      Fill(dc, {x, bottom, x + m.line, bottom + std::max(2, shortTick / 2)}, COLOR_WINDOWTEXT);
    }
  }
}

}  // namespace quillet::platform::win32
