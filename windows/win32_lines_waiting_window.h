#pragma once
// The "Quillet: lines waiting" window as a real window: a fixed-border window with the list of the
// lines (a report-style list view of the common controls: Line, State, Confirmed, Account) under
// its label, the selected line whole below it (a read-only box that wraps its text, named by its
// label for a screen reader), and the buttons Send again, Edit, Remove, Copy and Close at the
// bottom, each at its twips position converted at the density of the monitor it is on, in the
// default GUI font. A cell too narrow for its text shows the whole text as a tip while the mouse
// rests on it.
//
// Keys (through the application's loop, like the other dialogs):
//   Tab, Shift+Tab     the list, the details, Send again, Edit, Remove, Copy, Close, in reading order
//   Alt+L, D, S, E, R, C, O   the list, the details, Send again, Edit, Remove, Copy, Close
//   Enter              Edit, while a row is selected (the default button: it opens the row, as
//                      Enter opens the selected item in any Windows list); on a focused button,
//                      that button
//   double-click a row Edit
//   Del, Ctrl+C        in the list: Remove, Copy
//   Esc, the close box Close
// The line buttons, Enter, double-click, Del and Ctrl+C do nothing while the line actions are
// disabled.
#include <windows.h>

#include <optional>
#include <string>
#include <utility>

#include "common/callback.h"
#include "dialogs/lines_waiting_window.h"
#include "platform/win32/win32_application.h"
#include "platform/win32/win32_dialog_window.h"

namespace quillet::platform::win32 {

enum LinesWaitingControlId : int {
  kIdLinesClose = IDCANCEL,  // the identifier Esc sends
  kIdLinesLabel = 301,
  kIdLinesList,
  kIdSendAgain,
  kIdEditLine,
  kIdRemoveLine,
  kIdCopyLine,
  kIdDetailsLabel,
  kIdDetails,
};

// A line as one row of the list shows it: each line break (CR LF, LF or CR), tab or other
// control character as a space (a sign for the break, such as U+23CE, is missing from the
// dialog fonts of many systems and would show as a box).
std::wstring ShownLine(std::u16string_view line);

// The details as the box under the list shows them: the line (its breaks as the box breaks lines),
// a blank line, then the state, account and times, each on a line after its name.
std::wstring DetailsText(const WaitingLineDetails& details, const Catalog& words);

class Win32LinesWaitingView : public ILinesWaitingView, public Win32DialogWindow {
 public:
  explicit Win32LinesWaitingView(Win32Application& app);
  ~Win32LinesWaitingView() override;

  // ILinesWaitingView
  IDialog& Window() override { return *this; }
  void ShowRows(const std::vector<WaitingLineRow>& rows) override;
  std::int32_t SelectedRow() const override;
  void SelectRow(std::int32_t row) override;
  void OnSelectionChanged(Callback<void()> handler) override { onSelectionChanged_ = std::move(handler); }
  IClickable& SendAgain() override { return ClicksOf(kIdSendAgain); }
  IClickable& Edit() override { return ClicksOf(kIdEditLine); }
  IClickable& Remove() override { return ClicksOf(kIdRemoveLine); }
  IClickable& Copy() override { return ClicksOf(kIdCopyLine); }
  IClickable& Close() override { return close_; }
  void EnableLineActions(bool enabled) override;
  void ShowDetails(const std::optional<WaitingLineDetails>& details) override;
  bool AskYesNo(std::u16string_view question) override;
  // Throws Failure when the clipboard cannot be had or does not take the text.
  void CopyToClipboard(std::u16string_view text) override;

  // For tests: the text the list shows in a cell; the tip the mouse resting at a point of the
  // list (client coordinates) shows (empty: none); the cell at a point of the list.
  std::wstring CellText(int row, int column) const;
  std::wstring TipText() const;
  POINT CellCentre(int row, int column) const;

 private:
  HWND FirstField() const override { return list_; }
  void CloseBoxClicked() override { CloseClicked(); }
  void Rescaled() override;
  // The selection, a double click (edit), Del (remove), Ctrl+C (copy).
  void ListNotified(const NMHDR& header);
  // Raises the click of a line button, only while the line actions are enabled.
  void LineAction(ClickEvent& action);
  void CloseClicked();
  void SetColumnWidths();
  void SelectionMayHaveChanged();
  // The mouse moved over the list: the tip shows the whole text of the cell under it when the
  // cell cuts it, and nothing otherwise.
  void MouseOverList(POINT at);
  bool CellCut(int row, int column) const;
  static LRESULT CALLBACK ListProcedure(HWND list, UINT message, WPARAM wParam, LPARAM lParam);

  HWND list_ = nullptr;
  HWND details_ = nullptr;
  UniqueWindow tip_;
  std::pair<int, int> tipCell_{-1, -1};  // the cell the mouse is over (row, column)
  ClickEvent close_;
  Callback<void()> onSelectionChanged_;
  std::int32_t reportedRow_ = -1;  // the selection last reported to the handler
  bool updating_ = false;          // the program is changing the list: no selection events
  bool lineActionsEnabled_ = true;
};

// Makes a lines-waiting window for each opening.
LinesWaitingViewFactory Win32LinesWaitingViews(Win32Application& app);

}  // namespace quillet::platform::win32
