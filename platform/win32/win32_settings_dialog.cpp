#include "platform/win32/win32_settings_dialog.h"

#include <commctrl.h>

#include "common/convert.h"
#include "common/failure.h"
#include "platform/win32/win32_windowing.h"

namespace quillet::platform::win32 {
namespace {

// The window's client area and the controls' places, in twips (15 to the pixel at 96 dpi).
constexpr int kClientWidth = 4710, kClientHeight = 3375;
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kDialogExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
constexpr int kVisibleListEntries = 12;

}  // namespace

// The borderless panel that holds the fields; what its children report goes to the dialog.
class Win32SettingsView::Panel : public Win32Window {
 public:
  Panel(HWND dialog, int id) {
    Create({L"QuilletSettingsPanel", 0, nullptr, nullptr, GetSysColorBrush(COLOR_BTNFACE)}, L"",
           WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, WS_EX_CONTROLPARENT, 0, 0, 0, 0, dialog,
           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
  }
  using Win32Window::hwnd;

 private:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_COMMAND) return SendMessageW(GetParent(hwnd()), message, wParam, lParam);
    return Win32Window::HandleMessage(message, wParam, lParam);
  }
};

// --- controls ---

std::int16_t Win32CheckBox::Value() const { return static_cast<std::int16_t>(SendMessageW(hwnd_, BM_GETCHECK, 0, 0)); }

void Win32CheckBox::SetValue(std::int16_t state) {
  if (state < 0 || state > 2) throw InvalidPropertyValue("check box state");
  SendMessageW(hwnd_, BM_SETCHECK, static_cast<WPARAM>(state), 0);
}

void Win32CheckBox::Clicked() { SetValue(Value() == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED); }

void Win32DropDownList::AddItem(std::u16string_view item) {
  LRESULT added = SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
  if (added == CB_ERR || added == CB_ERRSPACE) throw Failure("CB_ADDSTRING");
}

std::int32_t Win32DropDownList::ListCount() const {
  return static_cast<std::int32_t>(SendMessageW(hwnd_, CB_GETCOUNT, 0, 0));
}

std::u16string Win32DropDownList::List(std::int32_t index) const {
  LRESULT length = SendMessageW(hwnd_, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(hwnd_, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length));
  return FromWide(text);
}

std::int32_t Win32DropDownList::ListIndex() const {
  return static_cast<std::int32_t>(SendMessageW(hwnd_, CB_GETCURSEL, 0, 0));
}

void Win32DropDownList::SetListIndex(std::int32_t index) {
  if (index < -1 || index >= ListCount()) throw InvalidPropertyValue("list position");
  SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

// --- the dialog ---

Win32SettingsView::Win32SettingsView(Win32Application& app) : app_(app), layout_(Dpi()) {
  ::RECT frame{0, 0, Px(kClientWidth), Px(kClientHeight)};
  AdjustWindowRectEx(&frame, kDialogStyle, FALSE, kDialogExStyle);
  Create({L"QuilletSettings", 0, nullptr, nullptr, GetSysColorBrush(COLOR_BTNFACE)}, L"Quillet Settings", kDialogStyle,
         kDialogExStyle, CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top);
  layout_.SetIcons(hwnd());

  // Children in Tab order; the panel with its fields lies above the frame.
  panel_ = std::make_unique<Panel>(hwnd(), kIdPanel);
  layout_.Add(panel_->hwnd(), {360, 600, 3975, 1935});
  HWND panel = panel_->hwnd();
  constexpr DWORD kField = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS;
  userName_ = std::make_unique<Win32EditBox>(
      AddChild(panel, WC_EDITW, L"", kField | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, kIdUsername, {1440, 0, 2535, 315}));
  password_ = std::make_unique<Win32EditBox>(AddChild(panel, WC_EDITW, L"", kField | ES_AUTOHSCROLL | ES_PASSWORD,
                                                      WS_EX_CLIENTEDGE, kIdPassword, {1440, 480, 2535, 315}));
  SendMessageW(password_->hwnd(), EM_SETPASSWORDCHAR, L'*', 0);
  // The list drops down over the rest of the window: the control's height includes it.
  interval_ =
      std::make_unique<Win32DropDownList>(AddChild(panel, WC_COMBOBOXW, L"", kField | WS_VSCROLL | CBS_DROPDOWNLIST, 0,
                                                   kIdInterval, {1440, 960, 2535, 315}, TwipsLayout::Fit::kDropDown));
  startWithWindows_ = std::make_unique<Win32CheckBox>(AddChild(
      panel, WC_BUTTONW, L"&Start Quillet with Windows", kField | BS_3STATE, 0, kIdStartup, {840, 1560, 3135, 255}));
  // Never shown and never reachable: no Tab stop, disabled so that its access key does nothing.
  addFriend_ = std::make_unique<Win32CheckBox>(AddChild(panel, WC_BUTTONW, L"&Add Quillet to my \"following\" list",
                                                        WS_CHILD | WS_DISABLED | WS_CLIPSIBLINGS | BS_3STATE, 0,
                                                        kIdAddfriend, {840, 1920, 3135, 255}));
  // Labels, sized to their text in the window's font.
  constexpr DWORD kLabel = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SS_LEFT;
  constexpr auto kText = TwipsLayout::Fit::kText;
  AddChild(panel, WC_STATICW, L"Update Every", kLabel, 0, kIdLabelInterval, {0, 1005, 0, 0}, kText);
  AddChild(panel, WC_STATICW, L"Password", kLabel, 0, kIdLabelPassword, {0, 510, 0, 0}, kText);
  AddChild(panel, WC_STATICW, L"Twitter Username", kLabel, 0, kIdLabelUsername, {0, 60, 0, 0}, kText);

  constexpr DWORD kButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS;
  AddChild(hwnd(), WC_BUTTONW, L"&OK", kButton | BS_DEFPUSHBUTTON, 0, kIdOk, {1080, 2880, 1215, 375});
  AddChild(hwnd(), WC_BUTTONW, L"Quillet Settings", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | BS_GROUPBOX, 0, kIdFrame,
           {120, 240, 4455, 2415});
  AddChild(hwnd(), WC_BUTTONW, L"&Cancel", kButton | BS_PUSHBUTTON, 0, kIdCancel, {2400, 2880, 1215, 375});
  app_.AddDialog(hwnd());
}

Win32SettingsView::~Win32SettingsView() { app_.RemoveDialog(hwnd()); }

HWND Win32SettingsView::AddChild(HWND parent, const wchar_t* windowClass, const wchar_t* text, DWORD style,
                                 DWORD exStyle, int id, TwipsBox box, TwipsLayout::Fit fit) {
  HWND child = CreateWindowExW(exStyle, windowClass, text, style, 0, 0, 0, 0, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ProgramInstance(), nullptr);
  if (child == nullptr) throw Failure("CreateWindowEx");
  return layout_.Add(child, box, fit, kVisibleListEntries);
}

HWND Win32SettingsView::Control(int id) const {
  HWND found = GetDlgItem(hwnd(), id);
  return found != nullptr ? found : GetDlgItem(panel_->hwnd(), id);
}

void Win32SettingsView::ShowModal(IWindow& owner) {
  closed_ = false;
  app_.RunModal(hwnd(), AsHwnd(owner.Handle()), userName_->hwnd() /* the first in the Tab order */,
                [this] { return closed_; });
}

void Win32SettingsView::Command(WORD id, WORD code) {
  switch (id) {
    case kIdOk:
      if (code == BN_CLICKED) ok_.Click();
      break;
    case kIdCancel:
      if (code == BN_CLICKED) cancel_.Click();
      break;
    case kIdUsername:
      userName_->Notify(code);
      break;
    case kIdPassword:
      password_->Notify(code);
      break;
    case kIdStartup:
      if (code == BN_CLICKED) startWithWindows_->Clicked();
      break;
    case kIdAddfriend:
      if (code == BN_CLICKED) addFriend_->Clicked();
      break;
    default:
      break;
  }
}

LRESULT Win32SettingsView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      Command(LOWORD(wParam), HIWORD(wParam));
      return 0;
    case DM_GETDEFID:
      return MAKELRESULT(kIdOk, DC_HASDEFID);
    case WM_DPICHANGED:  // moved to a monitor of another density, or its density changed
      SetDpi(layout_.Rescale(hwnd(), wParam, lParam, kClientWidth, kClientHeight));
      return 0;
    case WM_CLOSE:  // the close box: like Cancel, nothing is written
      if (onQueryClose_) onQueryClose_();
      Unload();
      return 0;
    case WM_ACTIVATE:
      // Keep the focused field across a switch to another window and back.
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(hwnd(), focus)) lastFocus_ = focus;
      } else if (lastFocus_ != nullptr && IsWindow(lastFocus_)) {
        SetFocus(lastFocus_);
        return 0;
      }
      break;
    default:
      break;
  }
  return Win32Window::HandleMessage(message, wParam, lParam);
}

SettingsViewFactory Win32SettingsViews(Win32Application& app) {
  return [&app]() -> std::unique_ptr<ISettingsView> { return std::make_unique<Win32SettingsView>(app); };
}

}  // namespace quillet::platform::win32
