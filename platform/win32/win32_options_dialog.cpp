#include "platform/win32/win32_options_dialog.h"

#include <commctrl.h>

#include <utility>

#include "common/failure.h"
#include "platform/win32/win32_windowing.h"

namespace quillet::platform::win32 {
namespace {

// The window's client area and the controls' places, in twips (15 to the pixel at 96 dpi).
constexpr int kClientWidth = 6600, kClientHeight = 7065;
constexpr int kVisibleListEntries = 4;
constexpr int kFieldLeft = 1920, kFieldWidth = 4320, kFieldHeight = 315;
constexpr DWORD kField = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS;
constexpr DWORD kButton = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS;

// The hotkey control's modifier flags (HOTKEYF_*) and the combination's (RegisterHotKey's).
constexpr std::pair<BYTE, std::uint8_t> kModifierFlags[] = {
    {HOTKEYF_CONTROL, kModControl}, {HOTKEYF_ALT, kModAlt}, {HOTKEYF_SHIFT, kModShift}};

}  // namespace

Win32HotkeyBox::Win32HotkeyBox(HWND hwnd) : hwnd_(hwnd) {
  // A key alone, or with Shift alone, would be taken from every program: Ctrl+Alt is added.
  SendMessageW(hwnd_, HKM_SETRULES, HKCOMB_NONE | HKCOMB_S, MAKELPARAM(HOTKEYF_CONTROL | HOTKEYF_ALT, 0));
}

KeyCombination Win32HotkeyBox::Shown() const {
  auto value = static_cast<WORD>(SendMessageW(hwnd_, HKM_GETHOTKEY, 0, 0));
  KeyCombination shown{0, LOBYTE(value)};
  for (auto [flag, modifier] : kModifierFlags) {
    if (HIBYTE(value) & flag) shown.modifiers |= modifier;
  }
  return shown;
}

KeyCombination Win32HotkeyBox::Value() const {
  KeyCombination shown = Shown();
  KeyCombination setWithoutWin{static_cast<std::uint8_t>(set_.modifiers & ~kModWin), set_.key};
  return shown == setWithoutWin ? set_ : shown;
}

void Win32HotkeyBox::SetValue(KeyCombination combination) {
  BYTE flags = 0;
  for (auto [flag, modifier] : kModifierFlags) {
    if (combination.modifiers & modifier) flags |= flag;
  }
  SendMessageW(hwnd_, HKM_SETHOTKEY, MAKEWORD(combination.key, flags), 0);
  set_ = combination;
}

Win32OptionsView::Win32OptionsView(Win32Application& app)
    : Win32DialogWindow(app, {.windowClass = L"QuilletOptions",
                              .title = L"Quillet Options",
                              .clientWidth = kClientWidth,
                              .clientHeight = kClientHeight,
                              .defaultButton = kIdOptionsOk,
                              .visibleListEntries = kVisibleListEntries}) {
  // Children in Tab order, each field after its label so that the label's access key moves to it.
  constexpr DWORD kLabel = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | SS_LEFT;
  constexpr DWORD kGroup = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | BS_GROUPBOX;
  constexpr auto kText = TwipsLayout::Fit::kText;

  // The service.
  AddChild(WC_STATICW, L"&Kind of service:", kLabel, 0, kIdLabelApi, {360, 525, 0, 0}, kText);
  api_ = std::make_unique<Win32DropDownList>(AddChild(WC_COMBOBOXW, L"", kField | WS_VSCROLL | CBS_DROPDOWNLIST, 0,
                                                      kIdApi, {kFieldLeft, 480, kFieldWidth, kFieldHeight},
                                                      TwipsLayout::Fit::kDropDown));
  AddChild(WC_STATICW, L"Ser&ver address:", kLabel, 0, kIdLabelServer, {360, 990, 0, 0}, kText);
  server_ = std::make_unique<Win32EditBox>(AddChild(WC_EDITW, L"", kField | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, kIdServer,
                                                    {kFieldLeft, 945, kFieldWidth - 1320, kFieldHeight}));
  signInButton_ = AddChild(WC_BUTTONW, L"Sign &in...", kButton | BS_PUSHBUTTON, 0, kIdSignIn,
                           {kFieldLeft + kFieldWidth - 1230, 930, 1230, 345});
  AddChild(WC_STATICW, L"Access &token:", kLabel, 0, kIdLabelToken, {360, 1410, 0, 0}, kText);
  token_ =
      std::make_unique<Win32EditBox>(AddChild(WC_EDITW, L"", kField | ES_AUTOHSCROLL | ES_PASSWORD, WS_EX_CLIENTEDGE,
                                              kIdToken, {kFieldLeft, 1365, kFieldWidth, kFieldHeight}));
  SendMessageW(token_->hwnd(), EM_SETPASSWORDCHAR, L'*', 0);
  AddChild(WC_STATICW, L"Mastodon: a token from Preferences, Development. Without one: your user name and password.",
           kLabel | SS_NOPREFIX, 0, kIdTokenHint, {kFieldLeft, 1725, kFieldWidth, 420});
  AddChild(WC_BUTTONW, L"T&est", kButton | BS_PUSHBUTTON, 0, kIdTest, {360, 2295, 1215, 375});
  serviceMessage_ = std::make_unique<Win32StaticText>(
      AddChild(WC_STATICW, L"", kLabel | SS_NOPREFIX, 0, kIdServiceMessage, {kFieldLeft, 2250, kFieldWidth, 660}));
  AddChild(WC_BUTTONW, L"Service", kGroup, 0, kIdServiceFrame, {120, 120, 6360, 3000});

  // The lines.
  journal_ = std::make_unique<Win32CheckBox>(
      AddChild(WC_BUTTONW, L"Keep a &journal of my lines", kButton | BS_3STATE, 0, kIdJournal, {360, 3525, 4200, 255}));
  AddChild(WC_BUTTONW, L"Your lines", kGroup, 0, kIdLinesFrame, {120, 3240, 6360, 675});

  // When the scheduled pop-up holds back, and the hotkey for "Post Now".
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_HOTKEY_CLASS};
  InitCommonControlsEx(&classes);
  AddChild(WC_STATICW, L"&Quiet hours from:", kLabel, 0, kIdLabelQuietFrom, {360, 4485, 0, 0}, kText);
  quietFrom_ = std::make_unique<Win32EditBox>(AddChild(WC_EDITW, L"", kField | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
                                                       kIdQuietFrom, {kFieldLeft, 4440, 780, kFieldHeight}));
  AddChild(WC_STATICW, L"&until:", kLabel, 0, kIdLabelQuietTo, {2820, 4485, 0, 0}, kText);
  quietTo_ = std::make_unique<Win32EditBox>(
      AddChild(WC_EDITW, L"", kField | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, kIdQuietTo, {3300, 4440, 780, kFieldHeight}));
  AddChild(WC_STATICW, L"HH:MM, 24-hour", kLabel, 0, kIdQuietHint, {4200, 4485, 2160, 225});
  respectBusy_ = std::make_unique<Win32CheckBox>(
      AddChild(WC_BUTTONW, L"&Don't pop up while I'm presenting, in a full-screen program, or away",
               kButton | BS_CHECKBOX, 0, kIdRespectBusy, {360, 4905, 6000, 315}));
  AddChild(WC_STATICW, L"&Hotkey:", kLabel, 0, kIdLabelHotkey, {360, 5415, 0, 0}, kText);
  hotkey_ = std::make_unique<Win32HotkeyBox>(
      AddChild(HOTKEY_CLASSW, L"", kField, WS_EX_CLIENTEDGE, kIdHotkey, {kFieldLeft, 5370, 2400, kFieldHeight}));
  AddChild(WC_STATICW, L"for Post Now", kLabel, 0, kIdHotkeyHint, {4440, 5415, 1920, 225});
  popUpMessage_ = std::make_unique<Win32StaticText>(
      AddChild(WC_STATICW, L"", kLabel | SS_NOPREFIX, 0, kIdPopUpMessage, {360, 5805, 6000, 450}));
  AddChild(WC_BUTTONW, L"Pop-ups", kGroup, 0, kIdPopUpFrame, {120, 4035, 6360, 2370});

  AddChild(WC_BUTTONW, L"&OK", kButton | BS_DEFPUSHBUTTON, 0, kIdOptionsOk, {3840, 6510, 1215, 375});
  AddChild(WC_BUTTONW, L"&Cancel", kButton | BS_PUSHBUTTON, 0, kIdOptionsCancel, {5160, 6510, 1215, 375});
}

void Win32OptionsView::FocusServer() {
  SetFocus(server_->hwnd());
  SendMessageW(server_->hwnd(), EM_SETSEL, 0, -1);
}

void Win32OptionsView::SetSignInCaption(std::u16string_view caption) {
  SetWindowTextW(signInButton_, Wide(caption).c_str());
}

void Win32OptionsView::FocusQuietFrom() {
  SetFocus(quietFrom_->hwnd());
  SendMessageW(quietFrom_->hwnd(), EM_SETSEL, 0, -1);
}

void Win32OptionsView::FocusHotkey() { SetFocus(hotkey_->hwnd()); }

bool Win32OptionsView::AskYesNo(std::u16string_view question) {
  std::u16string caption = WindowText(hwnd());
  return MessageBoxW(hwnd(), Wide(question).c_str(), Wide(caption).c_str(),
                     MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

void Win32OptionsView::Command(WORD id, WORD code) {
  switch (id) {
    case kIdOptionsOk:
      if (code == BN_CLICKED) ok_.Click();
      break;
    case kIdOptionsCancel:
      if (code == BN_CLICKED) cancel_.Click();
      break;
    case kIdTest:
      if (code == BN_CLICKED) test_.Click();
      break;
    case kIdSignIn:
      if (code == BN_CLICKED) signIn_.Click();
      break;
    case kIdServer:
      server_->Notify(code);
      break;
    case kIdJournal:
      if (code == BN_CLICKED) journal_->Clicked();
      break;
    case kIdToken:
      token_->Notify(code);
      break;
    case kIdQuietFrom:
      quietFrom_->Notify(code);
      break;
    case kIdQuietTo:
      quietTo_->Notify(code);
      break;
    case kIdRespectBusy:
      if (code == BN_CLICKED) respectBusy_->Clicked();
      break;
    default:
      break;
  }
}

OptionsViewFactory Win32OptionsViews(Win32Application& app) {
  return [&app]() -> std::unique_ptr<IOptionsView> { return std::make_unique<Win32OptionsView>(app); };
}

}  // namespace quillet::platform::win32
