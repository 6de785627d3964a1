#pragma once
// The "Quillet: look back" window as a real window, which the person can size and maximise:
//   Previous day, the date picker, Next day, Today                 Search: [words or #tags]
//   the picture of the day and its week                              the #tags: Tag, Day, Week
//   the list's caption
//   the list of answers: Time, Line, What became of it
//   The journal is off: ...  [Turn the journal on]                   (only while it is off)
//   Export: [which days]  Export...  Copy                                            Close
// The list and the picture grow with the window; the buttons keep their size, at their edge.
// Every place is in twips at the density of the monitor the window is on, in the default GUI font.
//
// Keys (through the application's loop, like the other dialogs):
//   Tab, Shift+Tab     the controls in reading order (the picture only shows)
//   Alt+P, N, T        Previous day, Next day, Today
//   Alt+S, X           the search box, the days to export
//   Alt+E, C, O, J     Export..., Copy, Close, Turn the journal on
//   Enter              in the list: opens the focused row (as a click on it does)
//   Ctrl+C, Ctrl+A     in the list: Copy, select every row
//   Esc, the close box Close
#include <windows.h>

#include <memory>
#include <string>

#include "common/callback.h"
#include "dialogs/look_back_window.h"
#include "platform/win32/win32_application.h"
#include "platform/win32/win32_controls.h"
#include "platform/win32/win32_dialog_window.h"
#include "platform/win32/win32_edit_box.h"
#include "windows/win32_day_picture.h"

namespace quillet::platform::win32 {

enum LookBackControlId : int {
  kIdLookBackClose = IDCANCEL,  // the identifier Esc sends
  kIdPreviousDay = 401,
  kIdDayPicker,
  kIdNextDay,
  kIdToday,
  kIdSearchLabel,
  kIdSearch,
  kIdDayPicture,
  kIdTags,
  kIdAnswersCaption,
  kIdAnswers,
  kIdJournalOffLabel,
  kIdTurnJournalOn,
  kIdExportLabel,
  kIdExportDays,
  kIdExport,
  kIdCopyAnswers,
  kIdOpenAnswer,  // no control: what Enter sends, the dialog's default; opens the list's focused row
};

class Win32LookBackView : public ILookBackView, public Win32DialogWindow {
 public:
  explicit Win32LookBackView(Win32Application& app);

  // ILookBackView
  IDialog& Window() override { return *this; }
  void ShowDay(const LocalTime& day) override;
  void OnDayPicked(Callback<void(LocalTime day)> handler) override { onDayPicked_ = std::move(handler); }
  IClickable& PreviousDay() override { return previousDay_; }
  IClickable& NextDay() override { return nextDay_; }
  IClickable& Today() override { return today_; }
  void ShowRows(std::u16string_view caption, const std::vector<LookBackRow>& rows) override;
  std::vector<std::int32_t> SelectedRows() const override;
  void SelectRow(std::int32_t row) override;
  void OnRowOpened(Callback<void(std::int32_t row)> handler) override { onRowOpened_ = std::move(handler); }
  void ShowPicture(const DayStrip& day, const std::vector<DayStrip>& week) override;
  void ShowTags(const std::vector<TagCount>& tags) override;
  ITextBox& Search() override { return search_; }
  IComboBox& ExportDays() override { return *exportDays_; }
  IClickable& Copy() override { return copy_; }
  IClickable& Export() override { return export_; }
  IClickable& Close() override { return close_; }
  void ShowJournalOff(bool off) override;
  IClickable& TurnJournalOn() override { return turnJournalOn_; }
  void CopyToClipboard(std::u16string_view text) override;
  std::optional<ExportTarget> AskExportFile(std::u16string_view suggestedName) override;
  void WriteFile(std::u16string_view path, std::string_view bytes) override;
  void ShowMessage(std::u16string_view text) override;
  std::optional<WindowPlace> Place() const override;
  void SetPlace(const WindowPlace& place) override;

 private:
  HWND FirstField() const override { return list_; }
  void CloseBoxClicked() override { CloseClicked(); }
  void Rescaled() override;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Places every child for the client area's size: see the drawing at the top.
  void Arrange();
  void ListNotified(const NMHDR& header);
  void DayPickerNotified(const NMHDR& header);
  void OpenFocusedRow();
  void CloseClicked();

  HWND picker_ = nullptr, tags_ = nullptr, caption_ = nullptr, list_ = nullptr;
  std::unique_ptr<Win32DayPicture> picture_;
  Win32EditBox search_;
  std::unique_ptr<Win32DropDownList> exportDays_;
  ClickEvent previousDay_, nextDay_, today_, copy_, export_, close_, turnJournalOn_;
  Callback<void(LocalTime)> onDayPicked_;
  Callback<void(std::int32_t)> onRowOpened_;
  LocalTime pickerDay_{};  // the day the picker shows, as last shown or picked
  bool made_ = false;      // every child is there: Arrange may place them
  bool journalOff_ = false;
  bool shownOnce_ = false;  // Place has an answer
};

// Makes a look-back window for each opening.
LookBackViewFactory Win32LookBackViews(Win32Application& app);

}  // namespace quillet::platform::win32
