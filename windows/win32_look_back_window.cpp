#include "windows/win32_look_back_window.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>

#include "common/catalog.h"
#include "common/convert.h"
#include "common/failure.h"
#include "platform/win32/clipboard.h"
#include "platform/win32/library_function.h"
#include "platform/win32/report_list.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/win32_files.h"
#include "windows/win32_lines_waiting_window.h"

namespace quillet::platform::win32 {
namespace {

// The window's smallest client area, which the boxes below describe, and the one it opens at, in
// twips (15 to the pixel at 96 dpi).
constexpr int kLookBackSmallestWidth = 9600, kLookBackSmallestHeight = 5670;
constexpr int kLookBackOpenWidth = 11400, kLookBackOpenHeight = 8100;
constexpr int kLookBackMargin = 120, kLookBackGap = 120, kLookBackLabelGap = 60;
constexpr int kLookBackButtonWidth = 1215, kLookBackButtonHeight = 375, kLookBackFieldHeight = 315;
constexpr int kAnswersCaptionHeight = 225, kSmallestPictureHeight = 2400;
constexpr int kExportChoices = 3;

constexpr ReportColumn kAnswerColumns[] = {
    {Translatable(u"Time"), 1200}, {Translatable(u"Line"), 4800}, {Translatable(u"What became of it"), 3000}};
constexpr int kLineColumn = 1;  // takes what the window's width gives the list
constexpr ReportColumn kTagColumns[] = {
    {Translatable(u"Tag"), 1320}, {Translatable(u"Day"), 600}, {Translatable(u"Week"), 600}};

// A child's rectangle in its parent's client area, and its size.
::RECT PlaceOf(HWND child) {
  ::RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return r;
}
int WidthOf(HWND child) {
  ::RECT r = PlaceOf(child);
  return r.right - r.left;
}
int HeightOf(HWND child) {
  ::RECT r = PlaceOf(child);
  return r.bottom - r.top;
}

// Moves a child, keeping its size; and places one at a size.
void Move(HWND child, int left, int top) {
  SetWindowPos(child, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
void Put(HWND child, int left, int top, int width, int height) {
  SetWindowPos(child, nullptr, left, top, std::max(width, 0), std::max(height, 0), SWP_NOZORDER | SWP_NOACTIVATE);
}

std::u16string CountOf(const Catalog& words, const std::vector<DayStrip>& strips, bool answered) {
  unsigned long count = 0;
  for (const DayStrip& strip : strips)
    count += static_cast<unsigned long>(std::count_if(
        strip.marks.begin(), strip.marks.end(), [&](const StripMark& mark) { return mark.answered == answered; }));
  std::u16string number = DecimalText(static_cast<long long>(count));
  return answered ? FillIn(words.TrPlural(u"%1 answer", u"%1 answers", count), {number})
                  : FillIn(words.TrPlural(u"%1 pop-up unanswered", u"%1 pop-ups unanswered", count), {number});
}

// Whether a file name ends in an extension, in capitals or not.
bool HasExtension(std::u16string_view name, std::u16string_view extension) {
  if (name.size() < extension.size()) return false;
  auto lower = [](char16_t ch) { return ch >= u'A' && ch <= u'Z' ? static_cast<char16_t>(ch - u'A' + u'a') : ch; };
  return std::equal(extension.begin(), extension.end(), name.end() - static_cast<std::ptrdiff_t>(extension.size()),
                    [&](char16_t a, char16_t b) { return a == lower(b); });
}

}  // namespace

Win32LookBackView::Win32LookBackView(Win32Application& app)
    : Win32DialogWindow(app, {.windowClass = L"QuilletLookBack",
                              .title = Translatable(u"Quillet: look back"),
                              .clientWidth = kLookBackSmallestWidth,
                              .clientHeight = kLookBackSmallestHeight,
                              .defaultButton = kIdOpenAnswer,
                              .visibleListEntries = kExportChoices,
                              .resizable = true,
                              .openClientWidth = kLookBackOpenWidth,
                              .openClientHeight = kLookBackOpenHeight}) {
  // The list views and the date picker are the common controls' (loaded at their first use).
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_LISTVIEW_CLASSES | ICC_DATE_CLASSES};
  if (!InitCommonControlsEx(&classes)) ThrowLastError("InitCommonControlsEx");
  constexpr auto kText = TwipsLayout::Fit::kText;
  constexpr DWORD kReportList = kTabStopChild | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER;

  // Children in Tab order (reading order), each field after its label so that the label's access
  // key moves to it. The boxes are those of the smallest window; Arrange places them for its size.
  AddChild(WC_BUTTONW, Tr(u"&Previous day").c_str(), kTabStopChild | BS_PUSHBUTTON, 0, kIdPreviousDay,
           {kLookBackMargin, kLookBackMargin, 1440, kLookBackButtonHeight});
  picker_ = AddChild(DATETIMEPICK_CLASSW, L"", kTabStopChild | DTS_SHORTDATEFORMAT, 0, kIdDayPicker,
                     {1680, 150, 1500, kLookBackFieldHeight});
  AddChild(WC_BUTTONW, Tr(u"&Next day").c_str(), kTabStopChild | BS_PUSHBUTTON, 0, kIdNextDay,
           {3300, kLookBackMargin, kLookBackButtonWidth, kLookBackButtonHeight});
  AddChild(WC_BUTTONW, Tr(u"&Today").c_str(), kTabStopChild | BS_PUSHBUTTON, 0, kIdToday,
           {4635, kLookBackMargin, kLookBackButtonWidth, kLookBackButtonHeight});
  AddChild(WC_STATICW, Tr(u"&Search:").c_str(), kLabelChild, 0, kIdSearchLabel, {6060, 195, 0, 0}, kText);
  search_.Attach(AddChild(WC_EDITW, L"", kTabStopChild | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, kIdSearch,
                          {6840, 150, 2640, kLookBackFieldHeight}));
  SendMessageW(search_.hwnd(), EM_SETCUEBANNER, FALSE, reinterpret_cast<LPARAM>(Tr(u"words or #tags").c_str()));

  picture_ = std::make_unique<Win32DayPicture>(hwnd(), kIdDayPicture);
  layout_.Add(picture_->hwnd(), {kLookBackMargin, 615, 6360, kSmallestPictureHeight});
  tags_ = AddChild(WC_LISTVIEWW, L"", kReportList | LVS_SINGLESEL, WS_EX_CLIENTEDGE, kIdTags,
                   {6600, 615, 2880, kSmallestPictureHeight});
  SendMessageW(tags_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP,
               LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP);
  InsertReportColumns(tags_, kTagColumns, layout_, app_.Words());

  caption_ = AddChild(WC_STATICW, L"", kLabelChild | SS_NOPREFIX | SS_ENDELLIPSIS, 0, kIdAnswersCaption,
                      {kLookBackMargin, 3135, 9360, kAnswersCaptionHeight});
  list_ = AddChild(WC_LISTVIEWW, L"", kReportList, WS_EX_CLIENTEDGE, kIdAnswers, {kLookBackMargin, 3420, 9360, 1140});
  SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP,
               LVS_EX_FULLROWSELECT | LVS_EX_LABELTIP);
  InsertReportColumns(list_, kAnswerColumns, layout_, app_.Words());

  // Shown only while the journal is off. The line's box has room to spare: sized to its text
  // alone, the static control leaves out the text's last character (under Wine at least).
  AddChild(WC_STATICW, Tr(u"The journal is off: Quillet keeps none of your answers.").c_str(),
           WS_CHILD | WS_CLIPSIBLINGS | SS_LEFT | SS_NOPREFIX, 0, kIdJournalOffLabel,
           {kLookBackMargin, 4725, 5160, kAnswersCaptionHeight});
  AddChild(WC_BUTTONW, Tr(u"Turn the &journal on").c_str(), WS_CHILD | WS_TABSTOP | WS_CLIPSIBLINGS | BS_PUSHBUTTON, 0,
           kIdTurnJournalOn, {5400, 4680, 1920, kLookBackButtonHeight});

  AddChild(WC_STATICW, Tr(u"E&xport:").c_str(), kLabelChild, 0, kIdExportLabel, {kLookBackMargin, 5250, 0, 0}, kText);
  exportDays_ = std::make_unique<Win32DropDownList>(
      AddChild(WC_COMBOBOXW, L"", kTabStopChild | WS_VSCROLL | CBS_DROPDOWNLIST, 0, kIdExportDays,
               {840, 5205, 2040, kLookBackFieldHeight}, TwipsLayout::Fit::kDropDown));
  AddChild(WC_BUTTONW, Tr(u"&Export...").c_str(), kTabStopChild | BS_PUSHBUTTON, 0, kIdExport,
           {3000, 5175, kLookBackButtonWidth, kLookBackButtonHeight});
  AddChild(WC_BUTTONW, Tr(u"&Copy").c_str(), kTabStopChild | BS_PUSHBUTTON, 0, kIdCopyAnswers,
           {4335, 5175, kLookBackButtonWidth, kLookBackButtonHeight});
  AddChild(WC_BUTTONW, Tr(u"Cl&ose").c_str(), kTabStopChild | BS_PUSHBUTTON, 0, kIdLookBackClose,
           {8265, 5175, kLookBackButtonWidth, kLookBackButtonHeight});

  OnClicked(kIdPreviousDay, [this] { previousDay_.Click(); });
  OnClicked(kIdNextDay, [this] { nextDay_.Click(); });
  OnClicked(kIdToday, [this] { today_.Click(); });
  OnCommand(kIdSearch, [this](WORD code) { search_.Notify(code); });
  OnClicked(kIdTurnJournalOn, [this] { turnJournalOn_.Click(); });
  OnClicked(kIdExport, [this] { export_.Click(); });
  OnClicked(kIdCopyAnswers, [this] { copy_.Click(); });
  OnClicked(kIdLookBackClose, [this] { CloseClicked(); });
  OnClicked(kIdOpenAnswer, [this] { OpenFocusedRow(); });
  OnNotify(kIdAnswers, [this](const NMHDR& header) { ListNotified(header); });
  DrawEmojiIn(kIdAnswers);
  DrawEmojiIn(kIdTags);
  OnNotify(kIdDayPicker, [this](const NMHDR& header) { DayPickerNotified(header); });
  made_ = true;
  FitTexts();
}

void Win32LookBackView::Rescaled() {
  SizeReportColumns(list_, kAnswerColumns, layout_);
  SizeReportColumns(tags_, kTagColumns, layout_);
  Arrange();
}

void Win32LookBackView::Arrange() {
  if (!made_) return;
  ::RECT client{};
  GetClientRect(hwnd(), &client);
  const int width = client.right, height = client.bottom;
  const int margin = layout_.Px(kLookBackMargin), gap = layout_.Px(kLookBackGap),
            labelGap = layout_.Px(kLookBackLabelGap);
  const int buttonHeight = layout_.Px(kLookBackButtonHeight);
  auto centred = [&](HWND child, int rowTop) { return rowTop + (buttonHeight - HeightOf(child)) / 2; };

  // The day chooser from the left; the search box at the right.
  int left = margin;
  for (int id : {kIdPreviousDay, kIdDayPicker, kIdNextDay, kIdToday}) {
    Move(Control(id), left, centred(Control(id), margin));
    left += WidthOf(Control(id)) + gap;
  }
  HWND search = search_.hwnd(), searchLabel = Control(kIdSearchLabel);
  int searchLeft = width - margin - WidthOf(search);
  Move(search, searchLeft, centred(search, margin));
  Move(searchLabel, searchLeft - labelGap - WidthOf(searchLabel), centred(searchLabel, margin));

  // From the bottom: the buttons' row, the journal's line while it shows.
  int bottomRow = height - margin - buttonHeight;
  left = margin;
  for (int id : {kIdExportLabel, kIdExportDays, kIdExport, kIdCopyAnswers}) {
    HWND child = Control(id);
    // The drop-down's height holds its open list: it is centred by its closed box.
    int top = id == kIdExportDays ? bottomRow + (buttonHeight - layout_.Px(kLookBackFieldHeight)) / 2
                                  : centred(child, bottomRow);
    Move(child, left, top);
    left += WidthOf(child) + (id == kIdExportLabel ? labelGap : gap);
  }
  HWND close = Control(kIdLookBackClose);
  Move(close, width - margin - WidthOf(close), bottomRow);
  int listBottom = bottomRow - gap;
  if (journalOff_) {
    int journalRow = bottomRow - gap - buttonHeight;
    HWND label = Control(kIdJournalOffLabel);
    Move(label, margin, centred(label, journalRow));
    Move(Control(kIdTurnJournalOn), margin + WidthOf(label) + gap, journalRow);
    listBottom = journalRow - gap;
  }

  // Between them the picture and the tags, the caption and the list: the picture takes two
  // fifths of the height they share, never less than it needs, the list the rest.
  int top = margin + buttonHeight + gap;
  int captionHeight = layout_.Px(kAnswersCaptionHeight);
  int shared = listBottom - top - gap - captionHeight - labelGap;
  int pictureHeight = std::max(shared * 2 / 5, layout_.Px(kSmallestPictureHeight));
  int tagsWidth = WidthOf(tags_);
  Put(picture_->hwnd(), margin, top, width - 2 * margin - gap - tagsWidth, pictureHeight);
  Put(tags_, width - margin - tagsWidth, top, tagsWidth, pictureHeight);
  top += pictureHeight + gap;
  Put(caption_, margin, top, width - 2 * margin, captionHeight);
  top += captionHeight + labelGap;
  Put(list_, margin, top, width - 2 * margin, listBottom - top);

  // The line's column takes the list's width that the other columns leave.
  ::RECT inside{};
  GetClientRect(list_, &inside);
  int others = 0;
  for (int column = 0; column < static_cast<int>(std::size(kAnswerColumns)); ++column)
    if (column != kLineColumn) others += static_cast<int>(SendMessageW(list_, LVM_GETCOLUMNWIDTH, column, 0));
  int lineWidth = std::max(layout_.PxWide(kAnswerColumns[kLineColumn].width), static_cast<int>(inside.right) - others);
  SendMessageW(list_, LVM_SETCOLUMNWIDTH, kLineColumn, lineWidth);
}

void Win32LookBackView::ShowDay(const LocalTime& day) {
  SYSTEMTIME time{};
  time.wYear = static_cast<WORD>(day.year);
  time.wMonth = static_cast<WORD>(day.month);
  time.wDay = static_cast<WORD>(day.day);
  // Set first: should the picker report the change, it is the day shown, not one picked.
  LocalTime previous = std::exchange(pickerDay_, LocalTime{day.year, day.month, day.day, 0, 0, 0});
  if (!SendMessageW(picker_, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time))) {
    pickerDay_ = previous;
    throw InvalidPropertyValue("day");
  }
}

void Win32LookBackView::DayPickerNotified(const NMHDR& header) {
  if (header.code != DTN_DATETIMECHANGE) return;
  const auto& change = reinterpret_cast<const NMDATETIMECHANGE&>(header);
  if (change.dwFlags != GDT_VALID) return;
  LocalTime picked{change.st.wYear, change.st.wMonth, change.st.wDay, 0, 0, 0};
  if (picked == pickerDay_) return;  // the picker reports a day more than once
  pickerDay_ = picked;
  if (onDayPicked_) onDayPicked_(picked);
}

void Win32LookBackView::ShowRows(std::u16string_view caption, const std::vector<LookBackRow>& rows) {
  SetWindowTextW(caption_, Wide(caption).c_str());
  SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
  SendMessageW(list_, LVM_SETITEMCOUNT, rows.size(), 0);
  try {
    for (const LookBackRow& answer : rows)
      AppendReportRow(list_, {Wide(answer.when), ShownLine(answer.line), Wide(answer.outcome)});
  } catch (...) {
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    throw;
  }
  // The time's column fits its texts (a search's hits carry their date), never narrower than laid out.
  SendMessageW(list_, LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE_USEHEADER);
  auto fitted = static_cast<int>(SendMessageW(list_, LVM_GETCOLUMNWIDTH, 0, 0));
  SendMessageW(list_, LVM_SETCOLUMNWIDTH, 0, std::max(fitted, layout_.PxWide(kAnswerColumns[0].width)));
  SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_, nullptr, TRUE);
  Arrange();  // a scroll bar may have come or gone: the line's column follows
}

std::vector<std::int32_t> Win32LookBackView::SelectedRows() const {
  std::vector<std::int32_t> rows;
  for (auto row = SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED); row >= 0;
       row = SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(row), LVNI_SELECTED))
    rows.push_back(static_cast<std::int32_t>(row));
  return rows;
}

void Win32LookBackView::SelectRow(std::int32_t row) {
  auto count = static_cast<std::int32_t>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
  if (row < -1 || row >= count) throw InvalidPropertyValue("list position");
  SelectReportRow(list_, row);
}

void Win32LookBackView::OpenFocusedRow() {
  if (GetFocus() != list_) return;  // Enter elsewhere (the search box, the picker) opens nothing
  auto row = SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED);
  if (row >= 0 && onRowOpened_) onRowOpened_(static_cast<std::int32_t>(row));
}

void Win32LookBackView::ListNotified(const NMHDR& header) {
  switch (header.code) {
    case NM_CLICK: {
      // A plain click opens the row; with Ctrl or Shift it only adds to the selection.
      const auto& click = reinterpret_cast<const NMITEMACTIVATE&>(header);
      bool extending = (click.uKeyFlags & (LVKF_CONTROL | LVKF_SHIFT)) != 0 || GetKeyState(VK_CONTROL) < 0 ||
                       GetKeyState(VK_SHIFT) < 0;
      if (click.iItem >= 0 && !extending && onRowOpened_) onRowOpened_(click.iItem);
      break;
    }
    case LVN_KEYDOWN: {
      WORD key = reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey;
      if (GetKeyState(VK_CONTROL) >= 0 || GetKeyState(VK_MENU) < 0) break;
      if (key == 'C' && !SelectedRows().empty()) {
        copy_.Click();
      } else if (key == 'A') {
        LVITEMW state{};
        state.stateMask = state.state = LVIS_SELECTED;
        SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
      }
      break;
    }
    default:
      break;
  }
}

void Win32LookBackView::ShowPicture(const DayStrip& day, const std::vector<DayStrip>& week) {
  const Catalog& words = app_.Words();
  std::u16string spoken = FillIn(words.Tr(u"%1: %2, %3. The week to that day: %4, %5."),
                                 {day.label, CountOf(words, {day}, true), CountOf(words, {day}, false),
                                  CountOf(words, week, true), CountOf(words, week, false)});
  picture_->Show(day, week, spoken);
}

void Win32LookBackView::ShowTags(const std::vector<TagCount>& tags) {
  SendMessageW(tags_, WM_SETREDRAW, FALSE, 0);
  SendMessageW(tags_, LVM_DELETEALLITEMS, 0, 0);
  try {
    for (const TagCount& tag : tags) AppendReportRow(tags_, {Wide(tag.tag), Wide(DecimalText(tag.day)), Wide(DecimalText(tag.week))});
  } catch (...) {
    SendMessageW(tags_, WM_SETREDRAW, TRUE, 0);
    throw;
  }
  SendMessageW(tags_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(tags_, nullptr, TRUE);
}

void Win32LookBackView::ShowJournalOff(bool off) {
  journalOff_ = off;
  HWND button = Control(kIdTurnJournalOn);
  if (!off && GetFocus() == button) SetFocus(list_);  // the focus must not stay on a hidden button
  ShowWindow(Control(kIdJournalOffLabel), off ? SW_SHOWNA : SW_HIDE);
  ShowWindow(button, off ? SW_SHOWNA : SW_HIDE);
  Arrange();
}

void Win32LookBackView::CopyToClipboard(std::u16string_view text) { CopyTextToClipboard(hwnd(), text); }

std::optional<ExportTarget> Win32LookBackView::AskExportFile(std::u16string_view suggestedName) {
  // comdlg32 is loaded when first asked for: most sessions never export.
  static LibraryFunction<decltype(GetSaveFileNameW)> saveFileName(L"comdlg32.dll", "GetSaveFileNameW");
  static LibraryFunction<decltype(CommDlgExtendedError)> dialogError(L"comdlg32.dll", "CommDlgExtendedError");
  // Pairs of a caption and its pattern, each ending in a NUL, the list in another.
  std::wstring filters =
      Tr(u"CSV (*.csv)") + L'\0' + L"*.csv" + L'\0' + Tr(u"JSON (*.json)") + L'\0' + L"*.json" + L'\0';
  std::wstring file(4096, L'\0');
  std::copy_n(suggestedName.begin(), std::min(suggestedName.size(), file.size() - 1), file.begin());
  bool json = HasExtension(suggestedName, u".json");

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = hwnd();
  dialog.lpstrFilter = filters.c_str();
  dialog.nFilterIndex = json ? 2 : 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  // A name typed without an extension gets the chosen type's: the dialog follows the type chosen.
  dialog.lpstrDefExt = json ? L"json" : L"csv";
  dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!saveFileName()(&dialog)) {
    DWORD error = dialogError()();
    if (error == 0) return std::nullopt;  // cancelled
    throw Failure("GetSaveFileNameW failed (" + std::to_string(error) + ")");
  }
  file.resize(file.find(L'\0'));
  return ExportTarget{FromWide(file), dialog.nFilterIndex == 2 ? ExportFormat::kJson : ExportFormat::kCsv};
}

void Win32LookBackView::WriteFile(std::u16string_view path, std::string_view bytes) {
  WriteWholeFile(Wide(path), bytes);
}

void Win32LookBackView::ShowMessage(std::u16string_view text) {
  MessageBoxW(hwnd(), Wide(text).c_str(), Wide(WindowText(hwnd())).c_str(), MB_OK);
}

std::optional<WindowPlace> Win32LookBackView::Place() const {
  if (!shownOnce_) return std::nullopt;
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  if (!GetWindowPlacement(hwnd(), &placement)) ThrowLastError("GetWindowPlacement");
  const ::RECT& r = placement.rcNormalPosition;
  return WindowPlace{r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void Win32LookBackView::SetPlace(const WindowPlace& place) {
  if (place.width <= 0 || place.height <= 0) return;
  ::RECT wanted{place.left, place.top, place.left + place.width, place.top + place.height};
  if (MonitorFromRect(&wanted, MONITOR_DEFAULTTONULL) == nullptr) return;  // on no monitor now
  WINDOWPLACEMENT placement{};
  placement.length = sizeof placement;
  if (!GetWindowPlacement(hwnd(), &placement)) ThrowLastError("GetWindowPlacement");
  placement.flags = 0;
  placement.showCmd = IsWindowVisible(hwnd()) ? SW_SHOWNORMAL : SW_HIDE;
  placement.rcNormalPosition = wanted;
  if (!SetWindowPlacement(hwnd(), &placement)) ThrowLastError("SetWindowPlacement");
  KeepPlaceAtShow();
}

void Win32LookBackView::CloseClicked() {
  close_.Click();
  Unload();  // Close always closes; what the handler does first is its own
}

LRESULT Win32LookBackView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SIZE:
      if (wParam != SIZE_MINIMIZED) Guarded([&] { Arrange(); });
      return 0;
    case WM_SHOWWINDOW:
      if (wParam) shownOnce_ = true;
      break;
    case WM_SYSCOLORCHANGE:  // the common controls take the new colours when told
      for (HWND child : {picker_, tags_, list_}) SendMessageW(child, WM_SYSCOLORCHANGE, wParam, lParam);
      break;
    default:
      break;
  }
  return Win32DialogWindow::HandleMessage(message, wParam, lParam);
}

LookBackViewFactory Win32LookBackViews(Win32Application& app) {
  return [&app]() -> std::unique_ptr<ILookBackView> { return std::make_unique<Win32LookBackView>(app); };
}

}  // namespace quillet::platform::win32
