#include "journal/journal_reader.h"

#include <algorithm>
#include <array>

#include "common/civil_date.h"
#include "common/utf8.h"

namespace quillet {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kFormulaStarts = "=+-@\t\r";

// One record of RFC 4180 text from `at`: its fields (quotes undone) and where the next begins.
// A quote never closed makes the record end at its line's end, as broken.
struct Record {
  std::vector<std::string> fields;
  std::size_t next = 0;
  bool broken = false;
};

Record ReadRecord(std::string_view bytes, std::size_t at, std::size_t fieldsWanted = 5) {
  Record record;
  std::string field;
  bool quoted = false;
  auto endField = [&] {
    // A field a spreadsheet would take for a formula was written quoted, after a single quote (and
    // so was one that began with single quotes before such a character: one more before them).
    std::size_t quotes = field.find_first_not_of('\'');
    if (quoted && quotes != 0 && quotes != std::string::npos && kFormulaStarts.find(field[quotes]) != std::string_view::npos)
      field.erase(0, 1);
    if (record.fields.size() < fieldsWanted) record.fields.push_back(std::move(field));
    field.clear();
    quoted = false;
  };
  bool inQuotes = false;
  std::size_t i = at;
  while (i < bytes.size()) {
    char ch = bytes[i];
    if (inQuotes) {
      if (ch == '"' && i + 1 < bytes.size() && bytes[i + 1] == '"') {
        field += '"';
        i += 2;
      } else {
        if (ch == '"') inQuotes = false; else field += ch;
        ++i;
      }
      continue;
    }
    if (ch == '"' && field.empty() && !quoted) {
      quoted = inQuotes = true;
      ++i;
      continue;
    }
    if (ch == ',') {
      endField();
      ++i;
      continue;
    }
    if (ch == '\r' || ch == '\n') {
      endField();
      i += (ch == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
      record.next = i;
      return record;
    }
    field += ch;
    ++i;
  }
  if (inQuotes) {  // never closed: the record ends with its first line
    std::size_t lineEnd = bytes.find('\n', at);
    record.broken = true;
    record.next = lineEnd == std::string_view::npos ? bytes.size() : lineEnd + 1;
    return record;
  }
  endField();
  record.next = bytes.size();
  return record;
}

bool IsBlankBetweenWords(char16_t ch) {
  return ch == u' ' || ch == u'\t' || ch == u'\r' || ch == u'\n' || ch == 0xA0 || ch == 0x3000 ||
         (ch >= 0x2000 && ch <= 0x200B) || ch == 0x202F || ch == 0x205F;
}

// A character a tag goes on with: letters and digits of any script, "_", and the marks of
// surrogate pairs (an emoji ends no tag early, but punctuation does).
bool InTag(char16_t ch) {
  if (ch < 0x80) return (ch >= u'0' && ch <= u'9') || (ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z') || ch == u'_';
  if (IsBlankBetweenWords(ch) || (ch >= 0xA1 && ch <= 0xBF) || ch == 0xD7 || ch == 0xF7) return false;
  if ((ch >= 0x2010 && ch <= 0x206F) || (ch >= 0x3001 && ch <= 0x303F) || (ch >= 0xFF01 && ch <= 0xFF0F) ||
      (ch >= 0xFF1A && ch <= 0xFF20) || (ch >= 0xFF3B && ch <= 0xFF40) || (ch >= 0xFF5B && ch <= 0xFF65))
    return false;
  return true;
}

std::vector<std::u16string> Words(std::u16string_view text) {
  std::vector<std::u16string> words;
  std::size_t at = 0;
  while (at < text.size()) {
    while (at < text.size() && IsBlankBetweenWords(text[at])) ++at;
    std::size_t end = at;
    while (end < text.size() && !IsBlankBetweenWords(text[end])) ++end;
    if (end > at) words.push_back(FoldedCase(text.substr(at, end - at)));
    at = end;
  }
  return words;
}

// A record's shape, found without copying its fields: how many it has (up to 3), its first
// field as written, and where the next record begins.
struct RecordShape {
  std::size_t fields = 1;
  std::string_view first;
  std::size_t next = 0;
  bool broken = false;
};

// Whether a row begins at `at`: its time, then a comma.
bool BeginsRow(std::string_view bytes, std::size_t at) {
  constexpr std::size_t kTimeLength = 19;
  return bytes.size() > at + kTimeLength && bytes[at + kTimeLength] == ',' && ParseJournalTime(bytes.substr(at, kTimeLength));
}

RecordShape Scan(std::string_view bytes, std::size_t at) {
  RecordShape shape;
  // The record ends at the first line break outside quotes: one with an even count of quotes
  // before it (a quoted field opens and closes with one, and a quote inside it is doubled). A
  // quote never closed (none closes it before the file ends, or the next line begins a row of its
  // own) makes a broken record of its first line, and takes no other row with it.
  std::size_t end = 0, from = at, quotes = 0;
  for (;;) {
    std::size_t lineEnd = bytes.find('\n', from);
    std::size_t stop = lineEnd == std::string_view::npos ? bytes.size() : lineEnd;
    quotes += static_cast<std::size_t>(std::count(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                                                  bytes.begin() + static_cast<std::ptrdiff_t>(stop), '"'));
    if (quotes % 2 == 0) {
      end = stop;
      break;
    }
    if (lineEnd == std::string_view::npos || BeginsRow(bytes, lineEnd + 1)) {
      std::size_t firstEnd = bytes.find('\n', at);
      shape.broken = true;
      shape.next = firstEnd == std::string_view::npos ? bytes.size() : firstEnd + 1;
      return shape;
    }
    from = lineEnd + 1;
  }
  shape.next = end == bytes.size() ? end : end + 1;
  std::string_view record = bytes.substr(at, end - at);
  if (record.ends_with('\r')) record.remove_suffix(1);
  // The first field (a time is never quoted), and whether a second and a third follow it.
  std::size_t comma = record.find(',');
  shape.first = record.substr(0, comma);
  if (comma == std::string_view::npos) return shape;
  shape.fields = 2;
  std::size_t second = comma + 1;
  if (second < record.size() && record[second] == '"') {
    std::size_t close = second + 1;
    while ((close = record.find('"', close)) != std::string_view::npos && close + 1 < record.size() && record[close + 1] == '"')
      close += 2;
    if (close != std::string_view::npos && close + 1 < record.size() && record[close + 1] == ',') shape.fields = 3;
  } else if (record.find(',', second) != std::string_view::npos) {
    shape.fields = 3;
  }
  return shape;
}

std::optional<JournalTime> TimeField(const Record& record, std::size_t index) {
  if (record.fields.size() <= index) return std::nullopt;
  return ParseJournalTime(record.fields[index]);
}

}  // namespace

std::optional<JournalTime> ParseJournalTime(std::string_view text) {
  // "YYYY-MM-DD HH:MM:SS"
  if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' || text[16] != ':')
    return std::nullopt;
  auto number = [&](std::size_t at, std::size_t width, int low, int high) -> std::optional<int> {
    int value = 0;
    for (std::size_t i = at; i < at + width; ++i) {
      if (text[i] < '0' || text[i] > '9') return std::nullopt;
      value = value * 10 + (text[i] - '0');
    }
    if (value < low || value > high) return std::nullopt;
    return value;
  };
  auto year = number(0, 4, 1, 9999), month = number(5, 2, 1, 12), day = number(8, 2, 1, 31);
  auto hour = number(11, 2, 0, 23), minute = number(14, 2, 0, 59), second = number(17, 2, 0, 60);
  if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
  return JournalTime{DaysFromCivil(*year, *month, *day), std::min(*hour * 3600 + *minute * 60 + *second, 86399)};
}

std::vector<std::u16string> TagsOf(std::u16string_view line) {
  std::vector<std::u16string> tags, seen;
  for (std::size_t at = 0; at < line.size(); ++at) {
    if (line[at] != u'#' || (at > 0 && !IsBlankBetweenWords(line[at - 1]) && line[at - 1] != u'(')) continue;
    std::size_t end = at + 1;
    while (end < line.size() && InTag(line[end])) ++end;
    if (end == at + 1) continue;
    std::u16string tag(line.substr(at, end - at));
    std::u16string key = FoldedCase(tag);
    if (std::find(seen.begin(), seen.end(), key) == seen.end()) {
      seen.push_back(std::move(key));
      tags.push_back(std::move(tag));
    }
    at = end - 1;
  }
  return tags;
}

JournalIndex::JournalIndex(std::string bytes) : bytes_(std::move(bytes)) {
  std::size_t at = bytes_.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
  bool first = true;
  while (at < bytes_.size()) {
    // Only the time is kept now; the rest is read again when the row is shown.
    std::size_t begin = at;
    RecordShape shape = Scan(bytes_, at);
    at = shape.next;
    bool header = first && shape.first == "Time";
    first = false;
    if (header || (shape.fields == 1 && shape.first.empty() && !shape.broken)) continue;  // a blank line
    std::optional<JournalTime> time;
    // A row holds a line and an outcome after its time; a time is never quoted.
    if (!shape.broken && shape.fields >= 3) time = ParseJournalTime(shape.first);
    if (!time || begin > UINT32_MAX) {
      ++brokenRows_;
      continue;
    }
    rows_.push_back({static_cast<std::uint32_t>(begin), static_cast<std::uint32_t>(at - begin), *time});
  }
  byTime_.resize(rows_.size());
  for (std::uint32_t i = 0; i < byTime_.size(); ++i) byTime_[i] = i;
  std::stable_sort(byTime_.begin(), byTime_.end(), [this](std::uint32_t a, std::uint32_t b) { return rows_[a].time < rows_[b].time; });
}

std::optional<std::int64_t> JournalIndex::FirstDay() const {
  if (byTime_.empty()) return std::nullopt;
  return rows_[byTime_.front()].time.day;
}

std::optional<std::int64_t> JournalIndex::LastDay() const {
  if (byTime_.empty()) return std::nullopt;
  return rows_[byTime_.back()].time.day;
}

JournalAnswer JournalIndex::ReadAnswer(std::size_t first, std::size_t end) const {
  JournalAnswer answer;
  for (std::size_t i = first; i < end; ++i) {
    const Row& row = rows_[byTime_[i]];
    Record record = ReadRecord(std::string_view(bytes_).substr(row.offset, row.length), 0);
    record.fields.resize(5);
    if (i == first) {
      answer.time = row.time;
      answer.asked = TimeField(record, 3);
      answer.line = utf8::ToUtf16(record.fields[1]);
      answer.unanswered = record.fields[2] == "not answered" && record.fields[1].empty();
      answer.firstRow = byTime_[i];
    }
    answer.outcomes.push_back({utf8::ToUtf16(record.fields[2]), utf8::ToUtf16(record.fields[4])});
  }
  return answer;
}

std::size_t JournalIndex::AnswerEnd(std::size_t first, std::size_t limit) const {
  // The rows of one line, one for each account, share its time and its line.
  const Row& head = rows_[byTime_[first]];
  Record headRecord = ReadRecord(std::string_view(bytes_).substr(head.offset, head.length), 0, 3);
  std::size_t end = first + 1;
  while (end < limit) {
    const Row& row = rows_[byTime_[end]];
    if (row.time != head.time) break;
    Record record = ReadRecord(std::string_view(bytes_).substr(row.offset, row.length), 0, 3);
    if (record.fields.size() < 3 || record.fields[1] != headRecord.fields[1] || record.fields[2] == "not answered") break;
    ++end;
  }
  return end;
}

std::vector<JournalAnswer> JournalIndex::Days(std::int64_t first, std::int64_t last) const {
  auto timeOf = [this](std::uint32_t row) { return rows_[row].time; };
  auto begin = std::lower_bound(byTime_.begin(), byTime_.end(), JournalTime{first, 0},
                                [&](std::uint32_t row, const JournalTime& t) { return timeOf(row) < t; });
  auto end = std::lower_bound(begin, byTime_.end(), JournalTime{last + 1, 0},
                              [&](std::uint32_t row, const JournalTime& t) { return timeOf(row) < t; });
  std::vector<JournalAnswer> answers;
  auto limit = static_cast<std::size_t>(end - byTime_.begin());
  for (auto i = static_cast<std::size_t>(begin - byTime_.begin()); i < limit;) {
    std::size_t answerEnd = AnswerEnd(i, limit);
    answers.push_back(ReadAnswer(i, answerEnd));
    i = answerEnd;
  }
  return answers;
}

std::vector<JournalAnswer> JournalIndex::Search(std::u16string_view words, std::size_t limit) const {
  std::vector<std::u16string> wanted = Words(words);
  std::vector<JournalAnswer> hits;
  if (wanted.empty()) return hits;
  // Words of plain letters are looked for in the row's bytes first, case aside, so that most rows
  // are passed over without being read: each run between quotes (the file doubles a quote), in a
  // row without a letter that folds into plain ones (the Kelvin sign).
  std::vector<std::string> plainRuns;
  for (const std::u16string& word : wanted) {
    if (!std::all_of(word.begin(), word.end(), [](char16_t ch) { return ch < 0x80; })) continue;
    for (std::size_t at = 0, end; at < word.size(); at = end + 1) {
      end = std::min(word.find(u'"', at), word.size());
      if (end > at) plainRuns.emplace_back(word.begin() + static_cast<std::ptrdiff_t>(at), word.begin() + static_cast<std::ptrdiff_t>(end));
    }
  }
  std::vector<std::string> foldingIntoPlain = FoldingIntoAscii();
  std::erase_if(foldingIntoPlain, [this](const std::string& letter) { return bytes_.find(letter) == std::string::npos; });
  auto mayHold = [&](std::string_view record) {
    auto holds = [record](const std::string& run) {
      return std::search(record.begin(), record.end(), run.begin(), run.end(),
                         [](char a, char b) { return (a >= 'A' && a <= 'Z' ? a + 0x20 : a) == b; }) != record.end();
    };
    return std::all_of(plainRuns.begin(), plainRuns.end(), holds) ||
           std::any_of(foldingIntoPlain.begin(), foldingIntoPlain.end(),
                       [record](const std::string& letter) { return record.find(letter) != std::string_view::npos; });
  };
  JournalTime lastHit{-1, -1};
  std::string lastLine;
  for (std::size_t i = byTime_.size(); i-- > 0 && hits.size() < limit;) {
    const Row& row = rows_[byTime_[i]];
    if (!mayHold(std::string_view(bytes_).substr(row.offset, row.length))) continue;
    Record record = ReadRecord(std::string_view(bytes_).substr(row.offset, row.length), 0, 3);
    if (record.fields.size() < 3 || record.fields[1].empty()) continue;
    if (row.time == lastHit && record.fields[1] == lastLine) continue;  // another account's row of a hit
    std::u16string line = utf8::ToUtf16(record.fields[1]);
    std::u16string folded = FoldedCase(line);
    std::vector<std::u16string> tags;
    bool all = std::all_of(wanted.begin(), wanted.end(), [&](const std::u16string& word) {
      if (word.size() > 1 && word[0] == u'#') {  // a tag is found whole, not inside a longer one
        if (tags.empty()) tags = TagsOf(line);
        return std::any_of(tags.begin(), tags.end(), [&](const std::u16string& tag) { return FoldedCase(tag) == word; });
      }
      return folded.find(word) != std::u16string::npos;
    });
    if (!all) continue;
    // The answer's rows for the other accounts lie beside it in time order.
    std::size_t first = i;
    while (first > 0 && rows_[byTime_[first - 1]].time == row.time && AnswerEnd(first - 1, i + 1) == i + 1) --first;
    std::size_t end = AnswerEnd(first, byTime_.size());
    hits.push_back(ReadAnswer(first, end));
    lastHit = row.time;
    lastLine = record.fields[1];
  }
  return hits;
}

}  // namespace quillet
