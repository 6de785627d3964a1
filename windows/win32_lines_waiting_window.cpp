#include "windows/win32_lines_waiting_window.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>
#include <utility>

#include "common/failure.h"
#include "platform/win32/clipboard.h"
#include "platform/win32/library_function.h"
#include "platform/win32/report_list.h"
#include "platform/win32/win32_windowing.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/window_base.h"

namespace quillet::platform::win32 {
namespace {

// The window's client area and the controls' places, in twips (15 to the pixel at 96 dpi). The
// details' box holds eleven lines of the dialog font: a line of 140 wide letters and a long reason
// fit whole; anything longer scrolls.
constexpr int kLinesWindowWidth = 8400, kLinesWindowHeight = 6345;
constexpr TwipsBox kListBox{120, 375, 8160, 2760};
constexpr TwipsBox kDetailsBox{120, 3480, 8160, 2250};
constexpr int kButtonTop = 5850, kButtonWidth = 1215, kButtonHeight = 375;
// The widest a tip grows before it wraps its text.
constexpr int kTipWidth = 6000;
// What a cell draws around its text (a list view's margins, in pixels at 96 dpi).
constexpr int kCellMargin = 12;

// The details' lines after the line itself, each a name and its value.
constexpr const char16_t* kDetailNames[] = {Translatable(u"State: %1"), Translatable(u"Account: %1"),
                                             Translatable(u"Confirmed: %1"), Translatable(u"Last tried: %1"),
                                             Translatable(u"Next try: %1")};

// The list's columns: caption and width in twips (together the list's inside, less a scroll bar).
constexpr ReportColumn kColumns[] = {{Translatable(u"Line"), 2640},
                                     {Translatable(u"State"), 2040},
                                     {Translatable(u"Confirmed"), 1440},
                                     {Translatable(u"Account"), 1680}};

// The line buttons, which EnableLineActions enables and disables together.
constexpr int kLineButtons[] = {kIdSendAgain, kIdEditLine, kIdRemoveLine, kIdCopyLine};

// The rows, in a namespace of their own: the kinds' short names (kLabel, kButton) stay out of the
// file's, which a unity build shares with other views.
namespace lines_waiting_rows {
using enum ControlKind;
// In Tab order, the list and the details each after its label so that the label's access key
// moves to it; the details show the selected line whole.
constexpr ControlRow kRows[] = {
    {kIdLinesLabel, kLabel, Translatable(u"&Lines:"), {120, 120, 0, 0}},
    {kIdLinesList, kReportList, {}, kListBox},
    {kIdDetailsLabel, kLabel, Translatable(u"&Details:"), {120, 3225, 0, 0}},
    {kIdDetails, kReadOnlyText, {}, kDetailsBox},
    {kIdSendAgain, kButton, Translatable(u"&Send again"), {120, kButtonTop, kButtonWidth, kButtonHeight}},
    {kIdEditLine, kDefaultButton, Translatable(u"&Edit"), {1440, kButtonTop, kButtonWidth, kButtonHeight}},
    {kIdRemoveLine, kButton, Translatable(u"&Remove"), {2760, kButtonTop, kButtonWidth, kButtonHeight}},
    {kIdCopyLine, kButton, Translatable(u"&Copy"), {4080, kButtonTop, kButtonWidth, kButtonHeight}},
    {kIdLinesClose, kButton, Translatable(u"Cl&ose"), {7065, kButtonTop, kButtonWidth, kButtonHeight}},
};
}  // namespace lines_waiting_rows

}  // namespace

std::wstring ShownLine(std::u16string_view line) {
  std::wstring shown;
  shown.reserve(line.size());
  for (std::size_t i = 0; i < line.size(); ++i) {
    char16_t ch = line[i];
    if (ch == u'\r' || ch == u'\n') {
      if (ch == u'\r' && i + 1 < line.size() && line[i + 1] == u'\n') ++i;
      shown += L' ';
    } else if (ch < 0x20 || ch == 0x7F) {
      shown += L' ';
    } else {
      shown += static_cast<wchar_t>(ch);
    }
  }
  return shown;
}

std::wstring DetailsText(const WaitingLineDetails& details, const Catalog& words) {
  std::wstring text;
  const std::u16string& line = details.line;
  for (std::size_t i = 0; i < line.size(); ++i) {
    char16_t ch = line[i];
    if (ch == u'\r' || ch == u'\n') {
      if (ch == u'\r' && i + 1 < line.size() && line[i + 1] == u'\n') ++i;
      text += L"\r\n";
    } else if ((ch < 0x20 && ch != u'\t') || ch == 0x7F) {
      text += L' ';
    } else {
      text += static_cast<wchar_t>(ch);
    }
  }
  text += L"\r\n";
  const std::u16string* values[] = {&details.state, &details.account, &details.confirmed, &details.lastTried,
                                    &details.nextTry};
  for (std::size_t at = 0; at < std::size(values); ++at)
    text += L"\r\n" + Wide(FillIn(words.Tr(kDetailNames[at]), {*values[at]}));
  return text;
}

Win32LinesWaitingView::Win32LinesWaitingView(Win32Application& app)
    : Win32DialogWindow(app, {.windowClass = L"QuilletLinesWaiting",
                              .title = Translatable(u"Quillet: lines waiting"),
                              .clientWidth = kLinesWindowWidth,
                              .clientHeight = kLinesWindowHeight,
                              .defaultButton = kIdEditLine}) {
  // The list view's class, registered by the common controls (loaded at their first use).
  static LibraryFunction<decltype(InitCommonControlsEx)> initCommonControls(L"comctl32.dll", "InitCommonControlsEx");
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
  if (!initCommonControls()(&classes)) ThrowLastError("InitCommonControlsEx");

  AddRows(lines_waiting_rows::kRows);
  list_ = Control(kIdLinesList);
  SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  InsertReportColumns(list_, kColumns, layout_, app_.Words());
  details_ = Control(kIdDetails);
  ShowDetails(std::nullopt);
  EnableLineActions(false);  // nothing is selected yet

  // The line buttons act only while a line is selected; Close closes.
  for (int id : kLineButtons) OnClicked(id, [this, id] { LineAction(ClicksOf(id)); });
  OnClicked(kIdLinesClose, [this] { CloseClicked(); });
  OnNotify(kIdLinesList, [this](const NMHDR& header) { ListNotified(header); });
  DrawEmojiIn(kIdLinesList);
  FitTexts();

  // The tip over a cut cell: one tool, the whole list, whose text follows the cell under the mouse
  // (the list's own procedure, taken over here, reports each move).
  tip_.reset(CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd(), nullptr,
                             GetModuleHandleW(nullptr), nullptr));
  if (!tip_) ThrowLastError("CreateWindowExW");
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = hwnd();
  tool.uId = reinterpret_cast<UINT_PTR>(list_);
  tool.lpszText = const_cast<wchar_t*>(L"");
  if (!SendMessageW(tip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool))) throw Failure("TTM_ADDTOOL failed");
  Rescaled();
  SetWindowLongPtrW(list_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongPtrW(list_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32LinesWaitingView::ListProcedure));
}

Win32LinesWaitingView::~Win32LinesWaitingView() {
  // The list may still get messages while the window goes: from now on, straight to its own.
  if (list_ != nullptr) SetWindowLongPtrW(list_, GWLP_USERDATA, 0);
}

LRESULT CALLBACK Win32LinesWaitingView::ListProcedure(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* view = reinterpret_cast<Win32LinesWaitingView*>(GetWindowLongPtrW(list, GWLP_USERDATA));
  if (view != nullptr && message == WM_MOUSEMOVE) {
    POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    Guarded([&] { view->MouseOverList(at); });
  }
  // The list view's own procedure is its class's: the list is taken over before anything else.
  auto own = reinterpret_cast<WNDPROC>(GetClassLongPtrW(list, GCLP_WNDPROC));
  return CallWindowProcW(own, list, message, wParam, lParam);
}

void Win32LinesWaitingView::Rescaled() {
  SetColumnWidths();
  if (!tip_) return;
  SendMessageW(tip_.get(), WM_SETFONT, reinterpret_cast<WPARAM>(layout_.Font()), FALSE);
  SendMessageW(tip_.get(), TTM_SETMAXTIPWIDTH, 0, layout_.Px(kTipWidth));
}

bool Win32LinesWaitingView::CellCut(int row, int column) const {
  std::wstring text = ReportCellText(list_, row, column);
  auto width = static_cast<int>(SendMessageW(list_, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(text.c_str())));
  auto room = static_cast<int>(SendMessageW(list_, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column), 0));
  return width + MulDiv(kCellMargin, layout_.Dpi(), 96) > room;
}

void Win32LinesWaitingView::MouseOverList(POINT at) {
  LVHITTESTINFO hit{};
  hit.pt = at;
  SendMessageW(list_, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  std::pair<int, int> cell{-1, -1};
  if (hit.iItem >= 0 && (hit.flags & LVHT_ONITEM)) cell = {hit.iItem, hit.iSubItem};
  if (cell == tipCell_) return;
  tipCell_ = cell;
  // A new cell: the tip waits again before it shows, with that cell's text, or none.
  std::wstring text;
  if (cell.first >= 0 && CellCut(cell.first, cell.second)) text = ReportCellText(list_, cell.first, cell.second);
  SendMessageW(tip_.get(), TTM_POP, 0, 0);
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = hwnd();
  tool.uId = reinterpret_cast<UINT_PTR>(list_);
  tool.lpszText = text.data();
  SendMessageW(tip_.get(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

std::wstring Win32LinesWaitingView::TipText() const {
  wchar_t text[1024] = {};
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = hwnd();
  tool.uId = reinterpret_cast<UINT_PTR>(list_);
  tool.lpszText = text;
  SendMessageW(tip_.get(), TTM_GETTEXTW, std::size(text), reinterpret_cast<LPARAM>(&tool));
  return text;
}

POINT Win32LinesWaitingView::CellCentre(int row, int column) const {
  ::RECT cell{};
  cell.top = column;
  cell.left = LVIR_LABEL;
  SendMessageW(list_, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
  return {(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
}

void Win32LinesWaitingView::ShowDetails(const std::optional<WaitingLineDetails>& details) {
  std::wstring text = details ? DetailsText(*details, app_.Words())
                              : Tr(u"Select a line in the list to read it here whole, with its state.");
  if (!SetWindowTextW(details_, text.c_str())) ThrowLastError("SetWindowTextW");
}

void Win32LinesWaitingView::SetColumnWidths() { SizeReportColumns(list_, kColumns, layout_); }

void Win32LinesWaitingView::ShowRows(const std::vector<WaitingLineRow>& rows) {
  // The rows are changed in place, so that the selection (by index) and the scroll position stay.
  updating_ = true;
  auto shown = static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
  auto wanted = static_cast<int>(rows.size());
  SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
  for (int row = shown - 1; row >= wanted; --row) SendMessageW(list_, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
  bool failed = false;
  for (int row = 0; row < wanted; ++row) {
    std::wstring line = ShownLine(rows[static_cast<std::size_t>(row)].line);
    if (row >= shown) {
      LVITEMW item{};
      item.mask = LVIF_TEXT;
      item.iItem = row;
      item.pszText = const_cast<wchar_t*>(line.c_str());
      if (SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)) != row) {
        failed = true;
        break;
      }
    } else {
      SetReportCell(list_, row, 0, line);
    }
    SetReportCell(list_, row, 1, Wide(rows[static_cast<std::size_t>(row)].state));
    SetReportCell(list_, row, 2, Wide(rows[static_cast<std::size_t>(row)].confirmed));
    SetReportCell(list_, row, 3, Wide(rows[static_cast<std::size_t>(row)].account));
  }
  SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_, nullptr, TRUE);
  reportedRow_ = SelectedRow();
  updating_ = false;
  if (failed) throw Failure("LVM_INSERTITEM failed");
}

std::int32_t Win32LinesWaitingView::SelectedRow() const {
  return static_cast<std::int32_t>(SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void Win32LinesWaitingView::SelectRow(std::int32_t row) {
  auto count = static_cast<std::int32_t>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
  if (row < -1 || row >= count) throw InvalidPropertyValue("list position");
  updating_ = true;
  SelectReportRow(list_, row);
  updating_ = false;
  reportedRow_ = SelectedRow();
  if (onSelectionChanged_) onSelectionChanged_();
}

void Win32LinesWaitingView::SelectionMayHaveChanged() {
  if (updating_) return;
  // A click on another row deselects one and selects the other: one event for both.
  std::int32_t selected = SelectedRow();
  if (selected == reportedRow_) return;
  reportedRow_ = selected;
  if (onSelectionChanged_) onSelectionChanged_();
}

void Win32LinesWaitingView::EnableLineActions(bool enabled) {
  lineActionsEnabled_ = enabled;
  HWND focus = GetFocus();
  bool focusOnLineButton = false;
  for (int id : kLineButtons) {
    if (focus == Control(id)) focusOnLineButton = true;
  }
  // The focus must not stay on a button that can no longer be used: it goes to the list, and
  // Edit is the default button again.
  if (!enabled && focusOnLineButton) {
    SetFocus(list_);
    for (int id : kLineButtons)
      SendMessageW(Control(id), BM_SETSTYLE, id == kIdEditLine ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
  }
  for (int id : kLineButtons) EnableWindow(Control(id), enabled ? TRUE : FALSE);
}

void Win32LinesWaitingView::LineAction(ClickEvent& action) {
  if (lineActionsEnabled_) action.Click();
}

bool Win32LinesWaitingView::AskYesNo(std::u16string_view question) { return AskYesNoOver(question, MB_ICONQUESTION); }

void Win32LinesWaitingView::CopyToClipboard(std::u16string_view text) { CopyTextToClipboard(hwnd(), text); }

std::wstring Win32LinesWaitingView::CellText(int row, int column) const {
  return ReportCellText(list_, row, column);
}

void Win32LinesWaitingView::CloseClicked() {
  close_.Click();
  Unload();  // Close always closes; what the handler does first is its own
}

void Win32LinesWaitingView::ListNotified(const NMHDR& header) {
  switch (header.code) {
    case LVN_ITEMCHANGED: {
      const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
      if ((change.uChanged & LVIF_STATE) && ((change.uOldState ^ change.uNewState) & LVIS_SELECTED))
        SelectionMayHaveChanged();
      break;
    }
    case NM_DBLCLK:
      if (reinterpret_cast<const NMITEMACTIVATE&>(header).iItem >= 0 && SelectedRow() >= 0)
        LineAction(ClicksOf(kIdEditLine));
      break;
    case LVN_KEYDOWN: {
      WORD key = reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey;
      if (SelectedRow() < 0) break;
      if (key == VK_DELETE) {
        LineAction(ClicksOf(kIdRemoveLine));
      } else if (key == 'C' && (GetKeyState(VK_CONTROL) & 0x8000) && !(GetKeyState(VK_MENU) & 0x8000)) {
        LineAction(ClicksOf(kIdCopyLine));
      }
      break;
    }
    default:
      break;
  }
}

LinesWaitingViewFactory Win32LinesWaitingViews(Win32Application& app) {
  return [&app]() -> std::unique_ptr<ILinesWaitingView> { return std::make_unique<Win32LinesWaitingView>(app); };
}

}  // namespace quillet::platform::win32
