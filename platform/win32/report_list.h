#pragma once
// A list view in report style, as the Options dialog and the lines-waiting window show one: its
// columns (caption and width in twips) and its cells. The common controls must be loaded.
#include <windows.h>

#include <initializer_list>
#include <span>
#include <string>

#include "common/catalog.h"
#include "platform/win32/twips_layout.h"

namespace quillet::platform::win32 {

struct ReportColumn {
  const char16_t* caption;  // English, marked Translatable: shown in the person's words
  int width;                // twips
};

// Inserts the columns, their captions in `words`; throws Failure.
void InsertReportColumns(HWND list, std::span<const ReportColumn> columns, const TwipsLayout& layout,
                         const Catalog& words);
// Sizes them again, after the density changed.
void SizeReportColumns(HWND list, std::span<const ReportColumn> columns, const TwipsLayout& layout);
void SetReportCell(HWND list, int row, int column, const std::wstring& text);
// Adds a row at the end with these cells, from the first column on; throws Failure. Returns its
// index.
int AppendReportRow(HWND list, std::initializer_list<std::wstring> cells);
// Makes `row` the only row selected, with the focus, scrolled into view; -1 selects none.
void SelectReportRow(HWND list, int row);
// The text of a cell (up to 1023 characters).
std::wstring ReportCellText(HWND list, int row, int column);

}  // namespace quillet::platform::win32
