// Looking back at one's answers: the journal read back (old and new rows, quoting, formulas kept
// as text, broken rows skipped and counted), a day's strip and tags, search, and the window.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "common/civil_date.h"
#include "common/json_quote.h"
#include "common/utf8.h"
#include "dialogs/look_back_window.h"
#include "journal/journal.h"
#include "journal/journal_reader.h"
#include "platform/fake/fake_files.h"
#include "platform/fake/fake_registry.h"
#include "platform/fake/fake_services.h"
#include "platform/fake/fake_ui.h"
#include "settings/settings_store.h"

namespace quillet {
namespace {

const std::int64_t kDec8 = DaysFromCivil(2026, 12, 8), kDec9 = DaysFromCivil(2026, 12, 9);

// A journal begun before the Asked and Accounts columns existed, and continued after.
const std::string kJournalText =
    "\xEF\xBB\xBFTime,Line,Outcome\r\n"
    "2026-12-08 09:00:05,coding #work,posted\r\n"
    "2026-12-08 12:30:00,\"lunch, with \"\"Bo\"\"\",posted to social.example (alice)\r\n"
    "2026-12-08 13:00:00,\"two\r\nlines\",kept in the journal only\r\n"
    "2026-12-08 14:00:00,\"'=SUM(A1)\",posted\r\n"
    "yesterday,not a time,posted\r\n"
    "2026-12-08 15:00:00,no outcome\r\n"
    "\r\n"
    "2026-12-09 08:59:50,,not answered,2026-12-09 08:59:35,\r\n"
    "2026-12-09 09:10:00,Coding #Work #café,posted to a (x),2026-12-09 09:09:58,a (x)\r\n"
    "2026-12-09 09:10:00,Coding #Work #café,not posted: the server refused it,2026-12-09 09:09:58,b (y)\r\n"
    "2026-12-09 11:00:00,\"never closed,posted\r\n"
    "2026-12-09 12:00:00,LUNCH #lunchtime,posted,2026-12-09 11:59:50,\r\n";

std::vector<std::u16string> Lines(const std::vector<JournalAnswer>& answers) {
  std::vector<std::u16string> lines;
  for (const JournalAnswer& answer : answers) lines.push_back(answer.unanswered ? u"(unanswered)" : answer.line);
  return lines;
}

TEST(JournalReader, ReadsOldAndNewRowsAndSkipsAndCountsBrokenOnes) {
  JournalIndex journal(kJournalText);
  EXPECT_EQ(journal.BrokenRows(), 3u) << "no time, no outcome, a quote never closed";
  EXPECT_EQ(journal.FirstDay(), kDec8);
  EXPECT_EQ(journal.LastDay(), kDec9);

  std::vector<JournalAnswer> dec8 = journal.Day(kDec8);
  EXPECT_EQ(Lines(dec8), (std::vector<std::u16string>{u"coding #work", u"lunch, with \"Bo\"", u"two\r\nlines", u"=SUM(A1)"}))
      << "the single quote that kept a formula as text is taken off";
  EXPECT_EQ(dec8[0].time, (JournalTime{kDec8, 9 * 3600 + 5}));
  EXPECT_FALSE(dec8[0].asked) << "an old row has no Asked column";
  EXPECT_EQ(dec8[1].outcomes, (std::vector<JournalOutcome>{{u"posted to social.example (alice)", u""}}));

  std::vector<JournalAnswer> dec9 = journal.Day(kDec9);
  ASSERT_EQ(Lines(dec9), (std::vector<std::u16string>{u"(unanswered)", u"Coding #Work #café", u"LUNCH #lunchtime"}));
  EXPECT_EQ(dec9[0].asked, (JournalTime{kDec9, 8 * 3600 + 59 * 60 + 35}));
  EXPECT_EQ(dec9[1].outcomes.size(), 2u) << "one answer, a row for each account";
  EXPECT_EQ(dec9[1].outcomes[1], (JournalOutcome{u"not posted: the server refused it", u"b (y)"}));
  EXPECT_EQ(journal.Days(kDec8, kDec9).size(), dec8.size() + dec9.size());
  EXPECT_TRUE(JournalIndex("").Day(kDec9).empty());
}

TEST(JournalReader, FormulasWrittenAsTextReadBackAsTyped) {
  for (std::string typed : {"=1+1", "+49 30", "-", "@home", "'=1, 2", "'plain", "a, b", "say \"hi\"\r\nbye", "#tag"}) {
    JournalIndex journal("2026-12-09 10:00:00," + CsvField(typed) + ",posted\r\n");
    ASSERT_EQ(journal.Day(kDec9).size(), 1u) << typed;
    EXPECT_EQ(journal.Day(kDec9)[0].line, utf8::ToUtf16(typed));
  }
}

// A quote never closed damages its own row only: a row that begins on a line of its own with a
// time is never taken into it.
TEST(JournalReader, ARowWithAQuoteNeverClosedHidesNoOtherRow) {
  struct Case {
    std::string rows;
    std::vector<std::u16string> lines;
    std::size_t broken;
  } cases[] = {
      {"2026-12-09 09:00:00,\"cut short,posted\r\n2026-12-09 10:00:00,coffee,posted\r\n"
       "2026-12-09 11:00:00,\"lunch, with Bo\",posted\r\n2026-12-09 12:00:00,\"cut again,posted\r\n"
       "2026-12-09 13:00:00,tea,posted\r\n",
       {u"coffee", u"lunch, with Bo", u"tea"}, 2},
      {"2026-12-09 09:00:00,\"cut short\r\nand more,posted\r\n2026-12-09 10:00:00,\"two\r\nlines\",posted\r\n",
       {u"two\r\nlines"}, 2},
      {"2026-12-09 09:00:00,\"two\r\n10:00 lines\",posted\r\n", {u"two\r\n10:00 lines"}, 0},
  };
  for (const Case& c : cases) {
    JournalIndex journal(c.rows);
    EXPECT_EQ(Lines(journal.Day(kDec9)), c.lines) << c.rows;
    EXPECT_EQ(journal.BrokenRows(), c.broken) << c.rows;
    for (const std::u16string& line : c.lines) EXPECT_EQ(Lines(journal.Search(line.substr(0, 3), 10)), (std::vector{line}));
  }
}

// Case is set aside by Unicode's simple case folding, in every script; a word is found whatever
// the file does to write it (a doubled quote, a letter folding into ASCII).
TEST(JournalReader, SearchFoldsCaseInEveryScriptAndFindsWordsWithQuotes) {
  std::string rows;
  const char16_t* lines[] = {u"\u017Dena doma", u"\u0179r\u00F3d\u0142o \u017Bywiec", u"\u0178ES", u"\u0218ase",
                             u"\u0386\u03C1\u03B7\u03C2", u"\u039F\u0394\u039F\u03A3", u"\u1EBE", u"it\"s late",
                             u"5 \u212A", u"\U00010400 deseret", u"\u13A0 tsalagi"};
  for (int i = 0; const char16_t* line : lines)
    rows += "2026-12-09 10:00:" + std::to_string(10 + i++) + "," + CsvField(utf8::FromUtf16(line)) + ",posted\r\n";
  JournalIndex journal(rows);
  struct Case {
    std::u16string words, found;
  } cases[] = {
      {u"\u017Eena", u"\u017Dena doma"},         {u"\u017Ar\u00F3d\u0141o \u017Cywiec", u"\u0179r\u00F3d\u0142o \u017Bywiec"},
      {u"\u00FFes", u"\u0178ES"},               {u"\u0219ASE", u"\u0218ase"},
      {u"\u03AC\u03A1\u0397\u03A3", u"\u0386\u03C1\u03B7\u03C2"},  // final sigma
      {u"\u03BF\u03B4\u03BF\u03C2", u"\u039F\u0394\u039F\u03A3"}, {u"\u1EBF", u"\u1EBE"},
      {u"IT\"S", u"it\"s late"},                {u"k", u"5 \u212A"},
      {u"\U00010428", u"\U00010400 deseret"},     {u"\uAB70", u"\u13A0 tsalagi"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Lines(journal.Search(c.words, 10)), (std::vector{c.found})) << utf8::FromUtf16(c.words);
}

TEST(JournalReader, SearchFindsAllWordsCaseAsideAndTagsWholeNewestFirst) {
  JournalIndex journal(kJournalText);
  struct Case {
    std::u16string words;
    std::vector<std::u16string> found;
  };
  const Case cases[] = {
      {u"coding", {u"Coding #Work #café", u"coding #work"}},
      {u"CODING work", {u"Coding #Work #café", u"coding #work"}},
      {u"#work", {u"Coding #Work #café", u"coding #work"}},
      {u"#CAFÉ", {u"Coding #Work #café"}},
      {u"#lunch", {}},  // #lunchtime is another tag
      {u"lunch", {u"LUNCH #lunchtime", u"lunch, with \"Bo\""}},
      {u"lunch bo", {u"lunch, with \"Bo\""}},
      {u"   ", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Lines(journal.Search(c.words, 10)), c.found) << utf8::FromUtf16(c.words);
  EXPECT_EQ(journal.Search(u"coding", 1).size(), 1u);
}

TEST(LookBackPicture, MarksAndTagsOfTheDayAndTheWeek) {
  std::vector<JournalAnswer> week = JournalIndex(kJournalText).Days(kDec8, kDec9);
  EXPECT_EQ(StripMarks(week, kDec9), (std::vector<StripMark>{{8 * 60 + 59, false}, {9 * 60 + 10, true}, {12 * 60, true}}))
      << "an unanswered pop-up is marked where it came up";
  EXPECT_EQ(StripMarks(week, kDec8).size(), 4u);
  EXPECT_EQ(CountTags(week, kDec9),
            (std::vector<TagCount>{{u"#work", 1, 2}, {u"#café", 1, 1}, {u"#lunchtime", 1, 1}}))
      << "#work and #Work are one tag, named as first written in the week";
  EXPECT_EQ(TagsOf(u"#a, (#b) x#c #d! ##e #f_1"), (std::vector<std::u16string>{u"#a", u"#b", u"#d", u"#f_1"}));
}

class FakeLookBackView : public ILookBackView {
 public:
  platform::IDialog& Window() override { return window; }
  void ShowDay(const platform::LocalTime& shown) override { day = shown; }
  void OnDayPicked(Callback<void(platform::LocalTime)> handler) override { onDayPicked = std::move(handler); }
  platform::IClickable& PreviousDay() override { return previous; }
  platform::IClickable& NextDay() override { return next; }
  platform::IClickable& Today() override { return today; }
  void ShowRows(std::u16string_view shownCaption, const std::vector<LookBackRow>& shown) override {
    caption = shownCaption;
    rows = shown;
    selected.clear();
  }
  std::vector<std::int32_t> SelectedRows() const override { return selected; }
  void SelectRow(std::int32_t row) override { selected = {row}; }
  void OnRowOpened(Callback<void(std::int32_t)> handler) override { onRowOpened = std::move(handler); }
  void ShowPicture(const DayStrip& shownDay, const std::vector<DayStrip>& shownWeek) override {
    strip = shownDay;
    week = shownWeek;
  }
  void ShowTags(const std::vector<TagCount>& shown) override { tags = shown; }
  platform::ITextBox& Search() override { return search; }
  platform::IComboBox& ExportDays() override { return exportDays; }
  platform::IClickable& Copy() override { return copy; }
  platform::IClickable& Export() override { return exportButton; }
  platform::IClickable& Close() override { return close; }
  void ShowJournalOff(bool off) override { journalOff = off; }
  platform::IClickable& TurnJournalOn() override { return turnOn; }
  void CopyToClipboard(std::u16string_view text) override { clipboard = text; }
  std::optional<ExportTarget> AskExportFile(std::u16string_view name) override {
    suggestedName = name;
    return target;
  }
  void WriteFile(std::u16string_view path, std::string_view bytes) override { written[std::u16string(path)] = bytes; }
  void ShowMessage(std::u16string_view text) override { messages.emplace_back(text); }
  std::optional<WindowPlace> Place() const override { return place; }
  void SetPlace(const WindowPlace& shown) override { place = shown; }

  platform::fake::FakeDialog window{0x710};
  platform::LocalTime day{};
  Callback<void(platform::LocalTime)> onDayPicked;
  Callback<void(std::int32_t)> onRowOpened;
  platform::fake::FakeClickable previous, next, today, copy, exportButton, close, turnOn;
  std::u16string caption;
  std::vector<LookBackRow> rows;
  std::vector<std::int32_t> selected;
  DayStrip strip;
  std::vector<DayStrip> week;
  std::vector<TagCount> tags;
  platform::fake::FakeTextBox search;
  platform::fake::FakeComboBox exportDays;
  bool journalOff = false;
  std::u16string clipboard, suggestedName;
  std::optional<ExportTarget> target = ExportTarget{u"C:\\week.csv", ExportFormat::kCsv};
  std::map<std::u16string, std::string> written;
  std::vector<std::u16string> messages;
  std::optional<WindowPlace> place;
};

class LookBackWindowTest : public ::testing::Test {
 protected:
  LookBackWindowTest() {
    settings.SetAppTitle(u"Quillet");
    files.files["journal.csv"] = kJournalText;
    clock.offsetMinutes = 0;
    clock.nowMs = (kDec9 * 86400 + 18 * 3600) * 1000;  // 18:00 on the 9th
  }
  std::vector<std::u16string> ShownLines() const {
    std::vector<std::u16string> lines;
    for (const LookBackRow& row : view.rows) lines.push_back(row.line);
    return lines;
  }
  platform::fake::FakeApplication app;
  platform::fake::FakeRegistry registry;
  SettingsStore settings{registry};
  platform::fake::FakeFiles files;
  platform::fake::FakeClock clock;
  FakeLookBackView view;
};

TEST_F(LookBackWindowTest, OpensOnTodayGoesBackADayAndFindsAnAnswerByAWord) {
  LookBackWindow window(view, {app, files, clock, settings});
  EXPECT_EQ(view.caption, u"Answers on 2026-12-09:");
  EXPECT_EQ(ShownLines(), (std::vector<std::u16string>{u"", u"Coding #Work #café", u"LUNCH #lunchtime"}));
  EXPECT_EQ(view.rows[0].when, u"08:59");
  EXPECT_EQ(view.rows[0].outcome, u"Not answered");
  EXPECT_EQ(view.rows[1].outcome, u"Posted to a (x); Not posted: the server refused it (b (y))");
  EXPECT_EQ(view.week.size(), 7u);
  EXPECT_EQ(view.week.back().marks, view.strip.marks);
  EXPECT_EQ(view.week[5].marks.size(), 4u) << "the day before, in its place in the week";

  view.previous.Click();
  EXPECT_EQ(view.day.day, 8);
  EXPECT_EQ(view.rows[1].outcome, u"Posted to social.example (alice)") << "an old row's account, after \" to \"";

  view.search.SetText(u"coding");
  EXPECT_EQ(view.caption, u"2 answers found:");
  EXPECT_EQ(view.rows[0].when, u"2026-12-09 09:10");
  view.onRowOpened(0);
  EXPECT_EQ(view.search.Text(), u"");
  EXPECT_EQ(view.day.day, 9);
  EXPECT_EQ(view.selected, (std::vector<std::int32_t>{1}));

  view.selected = {1, 2};
  view.copy.Click();
  EXPECT_EQ(view.clipboard, u"2026-12-09 09:10\tCoding #Work #café\r\n2026-12-09 12:00\tLUNCH #lunchtime\r\n");
}

TEST_F(LookBackWindowTest, ExportsTheWeekAsCsvThatReadsBackAsTheSameAnswers) {
  LookBackWindow window(view, {app, files, clock, settings});
  ASSERT_EQ(view.exportDays.ListIndex(), 1) << "the week, unless the person chooses otherwise";
  view.exportButton.Click();
  EXPECT_EQ(view.suggestedName, u"quillet-2026-12-03-to-2026-12-09");
  JournalIndex exported(view.written.at(u"C:\\week.csv"));
  JournalIndex original(kJournalText);
  EXPECT_EQ(exported.BrokenRows(), 0u);
  std::vector<JournalAnswer> a = exported.Days(kDec8, kDec9), b = original.Days(kDec8, kDec9);
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i].line, b[i].line);
    EXPECT_EQ(a[i].time, b[i].time);
    EXPECT_EQ(a[i].asked, b[i].asked);
    EXPECT_EQ(a[i].outcomes, b[i].outcomes);
  }

  view.exportDays.SetListIndex(0);
  view.target = ExportTarget{u"C:\\day.json", ExportFormat::kJson};
  view.exportButton.Click();
  const std::string& json = view.written.at(u"C:\\day.json");
  EXPECT_NE(json.find("\"time\": \"2026-12-09 08:59:50\", \"asked\": \"2026-12-09 08:59:35\", \"answered\": false"),
            std::string::npos)
      << json;
  EXPECT_EQ(json.find("2026-12-08"), std::string::npos) << "only the day shown";
}

// Any line, as the journal writes it, reads back as typed: in the window, and through Export as
// CSV (read back again) and JSON.
TEST_F(LookBackWindowTest, EveryLineReadsBackAsTypedThroughLookBackAndExport) {
  const std::u16string alphabet[] = {u"'", u"\"", u"=", u"+", u"-", u"@", u"\t", u"\r", u"\n", u"\r\n", u",", u"a", u" ", u"\u00E9"};
  std::mt19937 random(38);
  std::vector<std::u16string> typed;
  files.files.clear();
  Journal journal(files, clock, settings);
  const std::int64_t midnight = kDec9 * 86'400'000;
  for (int i = 0; i < 3000; ++i) {
    std::u16string line;
    for (auto length = random() % 7 + 1; length-- > 0;) line += alphabet[random() % std::size(alphabet)];
    journal.Add(midnight + i * 1000, line, u"posted");
    typed.push_back(line);
  }
  LookBackWindow window(view, {app, files, clock, settings});
  std::vector<std::u16string> shown = ShownLines();
  ASSERT_EQ(shown.size(), typed.size());
  for (std::size_t i = 0; i < typed.size(); ++i) EXPECT_EQ(shown[i], typed[i]) << utf8::FromUtf16(typed[i]);

  view.exportDays.SetListIndex(0);
  view.exportButton.Click();
  JournalIndex exported(view.written.at(u"C:\\week.csv"));
  EXPECT_EQ(exported.BrokenRows(), 0u);
  std::vector<std::u16string> csv = Lines(exported.Day(kDec9));
  ASSERT_EQ(csv.size(), typed.size());
  for (std::size_t i = 0; i < typed.size(); ++i) EXPECT_EQ(csv[i], typed[i]) << utf8::FromUtf16(typed[i]);

  view.target = ExportTarget{u"C:\\day.json", ExportFormat::kJson};
  view.exportButton.Click();
  const std::string& json = view.written.at(u"C:\\day.json");
  std::size_t at = 0;
  for (const std::u16string& line : typed) {
    at = json.find("\"line\": " + json::Quote(utf8::FromUtf16(line)) + ",", at);
    ASSERT_NE(at, std::string::npos) << utf8::FromUtf16(line);
  }
}

// A place that is not four whole numbers in range (a value cut short or too long) is no place.
TEST_F(LookBackWindowTest, ADamagedPlaceIsIgnored) {
  struct Case {
    std::u16string stored;
    std::optional<WindowPlace> place;
  } cases[] = {
      {u"10,20,300,400", WindowPlace{10, 20, 300, 400}}, {u"10,20,300,", std::nullopt},
      {u"10,20,300,400", WindowPlace{10, 20, 300, 400}}, {u"10,20,300,99999999999", std::nullopt},
      {u"10,20,300", std::nullopt},                      {u"10,20,300,400,", std::nullopt},
      {u"10,20,300,400x", std::nullopt},                 {u"10,20,0,400", std::nullopt},
  };
  for (const Case& c : cases) {
    settings.Save(kLookBackPlace, c.stored);
    FakeLookBackView fresh;
    LookBackWindow window(fresh, {app, files, clock, settings});
    EXPECT_EQ(fresh.place, c.place) << utf8::FromUtf16(c.stored);
  }
}

TEST_F(LookBackWindowTest, SaysWhenTheJournalIsOffTurnsItOnAndKeepsItsPlace) {
  {
    LookBackWindow window(view, {app, files, clock, settings});
    EXPECT_TRUE(view.journalOff);
    view.turnOn.Click();
    EXPECT_FALSE(view.journalOff);
    EXPECT_TRUE(settings.Flag(kJournal));
    view.place = WindowPlace{-1200, 40, 900, 600};
    view.close.Click();
  }
  FakeLookBackView second;
  LookBackWindow window(second, {app, files, clock, settings});
  EXPECT_FALSE(second.journalOff);
  EXPECT_EQ(second.place, (WindowPlace{-1200, 40, 900, 600}));
}

}  // namespace
}  // namespace quillet
