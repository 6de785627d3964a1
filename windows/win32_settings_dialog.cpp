#include "windows/win32_settings_dialog.h"

#include "settings/setting_names.h"

namespace quillet::platform::win32 {
namespace {

// The window's client area and the controls' places, in twips (15 to the pixel at 96 dpi).
constexpr int kSettingsDialogWidth = 4710, kSettingsDialogHeight = 3375;
constexpr int kSettingsDialogListEntries = 12;
constexpr TwipsBox kPanelBox{360, 600, 3975, 1935};
// The buttons' row: OK and Cancel in the middle, or after "Another kind of account..." when it is shown.
constexpr int kSettingsButtonTop = 2880, kSettingsButtonWidth = 1215, kSettingsButtonHeight = 375;
constexpr TwipsBox kOkAlone{1080, kSettingsButtonTop, kSettingsButtonWidth, kSettingsButtonHeight};
constexpr TwipsBox kCancelAlone{2400, kSettingsButtonTop, kSettingsButtonWidth, kSettingsButtonHeight};
constexpr TwipsBox kSetUpAccountBox{120, kSettingsButtonTop, 2160, kSettingsButtonHeight};
constexpr TwipsBox kOkBeside{2370, kSettingsButtonTop, 1050, kSettingsButtonHeight};
constexpr TwipsBox kCancelBeside{3510, kSettingsButtonTop, 1050, kSettingsButtonHeight};

// The rows, in a namespace of their own: the kinds' short names (kLabel, kButton) stay out of the
// file's, which a unity build shares with other views.
namespace settings_rows {
using enum ControlKind;
// On the panel, in Tab order: each label, sized to its text, comes just before its field, so that
// its access key puts the focus there and a screen reader names the field by it.
constexpr ControlRow kPanelRows[] = {
    {kIdLabelUsername, kLabel, Translatable(u"Twitter &Username"), {0, 60, 0, 0}},
    {kIdUsername, kTextBox, {}, {1440, 0, 2535, 315}, kUserName.name},
    {kIdLabelPassword, kLabel, Translatable(u"&Password"), {0, 510, 0, 0}},
    {kIdPassword, kPasswordBox, {}, {1440, 480, 2535, 315}, kPassword.name},
    {kIdLabelInterval, kLabel, Translatable(u"Update &Every"), {0, 1005, 0, 0}},
    {kIdInterval, kDropDownList, {}, {1440, 960, 2535, 315}, kInterval.name},
    {kIdStartup, kThreeStateBox, Translatable(u"&Start Quillet with Windows"), {840, 1560, 3135, 255}, kStartup.name},
    // Never shown and never reachable: disabled, so that its access key does nothing.
    {kIdAddfriend, kThreeStateBox, Translatable(u"&Add Quillet to my \"following\" list"), {840, 1920, 3135, 255},
     kAddFriend.name, ControlShown::kNever},
};
// On the dialog, after the panel. "Another kind of account..." is hidden, disabled and without its
// caption (which would widen the dialog when it does not fit) until the first run shows it; before
// OK in the Tab order, as it reads.
constexpr ControlRow kDialogRows[] = {
    {kIdSetUpAccount, kButton, {}, kSetUpAccountBox, {}, ControlShown::kLater},
    {kIdOk, kDefaultButton, Translatable(u"&OK"), kOkAlone},
    {kIdFrame, kGroup, Translatable(u"Quillet Settings"), {120, 240, 4455, 2415}},
    {kIdCancel, kButton, Translatable(u"&Cancel"), kCancelAlone},
};
}  // namespace settings_rows

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
  layout_.Add(panel_->hwnd(), kPanelBox);
  AddRows(settings_rows::kPanelRows, panel_->hwnd());
  AddRows(settings_rows::kDialogRows);
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
