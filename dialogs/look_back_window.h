#pragma once
// The "Quillet: look back" window, opened from the tray menu's "Look back...": the person's answers
// as the journal keeps them, a day at a time.
//   the day chooser   Previous day, Next day, a date picker and Today
//   the picture       a strip from midnight to midnight with a mark at each answer and at each
//                     pop-up left unanswered, and under it the week (the day shown and the six days
//                     before it) as seven such strips; beside it the #tags of the day and the week,
//                     with how many answers carried each
//   the list          the day's answers: time, line, what became of it; while the search box holds
//                     words, the answers of the whole journal that hold them all, each with its day:
//                     a click on one opens its day with it selected
//   Copy              the selected answers as text
//   Export...         the chosen days (the day shown, the week shown, every day) as CSV or JSON, to
//                     a file the person names
// With the journal off, one line says so, with a button that turns it on (the Options setting).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/callback.h"
#include "journal/journal_reader.h"
#include "platform/application.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/ui.h"
#include "settings/settings_store.h"

namespace quillet {

// One row of the list.
struct LookBackRow {
  std::u16string when;     // "14:30" for the day's answers; "09.12.2026 14:30" for a search hit
  std::u16string line;     // as typed
  std::u16string outcome;  // "Posted to social.example (alice)", "Kept in the journal", "Not answered"
};

// A mark on a day's strip.
struct StripMark {
  std::int32_t minuteOfDay;  // 0..1439
  bool answered;             // false: a pop-up that went unanswered
  friend bool operator==(const StripMark&, const StripMark&) = default;
};

// One day's strip, midnight to midnight.
struct DayStrip {
  std::u16string label;  // the day, as the person's settings write a date
  std::vector<StripMark> marks;
};

// A #tag and how many answers carried it.
struct TagCount {
  std::u16string tag;  // with its "#", as first written
  std::int32_t day;    // answers of the day shown
  std::int32_t week;   // answers of the week shown
  friend bool operator==(const TagCount&, const TagCount&) = default;
};

enum class ExportFormat { kCsv, kJson };

// Where the person chose to export to: the full path, and the type chosen in the dialog.
struct ExportTarget {
  std::u16string path;
  ExportFormat format;
};

// The window's place on the screen, in pixels (its outer rectangle, not maximised).
struct WindowPlace {
  std::int32_t left, top, width, height;
  friend bool operator==(const WindowPlace&, const WindowPlace&) = default;
};

// The window and its controls, made anew by the platform at every opening.
class ILookBackView {
 public:
  virtual ~ILookBackView() = default;
  virtual platform::IDialog& Window() = 0;

  // The day chooser: shows this day in the date picker. OnDayPicked is raised when the person
  // picks another day there (never by ShowDay).
  virtual void ShowDay(const platform::LocalTime& day) = 0;
  virtual void OnDayPicked(Callback<void(platform::LocalTime day)> handler) = 0;
  virtual platform::IClickable& PreviousDay() = 0;
  virtual platform::IClickable& NextDay() = 0;
  virtual platform::IClickable& Today() = 0;

  // The list, its caption ("Answers of Wednesday, 9 December 2026:", "3 answers found:") and its
  // rows; no row is selected after ShowRows.
  virtual void ShowRows(std::u16string_view caption, const std::vector<LookBackRow>& rows) = 0;
  virtual std::vector<std::int32_t> SelectedRows() const = 0;  // in order
  virtual void SelectRow(std::int32_t row) = 0;                // the only one selected, scrolled to
  // A row was clicked, or Enter pressed on it.
  virtual void OnRowOpened(Callback<void(std::int32_t row)> handler) = 0;

  // The picture: the day's strip, the week's seven strips (the oldest first), and the tags.
  virtual void ShowPicture(const DayStrip& day, const std::vector<DayStrip>& week) = 0;
  virtual void ShowTags(const std::vector<TagCount>& tags) = 0;

  // The search box; its change event searches as the person types.
  virtual platform::ITextBox& Search() = 0;

  // Which days Export... writes: 0 the day shown, 1 the week shown, 2 every day.
  virtual platform::IComboBox& ExportDays() = 0;
  virtual platform::IClickable& Copy() = 0;
  virtual platform::IClickable& Export() = 0;
  virtual platform::IClickable& Close() = 0;

  // The line that says the journal is off, with its button; hidden while it is on.
  virtual void ShowJournalOff(bool off) = 0;
  virtual platform::IClickable& TurnJournalOn() = 0;

  // Throws Failure when the clipboard cannot be had.
  virtual void CopyToClipboard(std::u16string_view text) = 0;
  // The common Save As dialog over the window, offering CSV and JSON; nothing when cancelled.
  virtual std::optional<ExportTarget> AskExportFile(std::u16string_view suggestedName) = 0;
  // Writes the whole file, replacing one that is there; throws Failure.
  virtual void WriteFile(std::u16string_view path, std::string_view bytes) = 0;
  // A message over the window, with an OK button.
  virtual void ShowMessage(std::u16string_view text) = 0;

  // Where the window is (nothing before it was shown), and where it is to be shown: a place off
  // every monitor of the screen now is ignored.
  virtual std::optional<WindowPlace> Place() const = 0;
  virtual void SetPlace(const WindowPlace& place) = 0;
};

using LookBackViewFactory = Callback<std::unique_ptr<ILookBackView>()>;

struct LookBackServices {
  const platform::IApplication& app;
  platform::IFiles& files;
  platform::IClock& clock;
  SettingsStore& settings;
};

class LookBackWindow {
 public:
  // Reads the journal once and shows today.
  LookBackWindow(ILookBackView& view, LookBackServices services);
  LookBackWindow(const LookBackWindow&) = delete;
  LookBackWindow& operator=(const LookBackWindow&) = delete;

  // Shows this day (days since 1970-01-01 in the person's calendar).
  void ShowDay(std::int64_t day);
  // The window is closing: its place is kept for the next opening.
  void KeepPlace();

 private:
  void ShowDayList();
  void ShowPicture();
  void OnSearchChanged();
  void OnRowOpened(std::int32_t row);
  void OnCopy();
  void OnExport();
  void OnTurnJournalOn();
  // Whether answers are being kept: the journal is on, or a ticked account keeps only a journal.
  bool JournalKept();
  // The answers of the rows selected in the list.
  std::vector<JournalAnswer> SelectedAnswers() const;

  ILookBackView& view_;
  LookBackServices s_;
  JournalIndex journal_;
  std::int64_t day_ = 0;                 // the day shown
  std::vector<JournalAnswer> shown_;     // the answer of each row of the list, in order
  bool searching_ = false;               // the list shows search hits
};

// The marks of the day's strip, from answers of that day and others.
std::vector<StripMark> StripMarks(const std::vector<JournalAnswer>& answers, std::int64_t day);
// The tags of the week's answers, with how many of them and of the day's carried each: those of
// the day first, by count.
std::vector<TagCount> CountTags(const std::vector<JournalAnswer>& week, std::int64_t day);

// Makes a fresh window, shows it modally over `owner` and returns when it has been closed.
void ShowLookBackModal(const LookBackViewFactory& makeView, LookBackServices services, platform::IWindow& owner);

}  // namespace quillet
