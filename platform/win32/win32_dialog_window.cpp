#include "platform/win32/win32_dialog_window.h"

#include "platform/win32/win32_error.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "common/failure.h"
#include "platform/win32/win32_windowing.h"

namespace quillet::platform::win32 {
namespace {

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kDialogExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
// A dialog the person sizes: a sizing border, a maximise box, and its icon in the title bar. It
// clips its children, so that its background is not painted over those that moved.
constexpr DWORD kResizableStyle = kDialogStyle | WS_THICKFRAME | WS_MAXIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kResizableExStyle = WS_EX_CONTROLPARENT;

// How a control of each kind is made.
struct ControlMaking {
  const wchar_t* windowClass;
  DWORD style, exStyle;
  bool tabStop;
  TwipsLayout::Fit fit;
};

ControlMaking MakingOf(const ControlRow& row) {
  using enum ControlKind;
  constexpr auto kBox = TwipsLayout::Fit::kBox;
  switch (row.kind) {
    case kLabel: return {WC_STATICW, SS_LEFT, 0, false, row.box.width == 0 ? TwipsLayout::Fit::kText : kBox};
    case kMessage: return {WC_STATICW, SS_LEFT | SS_NOPREFIX, 0, false, kBox};
    case kTextBox: return {WC_EDITW, ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, true, kBox};
    case kPasswordBox: return {WC_EDITW, ES_AUTOHSCROLL | ES_PASSWORD, WS_EX_CLIENTEDGE, true, kBox};
    case kReadOnlyText:
      return {WC_EDITW, WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, WS_EX_CLIENTEDGE, true, kBox};
    case kReadOnlyLine: return {WC_EDITW, ES_AUTOHSCROLL | ES_READONLY, WS_EX_CLIENTEDGE, true, kBox};
    case kLinesBox:
      return {WC_EDITW, ES_AUTOHSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL, WS_EX_CLIENTEDGE,
              true, kBox};
    // The list drops down over the rest of the window: the control's height includes it.
    case kDropDownList: return {WC_COMBOBOXW, WS_VSCROLL | CBS_DROPDOWNLIST, 0, true, TwipsLayout::Fit::kDropDown};
    case kCheckBox: return {WC_BUTTONW, BS_CHECKBOX, 0, true, kBox};
    case kThreeStateBox: return {WC_BUTTONW, BS_3STATE, 0, true, kBox};
    case kButton: return {WC_BUTTONW, BS_PUSHBUTTON, 0, true, kBox};
    case kDefaultButton: return {WC_BUTTONW, BS_DEFPUSHBUTTON, 0, true, kBox};
    case kGroup: return {WC_BUTTONW, BS_GROUPBOX, 0, false, kBox};
    case kHotkey: return {HOTKEY_CLASSW, 0, WS_EX_CLIENTEDGE, true, kBox};
    case kReportList:
      return {WC_LISTVIEWW, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER, WS_EX_CLIENTEDGE, true, kBox};
  }
  throw Failure("a control of no known kind");
}

}  // namespace

Win32DialogWindow::Win32DialogWindow(Win32Application& app, const Frame& frame)
    : app_(app), layout_(Dpi()), frame_(frame) {
  DWORD style = frame.resizable ? kResizableStyle : kDialogStyle;
  DWORD exStyle = frame.resizable ? kResizableExStyle : kDialogExStyle;
  ::RECT outer{0, 0, Px(frame.resizable ? frame.openClientWidth : frame.clientWidth),
               Px(frame.resizable ? frame.openClientHeight : frame.clientHeight)};
  AdjustWindowRectEx(&outer, style, FALSE, exStyle);
  Create({frame.windowClass, 0, nullptr, nullptr, GetSysColorBrush(COLOR_BTNFACE)}, Tr(frame.title).c_str(), style,
         exStyle, CW_USEDEFAULT, CW_USEDEFAULT, outer.right - outer.left, outer.bottom - outer.top);
  layout_.SetIcons(hwnd());
  app_.AddDialog(hwnd());
}

Win32DialogWindow::~Win32DialogWindow() { app_.RemoveDialog(hwnd()); }

HWND Win32DialogWindow::AddChild(HWND parent, const wchar_t* windowClass, const wchar_t* text, DWORD style,
                                 DWORD exStyle, int id, TwipsBox box, TwipsLayout::Fit fit) {
  HWND child = CreateWindowExW(exStyle, windowClass, text, style, 0, 0, 0, 0, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ProgramInstance(), nullptr);
  if (child == nullptr) ThrowLastError("CreateWindowExW");
  // What the dialogs' boxes hold reads left to right in every language (an address, a name, a
  // password, a time, a key): in a mirrored dialog the box stays unmirrored.
  std::wstring_view kind = windowClass;
  bool readsLeftToRight = kind == L"EDIT" || kind == L"Edit" || kind == L"msctls_hotkey32";
  if (readsLeftToRight && (GetWindowLongW(child, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0)
    SetWindowLongW(child, GWL_EXSTYLE, GetWindowLongW(child, GWL_EXSTYLE) & ~WS_EX_LAYOUTRTL);
  return layout_.Add(child, box, fit, frame_.visibleListEntries);
}

void Win32DialogWindow::AddRows(std::span<const ControlRow> rows, HWND parent) {
  if (parent == nullptr) parent = hwnd();
  for (const ControlRow& row : rows) {
    ControlMaking making = MakingOf(row);
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | making.style;
    if (row.shown == ControlShown::kAlways) style |= WS_VISIBLE;
    if (row.shown != ControlShown::kAlways) style |= WS_DISABLED;
    if (making.tabStop && row.shown != ControlShown::kNever) style |= WS_TABSTOP;
    std::wstring caption = row.caption.empty() ? std::wstring() : Tr(row.caption);
    HWND child = AddChild(parent, making.windowClass, caption.c_str(), style, making.exStyle, row.id, row.box, making.fit);
    const int id = row.id;
    switch (row.kind) {
      case ControlKind::kPasswordBox:
        SendMessageW(child, EM_SETPASSWORDCHAR, L'*', 0);
        [[fallthrough]];
      case ControlKind::kTextBox:
      case ControlKind::kReadOnlyLine:
      case ControlKind::kLinesBox: {
        Win32EditBox& box = textBoxes_.try_emplace(id, child).first->second;
        OnCommand(id, [&box](WORD code) { box.Notify(code); });
        break;
      }
      case ControlKind::kCheckBox:
      case ControlKind::kThreeStateBox: {
        Win32CheckBox& box = checkBoxes_.try_emplace(id, child).first->second;
        OnClicked(id, [&box] { box.Clicked(); });
        break;
      }
      case ControlKind::kButton:
      case ControlKind::kDefaultButton: {
        ClickEvent& clicks = clicks_[id];
        OnClicked(id, [&clicks] { clicks.Click(); });
        break;
      }
      case ControlKind::kDropDownList: dropDowns_.try_emplace(id, child); break;
      case ControlKind::kMessage: messages_.try_emplace(id, child); break;
      default: break;
    }
  }
}

bool Win32DialogWindow::AskYesNoOver(std::u16string_view question, UINT icon) const {
  return MessageBoxW(hwnd(), Wide(question).c_str(), Wide(WindowText(hwnd())).c_str(),
                     MB_YESNO | icon | MB_DEFBUTTON2) == IDYES;
}

void Win32DialogWindow::FitTexts() {
  int width = layout_.FitTexts(frame_.clientWidth);
  ::RECT outer{}, client{};
  GetWindowRect(hwnd(), &outer);
  GetClientRect(hwnd(), &client);
  if (!frame_.resizable) {
    SetWindowPos(hwnd(), nullptr, 0, 0, outer.right - outer.left - client.right + Px(width),
                 outer.bottom - outer.top - client.bottom + Px(frame_.clientHeight),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  } else if (keepPlace_ || IsWindowVisible(hwnd())) {
    SizeClient(client.right, client.bottom);  // the person's size, unless the texts now need more
  } else {
    SizeClient(layout_.PxWide(frame_.openClientWidth), Px(frame_.openClientHeight));
  }
  Rescaled();
}

SIZE Win32DialogWindow::OuterSize(int clientWidth, int clientHeight) const {
  ::RECT outer{0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&outer, static_cast<DWORD>(GetWindowLongW(hwnd(), GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongW(hwnd(), GWL_EXSTYLE)));
  return {outer.right - outer.left, outer.bottom - outer.top};
}

SIZE Win32DialogWindow::MinimumClientSize() const {
  return {layout_.PxWide(frame_.clientWidth), layout_.Px(frame_.clientHeight)};
}

void Win32DialogWindow::SizeClient(int width, int height) {
  if (IsZoomed(hwnd())) return;  // maximised: the size it comes back to is the system's to keep
  SIZE least = MinimumClientSize();
  SIZE outer = OuterSize(std::max<int>(width, least.cx), std::max<int>(height, least.cy));
  SetWindowPos(hwnd(), nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32DialogWindow::ShowModal(IWindow& owner) {
  closed_ = false;
  FitTexts();  // the texts may have been set since the dialog was made
  app_.RunModal(hwnd(), AsHwnd(owner.Handle()), FirstField(), [this] { return closed_; }, !keepPlace_);
}

void Win32DialogWindow::OnClicked(int id, Callback<void()> handler) {
  OnCommand(id, [handler = std::move(handler)](WORD code) {
    if (code == BN_CLICKED) handler();
  });
}

void Win32DialogWindow::OnCommand(int id, Callback<void(WORD code)> handler) { commands_[id] = std::move(handler); }

void Win32DialogWindow::OnNotify(int id, Callback<void(const NMHDR& header)> handler) {
  notifications_[id] = std::move(handler);
}

void Win32DialogWindow::OnCustomDraw(int id, Callback<LRESULT(NMHDR& header)> handler) {
  customDraws_[id] = std::move(handler);
}

void Win32DialogWindow::DrawEmojiIn(int id) {
  ListEmojiPainter& painter = emojiPainters_.try_emplace(id, Control(id)).first->second;
  OnCustomDraw(id, [&painter](NMHDR& header) { return painter.CustomDraw(reinterpret_cast<NMLVCUSTOMDRAW&>(header)); });
}

LRESULT Win32DialogWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (auto command = commands_.find(LOWORD(wParam)); command != commands_.end())
        Guarded([&] { command->second(HIWORD(wParam)); });
      return 0;
    case WM_NOTIFY: {
      auto& header = *reinterpret_cast<NMHDR*>(lParam);
      if (header.code == NM_CUSTOMDRAW) {
        LRESULT answer = CDRF_DODEFAULT;
        if (auto draw = customDraws_.find(static_cast<int>(header.idFrom)); draw != customDraws_.end())
          Guarded([&] { answer = draw->second(header); });
        return answer;
      }
      if (auto notification = notifications_.find(static_cast<int>(header.idFrom)); notification != notifications_.end())
        Guarded([&] { notification->second(header); });
      return 0;
    }
    case WM_DPICHANGED:  // moved to a monitor of another density, or its density changed
      Guarded([&] {
        ::RECT client{};
        GetClientRect(hwnd(), &client);
        int oldDpi = layout_.Dpi();
        SetDpi(layout_.Rescale(hwnd(), wParam, lParam, frame_.clientWidth, frame_.clientHeight));
        // A dialog the person sized keeps its size on the screen: as many inches as before.
        if (frame_.resizable)
          SizeClient(MulDiv(client.right, layout_.Dpi(), oldDpi), MulDiv(client.bottom, layout_.Dpi(), oldDpi));
        Rescaled();
      });
      return 0;
    case WM_GETMINMAXINFO:
      if (frame_.resizable) {
        auto& limits = *reinterpret_cast<MINMAXINFO*>(lParam);
        SIZE least = MinimumClientSize();
        SIZE outer = OuterSize(least.cx, least.cy);
        limits.ptMinTrackSize = {outer.cx, outer.cy};
        // Never less than the least (at a high density it may be more than the screen).
        limits.ptMaxTrackSize.x = std::max<LONG>(limits.ptMaxTrackSize.x, outer.cx);
        limits.ptMaxTrackSize.y = std::max<LONG>(limits.ptMaxTrackSize.y, outer.cy);
        return 0;
      }
      break;
    case DM_GETDEFID:
      return MAKELRESULT(frame_.defaultButton, DC_HASDEFID);
    case WM_NEXTDLGCTL:  // a label's access key
      MoveFocusAsDialog(hwnd(), wParam, lParam);
      return 0;
    case WM_CLOSE:  // the close box: closes whatever its handlers do
      Guarded([&] {
        if (onQueryClose_) onQueryClose_();
        CloseBoxClicked();
      });
      Unload();
      return 0;
    case WM_ACTIVATE:
      // Keep the focused control across a switch to another window and back.
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(hwnd(), focus)) lastFocus_ = focus;
      } else if (lastFocus_ != nullptr && IsWindow(lastFocus_) && IsWindowEnabled(lastFocus_)) {
        SetFocus(lastFocus_);
        return 0;
      }
      break;
    default:
      break;
  }
  return Win32Window::HandleMessage(message, wParam, lParam);
}

}  // namespace quillet::platform::win32
