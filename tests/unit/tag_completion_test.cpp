// The #tags offered in the update window's box: their order from the journal, the narrowing by
// what is typed, and the keys, on the fake platform in the program as it is wired.
#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "common/civil_date.h"
#include "posting/tag_completion.h"
#include "tests/unit/update_window_fixture.h"

namespace quillet::testing {
namespace {

std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

// A journal with one row for each line, on the given day of November 2026 (rows of one answer
// sent to two accounts when `twice`).
struct Row {
  int day;
  const char* line;
  const char* outcome = "posted";
  bool twice = false;
};
std::string JournalOf(const std::vector<Row>& rows) {
  std::string out = "\xEF\xBB\xBFTime,Line,Outcome,Asked,Accounts\r\n";
  int second = 0;
  for (const Row& row : rows) {
    std::string time = "2026-11-" + std::string(row.day < 10 ? "0" : "") + std::to_string(row.day) + " 09:00:" +
                       (second < 10 ? "0" : "") + std::to_string(second);
    ++second;
    std::string rest = std::string(",") + row.line + "," + row.outcome + ",,";
    out += time + rest + (row.twice ? "a.example (alice)" : "") + "\r\n";
    if (row.twice) out += time + rest + "b.example (alice)\r\n";
  }
  return out;
}

TEST(TagOrder, TheWeeksMostUsedFirstThenTheRestByCountThenTheLatest) {
  const std::int64_t today = DaysFromCivil(2026, 11, 30);
  struct Case {
    const char* name;
    std::vector<Row> rows;
    std::vector<std::u16string> offered;
  } cases[] = {
      {"the week's count before the count of all time",
       {{1, "#reading"}, {2, "#reading"}, {3, "#reading"}, {28, "#work"}, {29, "#work #reading"}, {30, "#work"}},
       {u"#work", u"#reading"}},
      {"without a use this week: by count, then the one used last",
       {{1, "#lunch"}, {2, "#walk"}, {3, "#walk"}, {4, "#tea"}, {5, "#lunch"}},
       {u"#lunch", u"#walk", u"#tea"}},
      {"seven days: today and the six before; a day ahead of today is no day of this week",
       {{23, "#old #old2"}, {23, "#old2"}, {24, "#edge"}, {30, "#today"}, {31, "#ahead"}},  // the 31st: December 1
       {u"#today", u"#edge", u"#old2", u"#ahead", u"#old"}},
      {"case aside, one tag, as it was written last",
       {{1, "#Work"}, {2, "#WORK"}, {3, "#work"}, {29, "#Reading"}},
       {u"#Reading", u"#work"}},
      {"an answer to two accounts counts once; a pop-up unanswered and a # inside a word count not",
       {{29, "#a", "posted", true}, {29, "#b"}, {29, "#b"}, {29, "", "not answered"}, {29, "C# and x#y"}},
       {u"#b", u"#a"}},
      {"any script", {{29, "#読書 #Ελλάδα"}, {29, "#読書"}}, {u"#読書", u"#Ελλάδα"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(OfferedTags(JournalOf(c.rows), today), c.offered);
  }
  EXPECT_TRUE(OfferedTags("", today).empty());
}

// The tags as the journal's reader reads the answers back: what the walk of the file must agree with.
std::vector<std::pair<std::u16string, int>> CountedByTheReader(const std::string& bytes) {
  JournalIndex journal(bytes);
  std::vector<std::pair<std::u16string, int>> counts;
  if (!journal.FirstDay()) return counts;
  for (const JournalAnswer& answer : journal.Days(*journal.FirstDay(), *journal.LastDay())) {
    for (const std::u16string& tag : TagsOf(answer.line)) {
      auto found = std::find_if(counts.begin(), counts.end(),
                                [&](const auto& count) { return FoldedCase(count.first) == FoldedCase(tag); });
      if (found == counts.end()) {
        counts.emplace_back(tag, 1);
      } else {
        ++found->second;
      }
    }
  }
  return counts;
}

TEST(TagOrder, TheWalkOfTheFileCountsWhatTheJournalsReaderReadsBack) {
  // Rows as the journal holds them, awkward ones among them: quoted lines with commas, quotes and
  // line breaks, an outcome with a "#", a row that never closes its quote, rows for two accounts,
  // a row out of time order, a blank line. Each row has a minute of its own.
  const char* const kRows[] = {
      "2026-11-0%d 09:%02d:00,#plain line,posted,,\r\n",
      "2026-11-0%d 09:%02d:00,\"#quoted, with a comma\",posted,,\r\n",
      "2026-11-0%d 09:%02d:00,\"say \"\"#hi\"\" #said\",posted,,\r\n",
      "2026-11-0%d 09:%02d:00,\"two\r\n#lines\",posted,,\r\n",
      "2026-11-0%d 09:%02d:00,no tag,\"not posted: #500, said the server\",,\r\n",
      "2026-11-0%d 09:%02d:00,#twice,posted,,a (alice)\r\n2026-11-0%d 09:%02d:00,#twice,posted,,b (alice)\r\n",
      "2026-11-0%d 09:%02d:00,\"#broken,posted,,\r\n",
      "2026-11-0%d 09:%02d:00,,not answered,,\r\n",
      "\r\n",
      "2026-10-0%d 08:%02d:00,#earlier #Plain,posted,,\r\n",
      "not a time,#nothing,posted,,\r\n",
  };
  std::uint32_t seed = 41;
  for (int walk = 0; walk < 200; ++walk) {
    std::string bytes = walk % 2 ? "\xEF\xBB\xBFTime,Line,Outcome,Asked,Accounts\r\n" : "";
    for (int row = 0; row < 12; ++row) {
      seed = seed * 1103515245 + 12345;
      char text[160];
      int day = 1 + static_cast<int>((seed >> 8) % 9);
      std::snprintf(text, sizeof text, kRows[(seed >> 16) % std::size(kRows)], day, row, day, row);
      bytes += text;
    }
    std::vector<std::pair<std::u16string, int>> expected = CountedByTheReader(bytes);
    std::vector<std::u16string> offered = OfferedTags(bytes, DaysFromCivil(2026, 11, 30));
    ASSERT_EQ(offered.size(), expected.size()) << bytes;
    for (std::size_t i = 1; i < expected.size() && i < offered.size(); ++i) {
      auto count = [&](const std::u16string& tag) {
        return std::find_if(expected.begin(), expected.end(),
                            [&](const auto& e) { return FoldedCase(e.first) == FoldedCase(tag); })->second;
      };
      EXPECT_GE(count(offered[i - 1]), count(offered[i])) << "by count, none used this week; in\n" << bytes;
    }
  }
}

TEST(TagOrder, NarrowingKeepsTheOrderAndSetsCaseAsideInAnyScript) {
  const std::vector<std::u16string> tags = {u"#work", u"#Walk", u"#reading", u"#Ωmega", u"#Москва", u"#読書", u"#w"};
  struct Case {
    std::u16string typed;
    std::vector<std::u16string> offered;
  } cases[] = {
      {u"", tags},
      {u"w", {u"#work", u"#Walk"}},  // the tag typed in full is not offered again
      {u"W", {u"#work", u"#Walk"}},
      {u"wa", {u"#Walk"}},
      {u"or", {}},  // from the start only
      {u"ω", {u"#Ωmega"}},
      {u"мос", {u"#Москва"}},
      {u"読", {u"#読書"}},
      {u"workday", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(NarrowedTags(tags, c.typed), c.offered) << Narrow(c.typed);
}

class TagKeys : public UpdateWindowTest {
 protected:
  void SetUp() override {
    Start();
    Store("Journal", "1");
    files.files["journal.csv"] = JournalOf({{1, "#walk"}, {2, "#walk"}, {3, "#walk"}, {29, "#work"}, {30, "#work #wine"}});
  }
  void Act(const std::string& keys) {
    for (std::size_t at = 0; at < keys.size(); ++at) {
      switch (keys[at]) {
        case 'v': statusBox.PressKey(platform::kKeyDown); break;
        case '^': statusBox.PressKey(platform::kKeyUp); break;
        case '>': statusBox.PressKey(platform::kKeyTab); break;
        case '<': statusBox.TypeChar(u'\b'); break;
        case 'E': clock.nowMs += 2000; statusBox.TypeChar(u'\r'); break;
        case 'X': statusBox.TypeChar(u'\x1b'); break;
        default: statusBox.TypeChar(static_cast<char16_t>(keys[at])); break;
      }
    }
  }
};

TEST_F(TagKeys, TypingOffersNarrowsAndTheKeysChooseAndPutIn) {
  // Keys: a letter is typed; v Down, ^ Up, > Tab, < Backspace, E Enter, X Esc.
  struct Case {
    std::string keys;
    std::u16string text;               // the box after them
    std::vector<std::u16string> list;  // shown; empty: closed
    int chosen;
    bool visible = true;  // the window
    int posted = 0;
  } cases[] = {
      {"#", u"#", {u"#work", u"#wine", u"#walk"}, 0},
      {"#w", u"#w", {u"#work", u"#wine", u"#walk"}, 0},
      {"#wo", u"#wo", {u"#work"}, 0},
      {"#wo<", u"#w", {u"#work", u"#wine", u"#walk"}, 0},
      {"#wvv", u"#w", {u"#work", u"#wine", u"#walk"}, 2},
      {"#wvvv^", u"#w", {u"#work", u"#wine", u"#walk"}, 1},  // Down stops at the last
      {"#w>", u"#work", {}, -1},
      {"#wv>", u"#wine", {}, -1},
      {"#Wvv>", u"#walk", {}, -1},
      {"#wE", u"#work", {}, -1},  // Enter with the list open puts the tag in and posts nothing
      {"#wEE", u"#work", {}, -1, false, 1},  // the next Enter posts
      {"#wX", u"#w", {}, -1},  // Esc closes the list, the window stays
      {"#wXX", u"#w", {}, -1, false},
      {"#x", u"#x", {}, -1},
      {"#work ", u"#work ", {}, -1},
      {"a#w", u"a#w", {}, -1},
      {"(#wi", u"(#wi", {u"#wine"}, 0},
      {"I am at #wi> now", u"I am at #wine now", {}, -1},
      {"#w>v", u"#work", {}, -1},  // Down after the list closed: the previous lines' walk is not begun in a box with text
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.keys);
    int waiting = program.outbox().Waiting();
    updateWindow.PopUp();
    Act(c.keys);
    EXPECT_EQ(statusBox.Text(), c.text);
    EXPECT_EQ(tagList.visible, !c.list.empty());
    if (!c.list.empty()) {
      EXPECT_EQ(tagList.entries, c.list);
      EXPECT_EQ(tagList.chosen, c.chosen);
    }
    EXPECT_EQ(window.Visible(), c.visible);
    EXPECT_EQ(program.outbox().Waiting() - waiting, c.posted);
  }
}

TEST_F(TagKeys, TheJournalIsReadAtTheFirstTagOfAPopUpOnlyWhenItIsKeptAndTheCountCountsTheTag) {
  updateWindow.PopUp();
  Act("#w");
  EXPECT_EQ(tagList.entries.front(), u"#work") << "the file written after the start is what is offered";
  EXPECT_EQ(tagList.anchor, 0);
  Act(">");
  EXPECT_EQ(charsLeft.Caption(), u"135") << "the count counts the tag put in";
  files.files["journal.csv"] = JournalOf({{30, "#wasabi"}});
  Act(" #w");
  EXPECT_EQ(tagList.entries.front(), u"#work") << "read once while the window is up";
  EXPECT_EQ(tagList.anchor, 6);
  closeMark.Click();
  EXPECT_FALSE(tagList.visible) << "the list goes with the window";
  updateWindow.PopUp();
  Act("#w");
  EXPECT_EQ(tagList.entries, std::vector<std::u16string>{u"#wasabi"}) << "read again at the next pop-up";

  Store("Journal", "0");
  updateWindow.PopUp();
  Act("#w");
  EXPECT_FALSE(tagList.visible) << "no journal, no tags";

  Store("Journal", "1");
  Store("Server", "https://m.example");
  Store("TextLimit", "7");
  updateWindow.PopUp();
  Act("ab #w");
  EXPECT_TRUE(tagList.visible);
  Act(">");
  EXPECT_EQ(statusBox.Text(), u"ab #w") << "a tag that would pass the limit stays out";
}

}  // namespace
}  // namespace quillet::testing
