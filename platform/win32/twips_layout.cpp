#include "platform/win32/twips_layout.h"

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

}  // namespace

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
  LOGFONTW font{};
  GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
  font.lfHeight = -MulDiv(kPoints, dpi, 72);
  font.lfWidth = 0;
  return UniqueFont(CreateFontIndirectW(&font));
}

TwipsLayout::TwipsLayout(int dpi, FontMaker makeFont) : dpi_(dpi), makeFont_(makeFont), font_(makeFont(dpi)) {}

int TwipsLayout::Px(int twips) const { return TwipsToPixels(twips, dpi_); }

HWND TwipsLayout::Add(HWND child, TwipsBox box, Fit fit, int listEntries) {
  children_.push_back({child, box, fit, listEntries});
  SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
  Place(children_.back());
  return child;
}

// Position and size are each converted, halves to even.
void TwipsLayout::Place(const Child& child) const {
  constexpr UINT kFlags = SWP_NOZORDER | SWP_NOACTIVATE;
  int left = Px(child.box.left), top = Px(child.box.top);
  SIZE size{Px(child.box.width), Px(child.box.height)};
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
  for (const Child& child : children_) Place(child);
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
