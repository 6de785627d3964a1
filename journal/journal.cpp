#include "journal/journal.h"

#include "common/codepage.h"
#include "common/utf8.h"
#include "settings/setting_names.h"

namespace quillet {

namespace {

// A field a spreadsheet would take for a formula (OWASP's advice on CSV injection).
bool ReadAsFormula(std::string_view utf8) {
  return !utf8.empty() && std::string_view("=+-@\t\r").find(utf8.front()) != std::string_view::npos;
}

// A field that the reader of the file would take for one kept as text (single quotes, then a
// formula's first character): its own quotes must survive the one the reader strips.
bool LooksKeptAsText(std::string_view utf8) {
  std::size_t quotes = utf8.find_first_not_of('\'');
  return quotes != 0 && quotes != std::string_view::npos && ReadAsFormula(utf8.substr(quotes));
}

}  // namespace

std::string CsvField(std::string_view utf8) {
  bool formula = ReadAsFormula(utf8) || LooksKeptAsText(utf8);
  if (!formula && utf8.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(utf8);
  std::string out = formula ? "\"'" : "\"";
  for (char ch : utf8) {
    if (ch == '"') out += '"';
    out += ch;
  }
  return out + '"';
}

std::u16string LocalTimeText(const platform::LocalTime& t) {
  std::u16string text;
  auto digits = [&text](int value, int width) {  // zero-padded, as the time of day is written
    std::u16string part;
    for (int i = 0; i < width || value > 0; ++i, value /= 10) part.insert(part.begin(), static_cast<char16_t>(u'0' + value % 10));
    text += part;
  };
  digits(t.year, 4);
  text += u'-';
  digits(t.month, 2);
  text += u'-';
  digits(t.day, 2);
  text += u' ';
  digits(t.hour, 2);
  text += u':';
  digits(t.minute, 2);
  text += u':';
  digits(t.second, 2);
  return text;
}

bool Journal::Enabled() {
  return settings_.Flag(kJournal) || (journalOnly_ && journalOnly_(settings_));
}

void Journal::Add(std::int64_t confirmedMs, std::u16string_view line, std::u16string_view outcome, std::int64_t askedMs,
                  std::u16string_view account) {
  auto time = [this](std::int64_t ms) { return CsvField(utf8::FromUtf16(LocalTimeText(clock_.Local(ms)))); };
  std::string record = time(confirmedMs) + ',' + CsvField(utf8::FromUtf16(line)) + ',' +
                       CsvField(utf8::FromUtf16(outcome)) + ',' + (askedMs != 0 ? time(askedMs) : std::string()) +
                       ',' + CsvField(utf8::FromUtf16(account)) + "\r\n";
  if (files_.Size(kJournalFile).value_or(0) == 0) record = "\xEF\xBB\xBFTime,Line,Outcome,Asked,Accounts\r\n" + record;
  files_.Append(kJournalFile, record);
}

}  // namespace quillet
