#include "delivery/journal.h"

#include <cstdio>

#include "common/codepage.h"
#include "common/utf8.h"
#include "delivery/service_api.h"
#include "settings/setting_names.h"

namespace quillet {

namespace {

// A field a spreadsheet would take for a formula (OWASP's advice on CSV injection).
bool ReadAsFormula(std::string_view utf8) {
  return !utf8.empty() && std::string_view("=+-@\t\r").find(utf8.front()) != std::string_view::npos;
}

}  // namespace

std::string CsvField(std::string_view utf8) {
  bool formula = ReadAsFormula(utf8);
  if (!formula && utf8.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(utf8);
  std::string out = formula ? "\"'" : "\"";
  for (char ch : utf8) {
    if (ch == '"') out += '"';
    out += ch;
  }
  return out + '"';
}

std::u16string LocalTimeText(const platform::LocalTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
  return Widen(text);
}

bool Journal::Enabled() {
  return settings_.Get(kJournal) == u"1" || ParseApi(settings_.Get(kApi)) == ServiceApi::kJournal;
}

void Journal::Add(std::int64_t confirmedMs, std::u16string_view line, std::u16string_view outcome) {
  std::string record = CsvField(utf8::FromUtf16(LocalTimeText(clock_.Local(confirmedMs)))) + ',' +
                       CsvField(utf8::FromUtf16(line)) + ',' + CsvField(utf8::FromUtf16(outcome)) + "\r\n";
  if (files_.Size(kJournalFile).value_or(0) == 0) record = "\xEF\xBB\xBFTime,Line,Outcome\r\n" + record;
  files_.Append(kJournalFile, record);
}

}  // namespace quillet
