#include "dialogs/look_back_window.h"

#include <algorithm>
#include <charconv>

#include "common/catalog.h"
#include "common/civil_date.h"
#include "common/codepage.h"
#include "common/convert.h"
#include "common/json_quote.h"
#include "common/steps.h"
#include "common/utf8.h"
#include "journal/journal.h"
#include "networks/registry.h"
#include "settings/accounts.h"
#include "settings/setting_names.h"

namespace quillet {
namespace {

constexpr std::size_t kMostHits = 1000;
constexpr std::int64_t kWeekDays = 7;

// The choices of ExportDays, in order.
constexpr std::u16string_view kExportChoices[] = {Translatable(u"The day shown"), Translatable(u"The week shown"),
                                                  Translatable(u"Every day")};

platform::LocalTime LocalDay(std::int64_t day, std::int32_t second = 0) {
  CivilDate date = CivilFromDays(day);
  return {date.year, date.month, date.day, second / 3600, second / 60 % 60, second % 60};
}

std::string TimeText(const JournalTime& time) {
  return utf8::FromUtf16(LocalTimeText(LocalDay(time.day, time.second)));
}

// An outcome as the journal writes it, in the person's words. Rows written before the account
// had a column of its own end their outcome with " to <account>".
std::u16string OutcomeInWords(const JournalOutcome& row, const Catalog& words) {
  std::u16string outcome = row.outcome;
  std::u16string account = row.account;
  if (!account.empty() && outcome.ends_with(u" to " + account)) outcome.resize(outcome.size() - account.size() - 4);
  if (account.empty() && outcome.starts_with(u"posted to ")) {
    account = outcome.substr(10);
    outcome = u"posted";
  }
  auto reasonAfter = [&](std::u16string_view prefix) { return words.TrFilled(outcome.substr(prefix.size())); };
  std::u16string said;
  if (outcome == u"posted") {
    said = account.empty() ? words.Tr(u"Posted") : FillIn(words.Tr(u"Posted to %1"), {account});
    return said;
  }
  if (outcome == u"kept in the journal only") return words.Tr(u"Kept in the journal");
  if (outcome == u"not answered") return words.Tr(u"Not answered");
  if (outcome.starts_with(u"not posted: "))
    said = FillIn(words.Tr(u"Not posted: %1"), {reasonAfter(u"not posted: ")});
  else if (outcome.starts_with(u"may have arrived: "))
    said = FillIn(words.Tr(u"May have arrived: %1"), {reasonAfter(u"may have arrived: ")});
  else
    said = outcome;
  return account.empty() ? said : FillIn(words.Tr(u"%1 (%2)"), {said, account});
}

std::u16string AnswerOutcome(const JournalAnswer& answer, const Catalog& words) {
  // Posted to every account: one phrase naming them all.
  bool allPosted = std::all_of(answer.outcomes.begin(), answer.outcomes.end(),
                               [](const JournalOutcome& row) { return row.outcome == u"posted" && !row.account.empty(); });
  if (allPosted && answer.outcomes.size() > 1) {
    std::u16string accounts;
    for (const JournalOutcome& row : answer.outcomes) accounts += (accounts.empty() ? u"" : u", ") + row.account;
    return FillIn(words.Tr(u"Posted to %1"), {accounts});
  }
  std::u16string text;
  for (const JournalOutcome& row : answer.outcomes) text += (text.empty() ? u"" : u"; ") + OutcomeInWords(row, words);
  return text;
}

// The CSV of the journal's own columns, one row for each account, for a spreadsheet.
std::string ExportCsv(const std::vector<JournalAnswer>& answers) {
  std::string out = "\xEF\xBB\xBFTime,Line,Outcome,Asked,Accounts\r\n";
  for (const JournalAnswer& answer : answers) {
    for (const JournalOutcome& row : answer.outcomes) {
      out += CsvField(TimeText(answer.time)) + ',' + CsvField(utf8::FromUtf16(answer.line)) + ',' +
             CsvField(utf8::FromUtf16(row.outcome)) + ',' + (answer.asked ? CsvField(TimeText(*answer.asked)) : "") +
             ',' + CsvField(utf8::FromUtf16(row.account)) + "\r\n";
    }
  }
  return out;
}

// The same as a JSON array: an object for each answer, its outcomes one for each account.
std::string ExportJson(const std::vector<JournalAnswer>& answers) {
  std::string out = "[";
  for (const JournalAnswer& answer : answers) {
    out += out.size() > 1 ? ",\n " : "\n ";
    out += "{\"time\": " + json::Quote(TimeText(answer.time));
    out += ", \"asked\": " + (answer.asked ? json::Quote(TimeText(*answer.asked)) : std::string("null"));
    out += std::string(", \"answered\": ") + (answer.unanswered ? "false" : "true");
    out += ", \"line\": " + json::Quote(utf8::FromUtf16(answer.line)) + ", \"outcomes\": [";
    for (std::size_t i = 0; i < answer.outcomes.size(); ++i) {
      out += (i ? ", " : "") + std::string("{\"outcome\": ") + json::Quote(utf8::FromUtf16(answer.outcomes[i].outcome)) +
             ", \"account\": " + json::Quote(utf8::FromUtf16(answer.outcomes[i].account)) + '}';
    }
    out += "]}";
  }
  return out + "\n]\n";
}

std::optional<WindowPlace> ParsePlace(std::u16string_view text) {
  std::string ascii = utf8::FromUtf16(text);
  std::int32_t values[4];
  const char* at = ascii.data();
  const char* end = ascii.data() + ascii.size();
  for (int i = 0; i < 4; ++i) {
    auto [next, error] = std::from_chars(at, end, values[i]);
    if (error != std::errc{} || (next == end ? i != 3 : *next != ',')) return std::nullopt;
    at = next + 1;
  }
  if (at != end + 1 || values[2] <= 0 || values[3] <= 0) return std::nullopt;
  return WindowPlace{values[0], values[1], values[2], values[3]};
}

}  // namespace

std::vector<TagCount> CountTags(const std::vector<JournalAnswer>& week, std::int64_t day) {
  std::vector<TagCount> counts;
  std::vector<std::u16string> keys;  // the tags, case aside, beside counts
  for (const JournalAnswer& answer : week) {
    for (const std::u16string& tag : TagsOf(answer.line)) {
      std::u16string key = FoldedCase(tag);
      auto found = std::find(keys.begin(), keys.end(), key);
      if (found == keys.end()) {
        keys.push_back(key);
        counts.push_back({tag, 0, 0});
        found = keys.end() - 1;
      }
      TagCount& count = counts[static_cast<std::size_t>(found - keys.begin())];
      ++count.week;
      if (answer.time.day == day) ++count.day;
    }
  }
  std::stable_sort(counts.begin(), counts.end(), [](const TagCount& a, const TagCount& b) {
    return a.day != b.day ? a.day > b.day : a.week > b.week;
  });
  return counts;
}

std::vector<StripMark> StripMarks(const std::vector<JournalAnswer>& answers, std::int64_t day) {
  std::vector<StripMark> marks;
  for (const JournalAnswer& answer : answers) {
    if (answer.time.day != day) continue;
    // An unanswered pop-up is marked where it came up, an answer where it was given.
    JournalTime at = answer.unanswered && answer.asked && answer.asked->day == day ? *answer.asked : answer.time;
    marks.push_back({at.second / 60, !answer.unanswered});
  }
  return marks;
}

LookBackWindow::LookBackWindow(ILookBackView& view, LookBackServices services) : view_(view), s_(services) {
  const Catalog& words = s_.app.Words();
  std::string bytes;
  Step([&] { bytes = s_.files.Read(kJournalFile).value_or(std::string()); });
  journal_ = JournalIndex(std::move(bytes));
  for (std::u16string_view choice : kExportChoices) Step([&] { view_.ExportDays().AddItem(words.Tr(choice)); });
  Step([&] { view_.ExportDays().SetListIndex(1); });
  Step([&] { view_.ShowJournalOff(!JournalKept()); });
  if (auto place = ParsePlace(s_.settings.Get(kLookBackPlace))) Step([&] { view_.SetPlace(*place); });

  view_.PreviousDay().OnClick([this] { ShowDay(day_ - 1); });
  view_.NextDay().OnClick([this] { ShowDay(day_ + 1); });
  view_.Today().OnClick([this] {
    platform::LocalTime now = s_.clock.Local(s_.clock.NowMs());
    ShowDay(DaysFromCivil(now.year, now.month, now.day));
  });
  view_.OnDayPicked([this](platform::LocalTime day) { ShowDay(DaysFromCivil(day.year, day.month, day.day)); });
  view_.Search().OnChange([this] { OnSearchChanged(); });
  view_.OnRowOpened([this](std::int32_t row) { OnRowOpened(row); });
  view_.Copy().OnClick([this] { OnCopy(); });
  view_.Export().OnClick([this] { OnExport(); });
  view_.TurnJournalOn().OnClick([this] { OnTurnJournalOn(); });
  view_.Close().OnClick([this] { KeepPlace(); });
  view_.Window().OnQueryClose([this] { KeepPlace(); });

  platform::LocalTime now = s_.clock.Local(s_.clock.NowMs());
  ShowDay(DaysFromCivil(now.year, now.month, now.day));
}

void LookBackWindow::ShowDay(std::int64_t day) {
  day_ = day;
  Step([&] { view_.ShowDay(LocalDay(day)); });
  if (!searching_) ShowDayList();
  ShowPicture();
}

void LookBackWindow::ShowDayList() {
  const Catalog& words = s_.app.Words();
  shown_ = journal_.Day(day_);
  std::vector<LookBackRow> rows;
  for (const JournalAnswer& answer : shown_) {
    rows.push_back({s_.clock.TimeOfDayText(LocalDay(answer.time.day, answer.time.second)), answer.line,
                    AnswerOutcome(answer, words)});
  }
  std::u16string date = s_.clock.DateText(LocalDay(day_));
  std::u16string caption = shown_.empty() ? FillIn(words.Tr(u"No answers on %1."), {date})
                                          : FillIn(words.Tr(u"Answers on %1:"), {date});
  Step([&] { view_.ShowRows(caption, rows); });
}

void LookBackWindow::ShowPicture() {
  std::vector<JournalAnswer> week = journal_.Days(day_ - (kWeekDays - 1), day_);
  DayStrip day{s_.clock.DateText(LocalDay(day_)), StripMarks(week, day_)};
  std::vector<DayStrip> strips;
  for (std::int64_t d = day_ - (kWeekDays - 1); d <= day_; ++d)
    strips.push_back({s_.clock.DateText(LocalDay(d)), StripMarks(week, d)});
  Step([&] { view_.ShowPicture(day, strips); });
  Step([&] { view_.ShowTags(CountTags(week, day_)); });
}

void LookBackWindow::OnSearchChanged() {
  std::u16string words = view_.Search().Text();
  bool searching = words.find_first_not_of(u" \t") != std::u16string::npos;
  if (!searching) {
    if (std::exchange(searching_, false)) ShowDayList();
    return;
  }
  searching_ = true;
  const Catalog& catalog = s_.app.Words();
  shown_ = journal_.Search(words, kMostHits);
  std::vector<LookBackRow> rows;
  for (const JournalAnswer& answer : shown_) {
    platform::LocalTime at = LocalDay(answer.time.day, answer.time.second);
    rows.push_back({s_.clock.DateText(at) + u' ' + s_.clock.TimeOfDayText(at), answer.line,
                    AnswerOutcome(answer, catalog)});
  }
  auto count = static_cast<unsigned long>(shown_.size());
  std::u16string caption =
      shown_.empty() ? catalog.Tr(u"No answer holds these words.")
                     : FillIn(catalog.TrPlural(u"%1 answer found:", u"%1 answers found:", count), {DecimalText(count)});
  if (shown_.size() >= kMostHits) caption = FillIn(catalog.Tr(u"The latest %1 answers found:"), {DecimalText(count)});
  Step([&] { view_.ShowRows(caption, rows); });
}

void LookBackWindow::OnRowOpened(std::int32_t row) {
  if (!searching_ || row < 0 || static_cast<std::size_t>(row) >= shown_.size()) return;
  JournalAnswer hit = shown_[static_cast<std::size_t>(row)];
  // The hit's day, with the hit selected; the search box is emptied without showing the day
  // shown before.
  searching_ = false;
  view_.Search().SetText(u"");
  ShowDay(hit.time.day);
  for (std::size_t i = 0; i < shown_.size(); ++i) {
    if (shown_[i].firstRow == hit.firstRow) Step([&] { view_.SelectRow(static_cast<std::int32_t>(i)); });
  }
}

std::vector<JournalAnswer> LookBackWindow::SelectedAnswers() const {
  std::vector<JournalAnswer> answers;
  for (std::int32_t row : view_.SelectedRows()) {
    if (row >= 0 && static_cast<std::size_t>(row) < shown_.size()) answers.push_back(shown_[static_cast<std::size_t>(row)]);
  }
  return answers;
}

void LookBackWindow::OnCopy() {
  const Catalog& words = s_.app.Words();
  std::u16string text;
  for (const JournalAnswer& answer : SelectedAnswers()) {
    platform::LocalTime at = LocalDay(answer.time.day, answer.time.second);
    text += s_.clock.DateText(at) + u' ' + s_.clock.TimeOfDayText(at) + u'\t' +
            (answer.unanswered ? words.Tr(u"Not answered") : answer.line) + u"\r\n";
  }
  if (text.empty()) return;
  try {
    view_.CopyToClipboard(text);
  } catch (const std::exception& failure) {
    view_.ShowMessage(FillIn(words.Tr(u"The answers could not be copied: %1"), {Widen(failure.what())}));
  }
}

void LookBackWindow::OnExport() {
  const Catalog& words = s_.app.Words();
  std::int32_t choice = view_.ExportDays().ListIndex();
  std::int64_t first = day_, last = day_;
  std::u16string name = u"quillet-" + LocalTimeText(LocalDay(day_)).substr(0, 10);
  if (choice == 1) {
    first = day_ - (kWeekDays - 1);
    name = u"quillet-" + LocalTimeText(LocalDay(first)).substr(0, 10) + u"-to-" + LocalTimeText(LocalDay(day_)).substr(0, 10);
  } else if (choice == 2) {
    first = journal_.FirstDay().value_or(day_);
    last = journal_.LastDay().value_or(day_);
    name = u"quillet-journal";
  }
  std::optional<ExportTarget> target = view_.AskExportFile(name);
  if (!target) return;
  std::vector<JournalAnswer> answers = journal_.Days(first, last);
  try {
    view_.WriteFile(target->path, target->format == ExportFormat::kJson ? ExportJson(answers) : ExportCsv(answers));
  } catch (const std::exception& failure) {
    view_.ShowMessage(FillIn(words.Tr(u"%1 could not be written: %2"), {target->path, Widen(failure.what())}));
  }
}

void LookBackWindow::OnTurnJournalOn() {
  Step([&] { s_.settings.SaveFlag(kJournal, true); });
  Step([&] { view_.ShowJournalOff(!JournalKept()); });
}

bool LookBackWindow::JournalKept() {
  if (Journal(s_.files, s_.clock, s_.settings, [](SettingsStore& account) { return NetworkOf(account).JournalOnly(); })
          .Enabled())
    return true;
  // An account of the kind "Journal only" keeps its lines there whatever the setting.
  for (const AccountSummary& account : Accounts(s_.settings).List()) {
    if (account.postHere && NetworkNamed(account.api).JournalOnly()) return true;
  }
  return false;
}

void LookBackWindow::KeepPlace() {
  std::optional<WindowPlace> place;
  Step([&] { place = view_.Place(); });
  if (!place) return;
  auto text = [](std::int32_t value) { return Widen(std::to_string(value)); };
  Step([&] {
    s_.settings.Save(kLookBackPlace,
                     text(place->left) + u',' + text(place->top) + u',' + text(place->width) + u',' + text(place->height));
  });
}

void ShowLookBackModal(const LookBackViewFactory& makeView, LookBackServices services, platform::IWindow& owner) {
  std::unique_ptr<ILookBackView> view = makeView();
  LookBackWindow window(*view, services);
  view->Window().ShowModal(owner);
}

}  // namespace quillet
