#include "delivery/journal.h"

#include <cstdio>

#include "common/codepage.h"
#include "common/utf8.h"
#include "delivery/service_api.h"

namespace quillet {

std::string CsvField(std::string_view utf8) {
  if (utf8.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(utf8);
  std::string out = "\"";
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
  return settings_.Get(u"Journal", u"0") == u"1" || ParseApi(settings_.Get(u"Api", u"")) == ServiceApi::kJournal;
}

void Journal::Add(std::int64_t confirmedMs, std::u16string_view line, std::u16string_view outcome) {
  std::string record = CsvField(utf8::FromUtf16(LocalTimeText(clock_.Local(confirmedMs)))) + ',' +
                       CsvField(utf8::FromUtf16(line)) + ',' + CsvField(utf8::FromUtf16(outcome)) + "\r\n";
  if (files_.Size(kJournalFile).value_or(0) == 0) record = "\xEF\xBB\xBFTime,Line,Outcome\r\n" + record;
  files_.Append(kJournalFile, record);
}

}  // namespace quillet
