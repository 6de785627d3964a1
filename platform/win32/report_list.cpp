#include "platform/win32/report_list.h"

#include <commctrl.h>

#include "common/failure.h"
#include "platform/win32/window_base.h"

namespace quillet::platform::win32 {

void InsertReportColumns(HWND list, std::span<const ReportColumn> columns, const TwipsLayout& layout,
                         const Catalog& words) {
  for (int column = 0; column < static_cast<int>(columns.size()); ++column) {
    std::wstring caption = Wide(words.Tr(columns[column].caption));
    LVCOLUMNW description{};
    description.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    description.pszText = caption.data();
    description.cx = layout.PxWide(columns[column].width);
    description.iSubItem = column;
    if (SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&description)) < 0)
      throw Failure("LVM_INSERTCOLUMN");
  }
}

void SizeReportColumns(HWND list, std::span<const ReportColumn> columns, const TwipsLayout& layout) {
  for (int column = 0; column < static_cast<int>(columns.size()); ++column)
    SendMessageW(list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), layout.PxWide(columns[column].width));
}

void SetReportCell(HWND list, int row, int column, const std::wstring& text) {
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = const_cast<wchar_t*>(text.c_str());
  SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

int AppendReportRow(HWND list, std::initializer_list<std::wstring> cells) {
  auto row = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.pszText = const_cast<wchar_t*>(cells.begin()->c_str());
  if (SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)) != row) throw Failure("LVM_INSERTITEM failed");
  int column = 0;
  for (const std::wstring& cell : cells) {
    if (column > 0) SetReportCell(list, row, column, cell);
    ++column;
  }
  return row;
}

void SelectReportRow(HWND list, int row) {
  LVITEMW state{};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));  // every row
  if (row < 0) return;
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
  SendMessageW(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

std::wstring ReportCellText(HWND list, int row, int column) {
  std::wstring text(1024, L'\0');
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text.data();
  item.cchTextMax = static_cast<int>(text.size());
  auto length = SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  text.resize(static_cast<std::size_t>(length > 0 ? length : 0));
  return text;
}

}  // namespace quillet::platform::win32
