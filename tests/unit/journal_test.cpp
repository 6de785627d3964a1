// The journal's fields as a spreadsheet reads them: quoted where RFC 4180 asks, and a field that
// would be taken for a formula kept as text; its rows, in a new file and in one begun before the
// Asked and Accounts columns.
#include <gtest/gtest.h>

#include <string>

#include "common/callback.h"
#include "journal/journal.h"
#include "platform/fake/fake_files.h"
#include "platform/fake/fake_registry.h"

namespace quillet {
namespace {

TEST(Journal, FieldsAreQuotedAndFormulasKeptAsText) {
  struct Case {
    std::string field, written;
  };
  const Case cases[] = {
      {"plain words", "plain words"},
      {"a, b", "\"a, b\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},
      {"+1 more", "\"'+1 more\""},
      {"-2", "\"'-2\""},
      {"@SUM(A1)", "\"'@SUM(A1)\""},
      {"\tindented", "\"'\tindented\""},
      {"\rcarriage", "\"'\rcarriage\""},
      {"'quoted already", "'quoted already"},  // only before a formula's first character
      {"'=1", "\"''=1\""},                      // its own quote survives the one a reader strips
      {"''=a,b", "\"'''=a,b\""},                // and so do two
      {"a=b", "a=b"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(CsvField(c.field), c.written) << c.field;
}

TEST(Journal, RowsSayWhenThePopUpCameAndTheAccountAndAnOlderFileKeepsItsHeader) {
  platform::fake::FakeFiles files;
  platform::fake::FakeClock clock;
  platform::fake::FakeRegistry registry;
  SettingsStore settings(registry);
  Journal journal(files, clock, settings);
  const std::int64_t asked = clock.nowMs;  // 2026-11-30 01:53:20 here
  const std::string newHeader = "\xEF\xBB\xBFTime,Line,Outcome,Asked,Accounts\r\n";
  const std::string older = "\xEF\xBB\xBFTime,Line,Outcome\r\n2026-11-29 10:00:00,earlier,posted to b.example (bob)\r\n";
  struct Case {
    const char* name;
    std::string before;  // the file as it was; empty: none
    Callback<void()> write;
    std::string rows;  // added after `before` (and the column names, in a new file)
  } cases[] = {
      {"a line of the only account", "", [&] { journal.Add(asked + 5000, u"hi", u"posted", asked); },
       "2026-11-30 01:53:25,hi,posted,2026-11-30 01:53:20,\r\n"},
      {"not known when asked, for one of several accounts", older,
       [&] { journal.Add(asked, u"hi", u"posted to a.example (al, x)", 0, u"a.example (al, x)"); },
       "2026-11-30 01:53:20,hi,\"posted to a.example (al, x)\",,\"a.example (al, x)\"\r\n"},
      {"a pop-up left unanswered", "", [&] { journal.AddUnanswered(asked, asked + 15000); },
       "2026-11-30 01:53:35,,not answered,2026-11-30 01:53:20,\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    files.files.clear();
    if (!c.before.empty()) files.files["journal.csv"] = c.before;
    c.write();
    EXPECT_EQ(files.files["journal.csv"], (c.before.empty() ? newHeader : c.before) + c.rows);
  }
}

}  // namespace
}  // namespace quillet
