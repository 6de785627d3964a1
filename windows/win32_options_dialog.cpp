#include "windows/win32_options_dialog.h"

#include <commctrl.h>

#include <iterator>
#include <utility>

#include "common/failure.h"
#include "platform/win32/library_function.h"
#include "platform/win32/report_list.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_windowing.h"

namespace quillet::platform::win32 {
namespace {

// The window's client area and the controls' places, in twips (15 to the pixel at 96 dpi).
constexpr int kOptionsDialogWidth = 6600, kOptionsDialogHeight = 7845;
constexpr int kOptionsDialogListEntries = 4;
constexpr int kFieldLeft = 1920, kFieldWidth = 4320, kFieldHeight = 315;

// The accounts' list's columns: caption and width in twips (together the list's inside, less a
// scroll bar). The first holds the tick too.
constexpr ReportColumn kAccountColumns[] = {
    {Translatable(u"Kind"), 2160}, {Translatable(u"Server"), 2040}, {Translatable(u"Account name"), 1320}};

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
                              .title = Translatable(u"Quillet Options"),
                              .clientWidth = kOptionsDialogWidth,
                              .clientHeight = kOptionsDialogHeight,
                              .defaultButton = kIdOptionsOk,
                              .visibleListEntries = kOptionsDialogListEntries}) {
  // Children in Tab order, each field after its label so that the label's access key moves to it.
  constexpr DWORD kGroup = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | BS_GROUPBOX;
  constexpr auto kText = TwipsLayout::Fit::kText;

  // The accounts.
  static LibraryFunction<decltype(InitCommonControlsEx)> initCommonControls(L"comctl32.dll", "InitCommonControlsEx");
  INITCOMMONCONTROLSEX listClasses{sizeof listClasses, ICC_LISTVIEW_CLASSES};
  if (!initCommonControls()(&listClasses)) ThrowLastError("InitCommonControlsEx");
  AddChild(WC_STATICW, Tr(u"Accou&nts (lines are posted to the ticked ones):").c_str(), kLabelChild, 0, kIdLabelAccounts,
           {360, 360, 0, 0}, kText);
  list_ = AddChild(WC_LISTVIEWW, L"", kTabStopChild | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER,
                   WS_EX_CLIENTEDGE, kIdAccountsList, {360, 600, 5880, 1440});
  SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP | LVS_EX_CHECKBOXES,
               LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP | LVS_EX_CHECKBOXES);
  InsertReportColumns(list_, kAccountColumns, layout_, app_.Words());
  AddChild(WC_BUTTONW, Tr(u"&Add...").c_str(), kTabStopChild | BS_PUSHBUTTON, 0, kIdAddAccount, {360, 2130, 1215, 375});
  AddChild(WC_BUTTONW, Tr(u"&Edit...").c_str(), kTabStopChild | BS_PUSHBUTTON, 0, kIdEditAccount, {1680, 2130, 1215, 375});
  AddChild(WC_BUTTONW, Tr(u"&Remove").c_str(), kTabStopChild | BS_PUSHBUTTON, 0, kIdRemoveAccount, {3000, 2130, 1215, 375});
  AddChild(WC_BUTTONW, Tr(u"&Test").c_str(), kTabStopChild | BS_PUSHBUTTON, 0, kIdTest, {5025, 2130, 1215, 375});
  serviceMessage_ = std::make_unique<Win32StaticText>(
      AddChild(WC_STATICW, L"", kLabelChild | SS_NOPREFIX, 0, kIdServiceMessage, {360, 2580, 5880, 480}));
  AddChild(WC_BUTTONW, Tr(u"Accounts").c_str(), kGroup, 0, kIdServiceFrame, {120, 120, 6360, 3000});

  // The lines.
  journal_ = std::make_unique<Win32CheckBox>(AddChild(
      WC_BUTTONW, Tr(u"Keep a &journal of my lines").c_str(), kTabStopChild | BS_3STATE, 0, kIdJournal, {360, 3525, 4200, 255}));
  AddChild(WC_BUTTONW, Tr(u"Your lines").c_str(), kGroup, 0, kIdLinesFrame, {120, 3240, 6360, 675});

  // When the scheduled pop-up holds back, and the hotkey for "Post Now".
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_HOTKEY_CLASS};
  InitCommonControlsEx(&classes);
  AddChild(WC_STATICW, Tr(u"&Quiet hours from:").c_str(), kLabelChild, 0, kIdLabelQuietFrom, {360, 4485, 0, 0}, kText);
  quietFrom_ = std::make_unique<Win32EditBox>(AddChild(WC_EDITW, L"", kTabStopChild | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
                                                       kIdQuietFrom, {kFieldLeft, 4440, 780, kFieldHeight}));
  AddChild(WC_STATICW, Tr(u"&until:").c_str(), kLabelChild, 0, kIdLabelQuietTo, {2820, 4485, 0, 0}, kText);
  quietTo_ = std::make_unique<Win32EditBox>(AddChild(WC_EDITW, L"", kTabStopChild | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
                                                     kIdQuietTo, {3300, 4440, 780, kFieldHeight}));
  AddChild(WC_STATICW, Tr(u"HH:MM, 24-hour").c_str(), kLabelChild, 0, kIdQuietHint, {4200, 4485, 2160, 225});
  respectBusy_ = std::make_unique<Win32CheckBox>(
      AddChild(WC_BUTTONW, Tr(u"&Don't pop up while I'm presenting, in a full-screen program, or away").c_str(),
               kTabStopChild | BS_CHECKBOX, 0, kIdRespectBusy, {360, 4905, 6000, 315}));
  holdWhileFullScreen_ = std::make_unique<Win32CheckBox>(
      AddChild(WC_BUTTONW, Tr(u"&Wait while a program fills the screen").c_str(), kTabStopChild | BS_CHECKBOX, 0,
               kIdHoldWhileFullScreen, {360, 5235, 6000, 315}));
  AddChild(WC_STATICW, Tr(u"&Hotkey:").c_str(), kLabelChild, 0, kIdLabelHotkey, {360, 5745, 0, 0}, kText);
  hotkey_ = std::make_unique<Win32HotkeyBox>(
      AddChild(HOTKEY_CLASSW, L"", kTabStopChild, WS_EX_CLIENTEDGE, kIdHotkey, {kFieldLeft, 5700, 2400, kFieldHeight}));
  AddChild(WC_STATICW, Tr(u"for Post Now").c_str(), kLabelChild, 0, kIdHotkeyHint, {4440, 5745, 1920, 225});
  popUpMessage_ = std::make_unique<Win32StaticText>(
      AddChild(WC_STATICW, L"", kLabelChild | SS_NOPREFIX, 0, kIdPopUpMessage, {360, 6135, 6000, 450}));
  AddChild(WC_BUTTONW, Tr(u"Pop-ups").c_str(), kGroup, 0, kIdPopUpFrame, {120, 4035, 6360, 2700});

  // The language, on the buttons' row, its list in line with the fields above.
  AddChild(WC_STATICW, Tr(u"&Language:").c_str(), kLabelChild, 0, kIdLabelLanguage, {360, 6885, 0, 0}, kText);
  language_ = std::make_unique<Win32DropDownList>(AddChild(WC_COMBOBOXW, L"", kTabStopChild | WS_VSCROLL | CBS_DROPDOWNLIST,
                                                           0, kIdLanguage, {kFieldLeft, 6840, 1800, kFieldHeight},
                                                           TwipsLayout::Fit::kDropDown));

  // The update check, on the buttons' row below.
  checkForUpdates_ = std::make_unique<Win32CheckBox>(AddChild(WC_BUTTONW, Tr(u"Tell me when a new &version is out").c_str(),
                                                              kTabStopChild | BS_CHECKBOX, 0, kIdCheckForUpdates,
                                                              {360, 7350, 3360, 255}));

  AddChild(WC_BUTTONW, Tr(u"&OK").c_str(), kTabStopChild | BS_DEFPUSHBUTTON, 0, kIdOptionsOk, {3840, 7290, 1215, 375});
  AddChild(WC_BUTTONW, Tr(u"&Cancel").c_str(), kTabStopChild | BS_PUSHBUTTON, 0, kIdOptionsCancel, {5160, 7290, 1215, 375});

  OnClicked(kIdOptionsOk, [this] { ok_.Click(); });
  OnClicked(kIdOptionsCancel, [this] { cancel_.Click(); });
  OnClicked(kIdTest, [this] { test_.Click(); });
  OnClicked(kIdAddAccount, [this] { add_.Click(); });
  OnClicked(kIdEditAccount, [this] {
    if (SelectedAccount() >= 0) edit_.Click();
  });
  OnClicked(kIdRemoveAccount, [this] { remove_.Click(); });
  OnClicked(kIdJournal, [this] { journal_->Clicked(); });
  OnCommand(kIdQuietFrom, [this](WORD code) { quietFrom_->Notify(code); });
  OnCommand(kIdQuietTo, [this](WORD code) { quietTo_->Notify(code); });
  OnClicked(kIdRespectBusy, [this] { respectBusy_->Clicked(); });
  OnClicked(kIdHoldWhileFullScreen, [this] { holdWhileFullScreen_->Clicked(); });
  OnClicked(kIdCheckForUpdates, [this] { checkForUpdates_->Clicked(); });
  OnNotify(kIdAccountsList, [this](const NMHDR& header) { AccountsListNotified(header); });
  FitTexts();
}

void Win32OptionsView::SetColumnWidths() { SizeReportColumns(list_, kAccountColumns, layout_); }

void Win32OptionsView::ShowAccounts(const std::vector<AccountRow>& rows) {
  SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
  for (int row = 0; row < static_cast<int>(rows.size()); ++row) {
    const AccountRow& account = rows[static_cast<std::size_t>(row)];
    AppendReportRow(list_, {Wide(account.kind), Wide(account.server), Wide(account.name)});
    LVITEMW tick{};
    tick.stateMask = LVIS_STATEIMAGEMASK;
    tick.state = INDEXTOSTATEIMAGEMASK(account.postHere ? 2 : 1);
    SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&tick));
  }
}

std::int32_t Win32OptionsView::SelectedAccount() const {
  return static_cast<std::int32_t>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void Win32OptionsView::SelectAccount(std::int32_t row) { SelectReportRow(list_, row); }

bool Win32OptionsView::AccountTicked(std::int32_t row) const {
  auto state = static_cast<UINT>(SendMessageW(list_, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK));
  return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

std::wstring Win32OptionsView::CellText(int row, int column) const {
  return ReportCellText(list_, row, column);
}

void Win32OptionsView::AccountsListNotified(const NMHDR& header) {
  switch (header.code) {
    case NM_DBLCLK:
      if (reinterpret_cast<const NMITEMACTIVATE&>(header).iItem >= 0 && SelectedAccount() >= 0) edit_.Click();
      break;
    case LVN_KEYDOWN:
      if (reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_DELETE && SelectedAccount() >= 0) remove_.Click();
      break;
    default:
      break;
  }
}

LRESULT Win32OptionsView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  // Enter in the accounts' list edits the selected account; elsewhere it is OK.
  if (message == DM_GETDEFID && GetFocus() == list_) return MAKELRESULT(kIdEditAccount, DC_HASDEFID);
  return Win32DialogWindow::HandleMessage(message, wParam, lParam);
}

void Win32OptionsView::FocusQuietFrom() {
  SetFocus(quietFrom_->hwnd());
  SendMessageW(quietFrom_->hwnd(), EM_SETSEL, 0, -1);
}

void Win32OptionsView::FocusHotkey() { SetFocus(hotkey_->hwnd()); }

bool Win32OptionsView::AskYesNo(std::u16string_view question) { return AskYesNoOver(question, MB_ICONWARNING); }

OptionsViewFactory Win32OptionsViews(Win32Application& app) {
  return [&app]() -> std::unique_ptr<IOptionsView> { return std::make_unique<Win32OptionsView>(app); };
}

}  // namespace quillet::platform::win32
