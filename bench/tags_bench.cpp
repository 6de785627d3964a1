// How long the update window takes to offer the person's #tags when the first "#" of a pop-up is
// typed: the journal file read, its index made, and every answer's tags counted and ordered.
// Prints the figures; the goal is 50 ms on a journal of 100,000 rows.
//
//   tags_bench [rows]   (100000 unless given)
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "common/civil_date.h"
#include "journal/journal.h"
#include "journal/journal_reader.h"
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
  char time[64];
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

// The processor's time this process used since `start`: what a busy machine's other work leaves out.
double CpuMsSince(std::clock_t start) { return 1000.0 * static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC; }

}  // namespace

int main(int argc, char** argv) {
  int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
  const char* path = "tags_bench.csv";
  {
    std::ofstream file(path, std::ios::binary);
    file << MakeJournal(rows);
  }
  double worst = 0, worstCpu = 0;
  const std::int64_t today = quillet::DaysFromCivil(2026, 12, 10);
  for (int round = 0; round < 5; ++round) {
    Clock::time_point start = Clock::now();
    std::clock_t cpuStart = std::clock();
    // Read whole at once, as the program's files are (one ReadFile on Windows).
    std::string bytes;
    if (std::FILE* file = std::fopen(path, "rb")) {
      std::fseek(file, 0, SEEK_END);
      bytes.resize(static_cast<std::size_t>(std::ftell(file)));
      std::fseek(file, 0, SEEK_SET);
      bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
      std::fclose(file);
    }
    std::size_t size = bytes.size();
    double read = MsSince(start);
    std::vector<std::u16string> tags = quillet::OfferedTags(bytes, today);
    double offered = MsSince(start);
    double cpu = CpuMsSince(cpuStart);
    worstCpu = std::max(worstCpu, cpu);
    // For comparison: every answer read back whole by the journal's reader (its index, then Days).
    Clock::time_point probe = Clock::now();
    quillet::JournalIndex journal(std::move(bytes));
    std::size_t answers = journal.Days(*journal.FirstDay(), *journal.LastDay()).size();
    double days = MsSince(probe);
    worst = std::max(worst, offered);
    std::printf(
        "%zu bytes read in %.1f ms, %zu tags counted and ordered by %.1f ms (%.1f ms of the processor's time); "
        "for comparison, the reader's index and its %zu answers read back whole: %.1f ms\n",
        size, read, tags.size(), offered, cpu, answers, days);
  }
  std::printf("worst of 5: tags offered %.1f ms after the first \"#\" (goal 50), %.1f ms of the processor's time\n",
              worst, worstCpu);
  std::remove(path);
  return 0;
}
