// The table of settings against docs/settings.md: every value its tables list ("Stored as") is in
// the table, and every entry of the table is documented there; the table of a further account's
// values ("Value in `Accounts\<n>`") lists exactly kAccountSettings.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "settings/setting_names.h"

namespace quillet {
namespace {

std::string Lower(std::string text) {
  for (char& ch : text)
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  return text;
}

std::vector<std::string> Cells(const std::string& row) {
  std::vector<std::string> cells;
  std::stringstream columns(row);
  std::string cell;
  std::getline(columns, cell, '|');  // before the first bar
  while (std::getline(columns, cell, '|')) cells.push_back(cell);
  return cells;
}

struct DocumentedNames {
  std::set<std::string> programKey, eachAccount;
};

// The names in backquotes in the "Stored as" column of every table of docs/settings.md.
DocumentedNames ReadDocumentedNames() {
  std::ifstream page(QUILLET_SETTINGS_DOC_PATH);
  EXPECT_TRUE(page) << QUILLET_SETTINGS_DOC_PATH;
  DocumentedNames names;
  std::set<std::string>* table = nullptr;  // where the names of the table being read go
  std::string line;
  int column = -1;  // the "Stored as" column of the table being read, or -1
  while (std::getline(page, line)) {
    if (line.empty() || line[0] != '|') {
      column = -1;
      continue;
    }
    std::vector<std::string> cells = Cells(line);
    if (column < 0) {
      for (std::size_t i = 0; i < cells.size(); ++i)
        if (cells[i].find("Stored as") != std::string::npos) column = static_cast<int>(i);
      table = line.find("Accounts\\<n>") != std::string::npos ? &names.eachAccount : &names.programKey;
      continue;
    }
    if (static_cast<std::size_t>(column) >= cells.size()) continue;
    const std::string& cell = cells[static_cast<std::size_t>(column)];
    for (std::size_t open = cell.find('`'); open != std::string::npos; open = cell.find('`', open)) {
      std::size_t close = cell.find('`', open + 1);
      if (close == std::string::npos) break;
      table->insert(cell.substr(open + 1, close - open - 1));
      open = close + 1;
    }
  }
  return names;
}

TEST(SettingNamesTest, TheSettingsPageAndTheTableListTheSameValues) {
  DocumentedNames names = ReadDocumentedNames();
  const std::set<std::string>& documented = names.programKey;
  ASSERT_GE(documented.size(), 10u) << "the settings tables of docs/settings.md were not found";
  std::set<std::string> inTable, folded;
  for (const Setting& setting : kAllSettings) {
    std::string name(setting.name.begin(), setting.name.end());
    inTable.insert(name);
    // The registry matches names without regard to case: two entries must not name one value.
    EXPECT_TRUE(folded.insert(Lower(name)).second) << name << " is in the table twice";
    // (That each entry says what it means is checked as it is compiled: SettingOf.)
  }
  for (const std::string& name : documented) EXPECT_TRUE(inTable.contains(name)) << name << " is not in the table";
  for (const std::string& name : inTable)
    EXPECT_TRUE(documented.contains(name)) << name << " is not in docs/settings.md";

  std::set<std::string> eachAccount;
  for (const Setting& setting : kAccountSettings) eachAccount.emplace(setting.name.begin(), setting.name.end());
  EXPECT_EQ(names.eachAccount, eachAccount) << "the table of a further account's values";
}

}  // namespace
}  // namespace quillet
