#include "platform/win32/twips_layout.h"

#include <cmath>
#include <utility>

#include "common/convert.h"
#include "platform/win32/gdi.h"
#include "platform/win32/win32_application.h"
#include "platform/win32/window_base.h"

namespace quillet::platform::win32 {
namespace {

// A function of user32 that older systems lack; null there.
template <class Function>
Function* User32Function(const char* name) {
  return reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

int MetricForDpi(int metric, int dpi) {
  if (auto forDpi = User32Function<int WINAPI(int, UINT)>("GetSystemMetricsForDpi")) {
    return forDpi(metric, static_cast<UINT>(dpi));
  }
  return MulDiv(GetSystemMetrics(metric), dpi, ScreenDpi());
}

SIZE TextSize(HWND window, HFONT font) {
  std::wstring text = Wide(WindowText(window));
  SIZE size{};
  WindowDc dc(window);
  ScopedSelection selection(dc.get(), font);
  GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
  return size;
}

// A text as the control draws it in one line (an access key's ampersand takes no room), in pixels.
SIZE DrawnTextSize(HWND window, HFONT font) {
  std::wstring text = Wide(WindowText(window));
  if (text.empty()) return {};
  UINT format = DT_CALCRECT | DT_SINGLELINE;
  if (TextRoleOf(window) == TextRole::kLabel && (GetWindowLongW(window, GWL_STYLE) & SS_NOPREFIX)) format |= DT_NOPREFIX;
  ::RECT bounds{0, 0, 0, 0};
  WindowDc dc(window);
  ScopedSelection selection(dc.get(), font);
  DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &bounds, format);
  return {bounds.right - bounds.left, bounds.bottom - bounds.top};
}

int PixelsToTwipsUp(int pixels, int dpi) { return (pixels * 1440 + dpi - 1) / dpi; }

bool ClassIs(HWND window, const wchar_t* name) {
  wchar_t className[32] = {};
  GetClassNameW(window, className, 32);
  return lstrcmpiW(className, name) == 0;
}

}  // namespace

TextRole TextRoleOf(HWND child) {
  auto style = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
  if (ClassIs(child, L"Button")) {
    switch (style & BS_TYPEMASK) {
      case BS_PUSHBUTTON:
      case BS_DEFPUSHBUTTON:
        return TextRole::kButton;
      case BS_CHECKBOX:
      case BS_AUTOCHECKBOX:
      case BS_3STATE:
      case BS_AUTO3STATE:
      case BS_RADIOBUTTON:
      case BS_AUTORADIOBUTTON:
        return TextRole::kCheckBox;
      case BS_GROUPBOX:
        return TextRole::kGroupCaption;
      default:
        return TextRole::kNone;
    }
  }
  if (ClassIs(child, L"Static")) {
    switch (style & SS_TYPEMASK) {
      case SS_LEFT:
      case SS_CENTER:
      case SS_RIGHT:
      case SS_SIMPLE:
      case SS_LEFTNOWORDWRAP:
        return TextRole::kLabel;
      default:
        return TextRole::kNone;
    }
  }
  return TextRole::kNone;
}

namespace {

BOOL CALLBACK CollectChild(HWND child, LPARAM children) {
  reinterpret_cast<std::vector<HWND>*>(children)->push_back(child);
  return TRUE;
}

}  // namespace

std::vector<HWND> ChildWindows(HWND window) {
  std::vector<HWND> children;
  EnumChildWindows(window, CollectChild, reinterpret_cast<LPARAM>(&children));
  return children;
}

std::vector<HWND> ClippedTexts(HWND window, int dpi) {
  std::vector<HWND> clipped;
  for (HWND child : ChildWindows(window)) {
    TextRole role = TextRoleOf(child);
    if (role == TextRole::kNone || !IsWindowVisible(child)) continue;
    auto font = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
    SIZE text = DrawnTextSize(child, font);
    ::RECT client;
    GetClientRect(child, &client);
    if (role == TextRole::kLabel && text.cy > 0 && client.bottom >= 2 * text.cy) {
      // A paragraph: it wraps at the control's width and must not run past its bottom.
      std::wstring words = Wide(WindowText(child));
      ::RECT wrapped{0, 0, client.right, 0};
      WindowDc dc(child);
      ScopedSelection selection(dc.get(), font);
      DrawTextW(dc.get(), words.c_str(), static_cast<int>(words.size()), &wrapped,
                DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL);
      if (wrapped.bottom > client.bottom || wrapped.right > client.right) clipped.push_back(child);
    } else if (text.cx > client.right - TwipsToPixels(TextMarginTwips(role), dpi)) {
      clipped.push_back(child);
    }
  }
  return clipped;
}

int WindowDpi(HWND window) {
  if (auto forWindow = User32Function<UINT WINAPI(HWND)>("GetDpiForWindow")) {
    if (UINT dpi = forWindow(window); dpi > 0) return static_cast<int>(dpi);
  }
  return ScreenDpi();
}

int SmallIconSize(int dpi) { return MetricForDpi(SM_CXSMICON, dpi); }
int LargeIconSize(int dpi) { return MetricForDpi(SM_CXICON, dpi); }

UniqueFont DefaultGuiFont(int dpi) {
  constexpr int kPoints = 8;
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  LOGFONTW font{};
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    font = metrics.lfMessageFont;
  } else {
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
  }
  font.lfHeight = -MulDiv(kPoints, dpi, 72);
  font.lfWidth = 0;
  return UniqueFont(CreateFontIndirectW(&font));
}

TwipsLayout::TwipsLayout(int dpi, FontMaker makeFont) : dpi_(dpi), makeFont_(makeFont), font_(makeFont(dpi)) {}

int TwipsLayout::Px(int twips) const { return TwipsToPixels(twips, dpi_); }

int TwipsLayout::PxWide(int twips) const { return Px(static_cast<int>(std::lround(twips * fitted_.stretch))); }

HWND TwipsLayout::Add(HWND child, TwipsBox box, Fit fit, int listEntries) {
  int container = -1;
  for (std::size_t i = 0; i < children_.size(); ++i)
    if (children_[i].window == GetParent(child)) container = static_cast<int>(i);
  children_.push_back({child, box, fit, listEntries, container});
  SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  Place(children_.back(), box);
  return child;
}

void TwipsLayout::Move(HWND child, TwipsBox box) {
  for (Child& added : children_)
    if (added.window == child) added.box = box;
}

int TwipsLayout::FitTexts(int clientWidthTwips) {
  fitClientWidth_ = clientWidthTwips;
  std::vector<FitChild> measured;
  for (const Child& child : children_) {
    TextRole role = TextRoleOf(child.window);
    SIZE text = DrawnTextSize(child.window, font_.get());
    int width = PixelsToTwipsUp(text.cx, dpi_), height = PixelsToTwipsUp(text.cy, dpi_);
    // A text in a box of two lines or more wraps in it: its width is the box's.
    if (role == TextRole::kLabel && child.fit != Fit::kText && child.box.height >= 2 * height) role = TextRole::kNone;
    measured.push_back({child.container, child.box, role, width, height});
  }
  fitted_ = quillet::FitTexts(measured, clientWidthTwips);
  PlaceAll();
  return fitted_.clientWidth;
}

void TwipsLayout::PlaceAll() const {
  for (std::size_t i = 0; i < children_.size(); ++i)
    Place(children_[i], i < fitted_.boxes.size() ? fitted_.boxes[i] : children_[i].box);
}

// Position and size are each converted, halves to even.
void TwipsLayout::Place(const Child& child, const TwipsBox& box) const {
  constexpr UINT kFlags = SWP_NOZORDER | SWP_NOACTIVATE;
  int left = Px(box.left), top = Px(box.top);
  SIZE size{Px(box.width), Px(box.height)};
  if (child.fit == Fit::kText) size = TextSize(child.window, font_.get());
  SetWindowPos(child.window, nullptr, left, top, size.cx, size.cy, kFlags);
  if (child.fit == Fit::kDropDown) {
    // The box keeps the height its font gives it; the control's height includes the open list.
    LRESULT itemHeight = SendMessageW(child.window, CB_GETITEMHEIGHT, 0, 0);
    ::RECT closed;
    GetWindowRect(child.window, &closed);
    SetWindowPos(child.window, nullptr, 0, 0, closed.right - closed.left,
                 closed.bottom - closed.top + static_cast<int>(itemHeight) * child.listEntries + 2,
                 kFlags | SWP_NOMOVE);
  }
}

void TwipsLayout::SetIcons(HWND window) {
  UniqueIcon small = LoadProgramIcon(SmallIconSize(dpi_));
  UniqueIcon big = LoadProgramIcon(LargeIconSize(dpi_));
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
  smallIcon_ = std::move(small);  // the old ones go once the window no longer uses them
  bigIcon_ = std::move(big);
}

int TwipsLayout::Rescale(HWND window, WPARAM wParam, LPARAM lParam, int clientWidthTwips, int clientHeightTwips) {
  int dpi = HIWORD(wParam);
  if (dpi <= 0) return dpi_;
  dpi_ = dpi;
  UniqueFont font = makeFont_(dpi_);
  // Each child takes the new font before it is measured and placed; the old one goes after.
  for (const Child& child : children_)
    SendMessageW(child.window, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
  std::swap(font_, font);
  if (fitClientWidth_ > 0) {
    clientWidthTwips = FitTexts(fitClientWidth_);
  } else {
    PlaceAll();
  }
  SetIcons(window);

  // The frame as the system draws it now (at the new density on Windows, at the display's under
  // Wine) around the client area of the description.
  const auto* suggested = reinterpret_cast<const ::RECT*>(lParam);
  if (suggested == nullptr) return dpi_;
  ::RECT frame{}, client{};
  GetWindowRect(window, &frame);
  GetClientRect(window, &client);
  int width = frame.right - frame.left - client.right + Px(clientWidthTwips);
  int height = frame.bottom - frame.top - client.bottom + Px(clientHeightTwips);
  SetWindowPos(window, nullptr, suggested->left, suggested->top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(window, nullptr, TRUE);
  return dpi_;
}

}  // namespace quillet::platform::win32
