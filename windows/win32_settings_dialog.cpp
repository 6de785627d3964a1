#include "windows/win32_settings_dialog.h"

#include <commctrl.h>

namespace quillet::platform::win32 {
namespace {

// The window's client area and the controls' places, in twips (15 to the pixel at 96 dpi).
constexpr int kSettingsDialogWidth = 4710, kSettingsDialogHeight = 3375;
constexpr int kSettingsDialogListEntries = 12;
// The buttons' row: OK and Cancel in the middle, or after "Another kind of account..." when it is shown.
constexpr int kSettingsButtonTop = 2880, kSettingsButtonWidth = 1215, kSettingsButtonHeight = 375;
constexpr TwipsBox kOkAlone{1080, kSettingsButtonTop, kSettingsButtonWidth, kSettingsButtonHeight};
constexpr TwipsBox kCancelAlone{2400, kSettingsButtonTop, kSettingsButtonWidth, kSettingsButtonHeight};
constexpr TwipsBox kSetUpAccountBox{120, kSettingsButtonTop, 2160, kSettingsButtonHeight};
constexpr TwipsBox kOkBeside{2370, kSettingsButtonTop, 1050, kSettingsButtonHeight};
constexpr TwipsBox kCancelBeside{3510, kSettingsButtonTop, 1050, kSettingsButtonHeight};

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

Win32SettingsView::Win32SettingsView(Win32Application& app)
    : Win32DialogWindow(app, {.windowClass = L"QuilletSettings",
                              .title = Translatable(u"Quillet Settings"),
                              .clientWidth = kSettingsDialogWidth,
                              .clientHeight = kSettingsDialogHeight,
                              .defaultButton = kIdOk,
                              .visibleListEntries = kSettingsDialogListEntries}) {
  // Children in Tab order; the panel with its fields lies above the frame.
  panel_ = std::make_unique<Panel>(hwnd(), kIdPanel);
  layout_.Add(panel_->hwnd(), {360, 600, 3975, 1935});
  HWND panel = panel_->hwnd();
  // Each label, sized to its text in the window's font, comes just before its field: its access
  // key puts the focus there, and a screen reader names the field by it.
  constexpr auto kText = TwipsLayout::Fit::kText;
  AddChild(panel, WC_STATICW, Tr(u"Twitter &Username").c_str(), kLabelChild, 0, kIdLabelUsername, {0, 60, 0, 0}, kText);
  userName_ = std::make_unique<Win32EditBox>(AddChild(panel, WC_EDITW, L"", kTabStopChild | ES_AUTOHSCROLL,
                                                      WS_EX_CLIENTEDGE, kIdUsername, {1440, 0, 2535, 315}));
  AddChild(panel, WC_STATICW, Tr(u"&Password").c_str(), kLabelChild, 0, kIdLabelPassword, {0, 510, 0, 0}, kText);
  password_ =
      std::make_unique<Win32EditBox>(AddChild(panel, WC_EDITW, L"", kTabStopChild | ES_AUTOHSCROLL | ES_PASSWORD,
                                              WS_EX_CLIENTEDGE, kIdPassword, {1440, 480, 2535, 315}));
  SendMessageW(password_->hwnd(), EM_SETPASSWORDCHAR, L'*', 0);
  // The list drops down over the rest of the window: the control's height includes it.
  AddChild(panel, WC_STATICW, Tr(u"Update &Every").c_str(), kLabelChild, 0, kIdLabelInterval, {0, 1005, 0, 0}, kText);
  interval_ = std::make_unique<Win32DropDownList>(
      AddChild(panel, WC_COMBOBOXW, L"", kTabStopChild | WS_VSCROLL | CBS_DROPDOWNLIST, 0, kIdInterval,
               {1440, 960, 2535, 315}, TwipsLayout::Fit::kDropDown));
  startWithWindows_ =
      std::make_unique<Win32CheckBox>(AddChild(panel, WC_BUTTONW, Tr(u"&Start Quillet with Windows").c_str(),
                                               kTabStopChild | BS_3STATE, 0, kIdStartup, {840, 1560, 3135, 255}));
  // Never shown and never reachable: no Tab stop, disabled so that its access key does nothing.
  addFriend_ = std::make_unique<Win32CheckBox>(AddChild(panel, WC_BUTTONW, Tr(u"&Add Quillet to my \"following\" list").c_str(),
                                                        WS_CHILD | WS_DISABLED | WS_CLIPSIBLINGS | BS_3STATE, 0,
                                                        kIdAddfriend, {840, 1920, 3135, 255}));

  // Hidden, disabled and without its caption (which would widen the dialog when it does not fit)
  // until the first run shows it; before OK in the Tab order, as it reads.
  AddChild(hwnd(), WC_BUTTONW, L"",
           WS_CHILD | WS_TABSTOP | WS_DISABLED | WS_CLIPSIBLINGS | BS_PUSHBUTTON, 0, kIdSetUpAccount, kSetUpAccountBox);
  AddChild(hwnd(), WC_BUTTONW, Tr(u"&OK").c_str(), kTabStopChild | BS_DEFPUSHBUTTON, 0, kIdOk, kOkAlone);
  AddChild(hwnd(), WC_BUTTONW, Tr(u"Quillet Settings").c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | BS_GROUPBOX, 0, kIdFrame,
           {120, 240, 4455, 2415});
  AddChild(hwnd(), WC_BUTTONW, Tr(u"&Cancel").c_str(), kTabStopChild | BS_PUSHBUTTON, 0, kIdCancel, kCancelAlone);

  OnClicked(kIdOk, [this] { ok_.Click(); });
  OnClicked(kIdCancel, [this] { cancel_.Click(); });
  OnClicked(kIdSetUpAccount, [this] { setUpAccount_.Click(); });
  OnCommand(kIdUsername, [this](WORD code) { userName_->Notify(code); });
  OnCommand(kIdPassword, [this](WORD code) { password_->Notify(code); });
  OnClicked(kIdStartup, [this] { startWithWindows_->Clicked(); });
  OnClicked(kIdAddfriend, [this] { addFriend_->Clicked(); });
  FitTexts();
}

Win32SettingsView::~Win32SettingsView() = default;

void Win32SettingsView::ShowSetUpAccount() {
  layout_.Move(Control(kIdOk), kOkBeside);
  layout_.Move(Control(kIdCancel), kCancelBeside);
  HWND button = Control(kIdSetUpAccount);
  SetWindowTextW(button, Tr(u"Another &kind of account...").c_str());
  EnableWindow(button, TRUE);
  ShowWindow(button, SW_SHOWNA);
  FitTexts();
}

HWND Win32SettingsView::Control(int id) const {
  HWND found = GetDlgItem(hwnd(), id);
  return found != nullptr ? found : GetDlgItem(panel_->hwnd(), id);
}

SettingsViewFactory Win32SettingsViews(Win32Application& app) {
  return [&app]() -> std::unique_ptr<ISettingsView> { return std::make_unique<Win32SettingsView>(app); };
}

}  // namespace quillet::platform::win32
