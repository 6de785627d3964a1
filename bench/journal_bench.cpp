// How long the look-back window takes on a journal of years of answers: the file read and its
// index made, a day's answers and the week's picture read, and searches of the whole journal.
// Prints the figures; the goals are 200 ms to open on a day and 300 ms to search.
//
//   journal_bench [rows]   (100000 unless given)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "journal/journal.h"
#include "journal/journal_reader.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Rows as people write them: thirty-odd answers a day, a few repeated words and tags, now and then
// a line sent to two accounts or a pop-up left unanswered.
std::string MakeJournal(int rows) {
  static const char* const kLines[] = {"lunch",        "coding #work",  "meeting with the team #work",
                                       "reading, \"Dune\"", "coffee",  "reviewing a pull request #work #review",
                                       "walk #outside", "emails",       "=SUM(A1) in a spreadsheet"};
  std::string out = "\xEF\xBB\xBFTime,Line,Outcome,Asked,Accounts\r\n";
  int day = 1, month = 1, year = 2018, minute = 8 * 60;
  char time[32];
  for (int row = 0; row < rows; ++row) {
    minute += 15;
    if (minute >= 24 * 60 - 15 || row % 32 == 31) {
      minute = 8 * 60;
      if (++day > 28) day = 1, month = month % 12 + 1, year += month == 1;
    }
    std::snprintf(time, sizeof time, "%04d-%02d-%02d %02d:%02d:05", year, month, day, minute / 60, minute % 60);
    std::string asked = std::string(time).substr(0, 17) + "00";
    if (row % 17 == 0) {
      out += std::string(time) + ",,not answered," + asked + ",\r\n";
      continue;
    }
    std::string line = quillet::CsvField(std::string(kLines[row % 9]) + " " + std::to_string(row));
    out += std::string(time) + ',' + line + ",posted," + asked + ",social.example (alice)\r\n";
    if (row % 5 == 0) out += std::string(time) + ',' + line + ",posted," + asked + ",bsky.social (alice)\r\n";
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
  const char* path = "journal_bench.csv";
  {
    std::ofstream file(path, std::ios::binary);
    file << MakeJournal(rows);
  }
  double worstOpen = 0, worstSearch = 0;
  for (int round = 0; round < 3; ++round) {
    Clock::time_point start = Clock::now();
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    std::string bytes(static_cast<std::size_t>(file.tellg()), '\0');
    file.seekg(0);
    file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    std::size_t size = bytes.size();
    double read = MsSince(start);
    quillet::JournalIndex journal(std::move(bytes));
    double indexed = MsSince(start);
    std::int64_t day = *journal.LastDay() - 30;
    std::size_t answers = journal.Day(day).size() + journal.Days(day - 6, day).size();
    double open = MsSince(start);
    worstOpen = std::max(worstOpen, open);
    std::printf("open: %zu bytes read in %.1f ms, %zu rows indexed by %.1f ms, the day and the week read (%zu answers): %.1f ms\n",
                size, read, journal.RowCount(), indexed, answers, open);
    for (const char16_t* words : {u"lunch", u"#work coding", u"Dune 99999", u"nowhere"}) {
      start = Clock::now();
      std::size_t found = journal.Search(words, 1000).size();
      double search = MsSince(start);
      worstSearch = std::max(worstSearch, search);
      std::printf("  search %-14s %4zu found: %.1f ms\n", std::string(words, words + std::char_traits<char16_t>::length(words)).c_str(), found, search);
    }
  }
  std::printf("worst of 3: open %.1f ms (goal 200), search %.1f ms (goal 300)\n", worstOpen, worstSearch);
  std::remove(path);
  return 0;
}
