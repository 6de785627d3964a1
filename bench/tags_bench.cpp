// How long the update window takes to offer the person's #tags when the first "#" of a pop-up is
// typed: the journal file read, its index made, and every answer's tags counted and ordered.
// Prints the figures; the goal is 50 ms on a journal of 100,000 rows.
//
//   tags_bench [rows]   (100000 unless given)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "common/civil_date.h"
#include "delivery/journal.h"
#include "posting/tag_completion.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Years of answers, thirty-odd a day: most carry no tag, many one or two of a few dozen, some a
// tag of another script; now and then a line sent to two accounts or a pop-up left unanswered.
std::string MakeJournal(int rows) {
  static const char* const kTags[] = {"#work", "#reading", "#walk", "#lunch", "#review", "#meeting", "#email",
                                      "#coffee", "#gym", "#family", "#travel", "#読書", "#работа", "#café"};
  static const char* const kLines[] = {"coding", "meeting with the team", "reading, \"Dune\"", "coffee",
                                       "reviewing a pull request", "emails", "=SUM(A1) in a spreadsheet"};
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
    std::string text = std::string(kLines[row % 7]) + " " + std::to_string(row);
    if (row % 3 != 0) text += std::string(" ") + kTags[(row * 7) % 14];
    if (row % 5 == 0) text += std::string(" ") + kTags[(row / 5) % 14] + "_" + std::to_string(row % 40);
    std::string line = quillet::CsvField(text);
    out += std::string(time) + ',' + line + ",posted," + asked + ",social.example (alice)\r\n";
    if (row % 5 == 0) out += std::string(time) + ',' + line + ",posted," + asked + ",bsky.social (alice)\r\n";
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
  const char* path = "tags_bench.csv";
  {
    std::ofstream file(path, std::ios::binary);
    file << MakeJournal(rows);
  }
  double worst = 0;
  for (int round = 0; round < 5; ++round) {
    Clock::time_point start = Clock::now();
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    std::string bytes(static_cast<std::size_t>(file.tellg()), '\0');
    file.seekg(0);
    file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    std::size_t size = bytes.size();
    double read = MsSince(start);
    quillet::JournalIndex journal(std::move(bytes));
    double indexed = MsSince(start);
    std::vector<std::u16string> tags = quillet::OfferedTags(journal, *journal.LastDay());
    double offered = MsSince(start);
    worst = std::max(worst, offered);
    std::printf("%zu bytes read in %.1f ms, %zu rows indexed by %.1f ms, %zu tags ordered by %.1f ms\n", size, read,
                journal.RowCount(), indexed, tags.size(), offered);
  }
  std::printf("worst of 5: tags offered %.1f ms after the first \"#\" (goal 50)\n", worst);
  std::remove(path);
  return 0;
}
