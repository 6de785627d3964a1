#include "windows/win32_options_dialog.h"

#include <commctrl.h>

#include <iterator>
#include <utility>

#include "common/failure.h"
#include "platform/win32/library_function.h"
#include "platform/win32/report_list.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_windowing.h"
#include "settings/setting_names.h"

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

// The rows, in a namespace of their own: the kinds' short names (kLabel, kButton) stay out of the
// file's, which a unity build shares with other views.
namespace options_rows {
using enum ControlKind;
// In Tab order, each field after its label so that the label's access key moves to it.
constexpr ControlRow kOptionsRows[] = {
    // The accounts.
    {kIdLabelAccounts, kLabel, Translatable(u"Accou&nts (lines are posted to the ticked ones):"), {360, 360, 0, 0}},
    {kIdAccountsList, kReportList, {}, {360, 600, 5880, 1440}},
    {kIdAddAccount, kButton, Translatable(u"&Add..."), {360, 2130, 1215, 375}},
    {kIdEditAccount, kButton, Translatable(u"&Edit..."), {1680, 2130, 1215, 375}},
    {kIdRemoveAccount, kButton, Translatable(u"&Remove"), {3000, 2130, 1215, 375}},
    {kIdTest, kButton, Translatable(u"&Test"), {5025, 2130, 1215, 375}},
    {kIdServiceMessage, kMessage, {}, {360, 2580, 5880, 480}},
    {kIdServiceFrame, kGroup, Translatable(u"Accounts"), {120, 120, 6360, 3000}},
    // The lines.
    {kIdJournal, kThreeStateBox, Translatable(u"Keep a &journal of my lines"), {360, 3525, 4200, 255}, kJournal.name},
    {kIdLinesFrame, kGroup, Translatable(u"Your lines"), {120, 3240, 6360, 675}},
    // When the scheduled pop-up holds back, and the hotkey for "Post Now".
    {kIdLabelQuietFrom, kLabel, Translatable(u"&Quiet hours from:"), {360, 4485, 0, 0}},
    {kIdQuietFrom, kTextBox, {}, {kFieldLeft, 4440, 780, kFieldHeight}, kQuietFrom.name},
    {kIdLabelQuietTo, kLabel, Translatable(u"&until:"), {2820, 4485, 0, 0}},
    {kIdQuietTo, kTextBox, {}, {3300, 4440, 780, kFieldHeight}, kQuietTo.name},
    {kIdQuietHint, kLabel, Translatable(u"HH:MM, 24-hour"), {4200, 4485, 2160, 225}},
    {kIdRespectBusy, kCheckBox, Translatable(u"&Don't pop up while I'm presenting, in a full-screen program, or away"),
     {360, 4905, 6000, 315}, kRespectBusy.name},
    {kIdHoldWhileFullScreen, kCheckBox, Translatable(u"&Wait while a program fills the screen"), {360, 5235, 6000, 315},
     kHoldWhileFullScreen.name},
    {kIdLabelHotkey, kLabel, Translatable(u"&Hotkey:"), {360, 5745, 0, 0}},
    {kIdHotkey, kHotkey, {}, {kFieldLeft, 5700, 2400, kFieldHeight}, quillet::kHotkey.name},
    {kIdHotkeyHint, kLabel, Translatable(u"for Post Now"), {4440, 5745, 1920, 225}},
    {kIdPopUpMessage, kMessage, {}, {360, 6135, 6000, 450}},
    {kIdPopUpFrame, kGroup, Translatable(u"Pop-ups"), {120, 4035, 6360, 2700}},
    // The language, on the buttons' row, its list in line with the fields above.
    {kIdLabelLanguage, kLabel, Translatable(u"&Language:"), {360, 6885, 0, 0}},
    {kIdLanguage, kDropDownList, {}, {kFieldLeft, 6840, 1800, kFieldHeight}, kLanguage.name},
    // The update check, on the buttons' row below.
    {kIdCheckForUpdates, kCheckBox, Translatable(u"Tell me when a new &version is out"), {360, 7350, 3360, 255},
     kCheckForUpdates.name},
    {kIdOptionsOk, kDefaultButton, Translatable(u"&OK"), {3840, 7290, 1215, 375}},
    {kIdOptionsCancel, kButton, Translatable(u"&Cancel"), {5160, 7290, 1215, 375}},
};
}  // namespace options_rows

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
  // The common controls' classes of the list and the hotkey, before they are made.
  static LibraryFunction<decltype(InitCommonControlsEx)> initCommonControls(L"comctl32.dll", "InitCommonControlsEx");
  INITCOMMONCONTROLSEX listClasses{sizeof listClasses, ICC_LISTVIEW_CLASSES};
  if (!initCommonControls()(&listClasses)) ThrowLastError("InitCommonControlsEx");
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_HOTKEY_CLASS};
  InitCommonControlsEx(&classes);
  AddRows(options_rows::kOptionsRows);
  // The accounts' list: whole rows selected, cut texts shown whole in a tip, a tick in each row.
  list_ = Control(kIdAccountsList);
  SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP | LVS_EX_CHECKBOXES,
               LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP | LVS_EX_CHECKBOXES);
  InsertReportColumns(list_, kAccountColumns, layout_, app_.Words());
  hotkey_ = std::make_unique<Win32HotkeyBox>(Control(kIdHotkey));

  OnClicked(kIdEditAccount, [this] {
    if (SelectedAccount() >= 0) ClicksOf(kIdEditAccount).Click();
  });
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
      if (reinterpret_cast<const NMITEMACTIVATE&>(header).iItem >= 0 && SelectedAccount() >= 0) ClicksOf(kIdEditAccount).Click();
      break;
    case LVN_KEYDOWN:
      if (reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_DELETE && SelectedAccount() >= 0) ClicksOf(kIdRemoveAccount).Click();
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
  SetFocus(Control(kIdQuietFrom));
  SendMessageW(Control(kIdQuietFrom), EM_SETSEL, 0, -1);
}

void Win32OptionsView::FocusHotkey() { SetFocus(hotkey_->hwnd()); }

bool Win32OptionsView::AskYesNo(std::u16string_view question) { return AskYesNoOver(question, MB_ICONWARNING); }

OptionsViewFactory Win32OptionsViews(Win32Application& app) {
  return [&app]() -> std::unique_ptr<IOptionsView> { return std::make_unique<Win32OptionsView>(app); };
}

}  // namespace quillet::platform::win32
