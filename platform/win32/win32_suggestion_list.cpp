#include "platform/win32/win32_suggestion_list.h"

#include <algorithm>

#include "platform/win32/win32_error.h"
#include "platform/win32/window_base.h"

namespace quillet::platform::win32 {
namespace {

constexpr int kMostRowsShown = 8;

}  // namespace

Win32SuggestionList::~Win32SuggestionList() {
  if (list_) {
    SetWindowLongPtrW(list_.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
    SetWindowLongPtrW(list_.get(), GWLP_USERDATA, 0);
  }
}

void Win32SuggestionList::Make(HWND box) {
  if (list_) return;
  HWND owner = GetAncestor(box, GA_ROOT);
  DWORD ownerStyle = static_cast<DWORD>(GetWindowLongW(owner, GWL_EXSTYLE));
  DWORD exStyle = WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | (ownerStyle & (WS_EX_TOPMOST | WS_EX_LAYOUTRTL));
  if ((ownerStyle & WS_EX_LAYOUTRTL) != 0) exStyle |= WS_EX_RTLREADING;
  HWND list = CreateWindowExW(exStyle, L"LISTBOX", L"",
                              WS_POPUP | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_HASSTRINGS, 0, 0,
                              0, 0, owner, nullptr, ProgramInstance(), nullptr);
  if (list == nullptr) ThrowLastError("CreateWindowExW");
  list_.reset(list);
  SetWindowLongPtrW(list, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  original_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32SuggestionList::Procedure)));
}

void Win32SuggestionList::Show(const std::vector<std::u16string>& entries, std::int32_t chosen, std::int32_t anchor) {
  HWND box = box_ ? box_() : nullptr;
  if (box == nullptr) return;
  Make(box);
  HWND list = list_.get();
  SendMessageW(list, WM_SETFONT, SendMessageW(box, WM_GETFONT, 0, 0), FALSE);
  if (name) SetWindowTextW(list, Wide(name()).c_str());
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  for (const std::u16string& entry : entries)
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(entry).c_str()));
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  Place(box, anchor, entries);
  InvalidateRect(list, nullptr, TRUE);
  Choose(chosen);
}

void Win32SuggestionList::Place(HWND box, std::int32_t anchor, const std::vector<std::u16string>& entries) {
  auto count = static_cast<int>(entries.size());
  HWND list = list_.get();
  // As wide as the widest entry in the list's font, and the scroll bar when not all rows show.
  int widest = 0;
  {
    HDC dc = GetDC(list);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
    for (const std::u16string& entry : entries) {
      std::wstring text = Wide(entry);
      SIZE size{};
      GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
      widest = std::max(widest, static_cast<int>(size.cx));
    }
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    // Each row as high as the font's tallest glyphs, a CJK fallback's included.
    int rowHeight = static_cast<int>(metrics.tmHeight + metrics.tmExternalLeading) + 2;
    SendMessageW(list, LB_SETITEMHEIGHT, 0, rowHeight);
    widest += 2 * static_cast<int>(metrics.tmAveCharWidth);
  }
  int rows = std::min(count, kMostRowsShown);
  int rowHeight = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
  int frame = 2 * GetSystemMetrics(SM_CYBORDER);
  int width = widest + frame + (count > rows ? GetSystemMetrics(SM_CXVSCROLL) : 0);
  int height = rows * rowHeight + frame;

  // The anchor's place on the screen: its left edge, or its right one when the box is mirrored.
  LRESULT position = SendMessageW(box, EM_POSFROMCHAR, static_cast<WPARAM>(anchor), 0);
  POINT at{static_cast<short>(LOWORD(position)), 0};
  if (position == -1) at.x = 0;
  ::RECT boxPlace{};
  GetWindowRect(box, &boxPlace);
  ClientToScreen(box, &at);
  bool mirrored = (GetWindowLongW(list, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0;
  int left = mirrored ? at.x - width : at.x;
  int top = boxPlace.bottom;

  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoW(MonitorFromWindow(box, MONITOR_DEFAULTTONEAREST), &monitor)) {
    const ::RECT& work = monitor.rcWork;
    width = std::min(width, static_cast<int>(work.right - work.left));
    left = std::clamp(left, static_cast<int>(work.left), static_cast<int>(work.right) - width);
    if (top + height > work.bottom) top = boxPlace.top - height;  // no room below: above the box
  }
  SetWindowPos(list, HWND_TOP, left, top, width, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  // The scroll bar only when some rows are out of sight (the list judged that before its size).
  ShowScrollBar(list, SB_VERT, count > rows);
}

void Win32SuggestionList::Choose(std::int32_t index) {
  if (!list_) return;
  SendMessageW(list_.get(), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  // Told to a screen reader as the list's selection (the box keeps the focus).
  NotifyWinEvent(EVENT_OBJECT_SELECTION, list_.get(), OBJID_CLIENT, index + 1);
}

void Win32SuggestionList::Hide() {
  if (list_) ShowWindow(list_.get(), SW_HIDE);
}

bool Win32SuggestionList::Visible() const { return list_ && IsWindowVisible(list_.get()); }

LRESULT CALLBACK Win32SuggestionList::Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<Win32SuggestionList*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  WNDPROC original = self->original_;
  switch (message) {
    case WM_MOUSEACTIVATE:  // a click picks an entry; the box keeps the focus
      return MA_NOACTIVATE;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      return 0;
    case WM_LBUTTONUP: {
      LRESULT item = SendMessageW(hwnd, LB_ITEMFROMPOINT, 0, lParam);
      if (HIWORD(item) == 0 && self->onPicked_) {
        auto index = static_cast<std::int32_t>(LOWORD(item));
        Guarded([&] { self->onPicked_(index); });
      }
      return 0;
    }
    case WM_NCDESTROY:  // its owner went first
      SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      self->list_.release();
      break;
    default:
      break;
  }
  return CallWindowProcW(original, hwnd, message, wParam, lParam);
}

}  // namespace quillet::platform::win32
