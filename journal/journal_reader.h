#pragma once
// Reading journal.csv back, for looking back at one's answers. The file is read once and kept as
// it is; beside it an index of its rows (where each lies, its day and time) finds a day's rows
// without reading the others, and a search reads only the lines.
//
// Rows, after the column names "Time,Line,Outcome,Asked,Accounts" (files written before the last
// two columns existed have rows of three fields, and read the same):
//   Time      when the line was confirmed, local time "2026-12-08 14:30:05"; for a pop-up left
//             unanswered, when it went away
//   Line      the line as typed (empty for a pop-up left unanswered)
//   Outcome   what became of it, in English: "posted", "kept in the journal only",
//             "not posted: <reason>", "may have arrived: <reason>", "not answered"; rows written
//             before the Accounts column name the account after " to " at the end
//   Asked     when the pop-up came up, local time (empty when not known)
//   Accounts  the account the row is about, in words (empty: the only account, or none)
// A line confirmed for several accounts has one row for each.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/case_folding.h"

namespace quillet {

// A moment of the journal: the day (days since 1970-01-01 in the person's calendar) and the
// second of that day.
struct JournalTime {
  std::int64_t day = 0;
  std::int32_t second = 0;  // 0..86399
  friend auto operator<=>(const JournalTime&, const JournalTime&) = default;
};

// "2026-12-08 14:30:05" read back; nothing when it is not such a time.
std::optional<JournalTime> ParseJournalTime(std::string_view text);

// What became of a line for one account.
struct JournalOutcome {
  std::u16string outcome;  // as written: "posted", "not posted: the server refused it", ...
  std::u16string account;  // in words; empty: the only account
  friend bool operator==(const JournalOutcome&, const JournalOutcome&) = default;
};

// An answer: a line confirmed (with what became of it for each account), or a pop-up that went
// unanswered.
struct JournalAnswer {
  JournalTime time;
  std::optional<JournalTime> asked;
  std::u16string line;
  std::vector<JournalOutcome> outcomes;
  bool unanswered = false;
  std::uint32_t firstRow = 0;  // the index of its first row in the file, which tells answers apart
  friend bool operator==(const JournalAnswer&, const JournalAnswer&) = default;
};

class JournalIndex {
 public:
  // The journal's bytes, as the file holds them (empty: no journal).
  explicit JournalIndex(std::string bytes = {});

  std::size_t RowCount() const { return rows_.size(); }
  // Rows that could not be read (not a record, or no time): skipped, and counted.
  std::size_t BrokenRows() const { return brokenRows_; }
  // The first and last day with a row; nothing for an empty journal.
  std::optional<std::int64_t> FirstDay() const;
  std::optional<std::int64_t> LastDay() const;

  // The answers of the days first..last, oldest first.
  std::vector<JournalAnswer> Days(std::int64_t first, std::int64_t last) const;
  std::vector<JournalAnswer> Day(std::int64_t day) const { return Days(day, day); }
  // The answers whose line holds every word of `words` (case aside; a "#tag" as a word), newest
  // first, at most `limit`.
  std::vector<JournalAnswer> Search(std::u16string_view words, std::size_t limit) const;

 private:
  struct Row {
    std::uint32_t offset;  // where its record begins in bytes_
    std::uint32_t length;  // its length, up to its CR LF
    JournalTime time;
  };
  JournalAnswer ReadAnswer(std::size_t first, std::size_t end) const;
  // The rows [first, end) that make one answer with the row `first`.
  std::size_t AnswerEnd(std::size_t first, std::size_t limit) const;

  std::string bytes_;
  std::vector<Row> rows_;          // in the file's order
  std::vector<std::uint32_t> byTime_;  // rows_ indexes sorted by time (stable: the file's order)
  std::size_t brokenRows_ = 0;
};

// The #tags of a line, each once, as written ("#lunch", "#Café"): a "#" after a blank or at the
// start, then letters, digits and "_".
std::vector<std::u16string> TagsOf(std::u16string_view line);

}  // namespace quillet
