// The journal's fields as a spreadsheet reads them: quoted where RFC 4180 asks, and a field that
// would be taken for a formula kept as text.
#include <gtest/gtest.h>

#include <string>

#include "delivery/journal.h"

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
      {"a=b", "a=b"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(CsvField(c.field), c.written) << c.field;
}

}  // namespace
}  // namespace quillet
