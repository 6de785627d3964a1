// How long the update window takes to offer the person's #tags when the first "#" of a pop-up is
// typed: the journal file read, its index made, and every answer's tags counted and ordered.
// Prints the figures; the goal is 50 ms on a journal of 100,000 rows.
//
//   tags_bench [ROWS [FOLDER]]   (100000 rows unless given)
//
// The journal is FOLDER/journal.csv, made with ROWS rows when it is missing and kept, so that a
// first round can find it out of the system's file cache (drop it from there between runs:
// `sync FOLDER/journal.csv; dd if=FOLDER/journal.csv iflag=nocache count=0`). Without FOLDER it
// is made in the current folder as tags_bench.csv and removed. On Windows the file is read as the program reads it
// (Win32Files::Map); on Linux, where the program never runs, mapped likewise (mmap).
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/win32_files.h"
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "common/civil_date.h"
#include "journal/journal.h"
#include "journal/journal_reader.h"
#include "platform/files.h"
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

// The processor's time this process has used, in ms: what a busy machine's other work leaves out.
// (The C runtime's clock() on Windows counts the time on the wall.)
double CpuMs() {
#ifdef _WIN32
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto ms = [](const FILETIME& time) {
    return static_cast<double>((static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 1e4;
  };
  return ms(kernel) + ms(user);
#else
  return 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
#endif
}

// The journal's bytes held for the walk: mapped, as the program holds them on Windows; null
// without a journal.
std::unique_ptr<quillet::platform::IFileBytes> ReadJournal(const std::filesystem::path& folder, std::string_view name) {
#ifdef _WIN32
  return quillet::platform::win32::Win32Files(std::filesystem::absolute(folder).wstring()).Map(name);
#else
  class Mapped : public quillet::platform::IFileBytes {
   public:
    explicit Mapped(std::string_view bytes) : bytes_(bytes) {}
    Mapped(const Mapped&) = delete;
    Mapped& operator=(const Mapped&) = delete;
    ~Mapped() override {
      if (!bytes_.empty()) munmap(const_cast<char*>(bytes_.data()), bytes_.size());
    }
    std::string_view Bytes() const override { return bytes_; }

   private:
    std::string_view bytes_;
  };
  int file = open((folder / name).c_str(), O_RDONLY);
  if (file < 0) return nullptr;
  std::string_view bytes;
  struct stat status {};
  if (fstat(file, &status) == 0 && status.st_size > 0) {
    auto size = static_cast<std::size_t>(status.st_size);
    void* view = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file, 0);
    if (view != MAP_FAILED) bytes = {static_cast<const char*>(view), size};
  }
  close(file);
  return std::make_unique<Mapped>(bytes);
#endif
}

}  // namespace

int main(int argc, char** argv) {
  int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
  std::filesystem::path folder = argc > 2 ? argv[2] : ".";
  // A journal of the bench's own name unless asked for: the current folder may hold a real one.
  std::string_view name = argc > 2 ? quillet::kJournalFile : "tags_bench.csv";
  std::filesystem::path path = folder / name;
  bool made = false;
  if (argc <= 2 || !std::filesystem::exists(path)) {
    std::ofstream file(path, std::ios::binary);
    file << MakeJournal(rows);
    made = true;
  }
  std::printf("%s%s\n", path.string().c_str(), made ? " (made now: in the file cache)" : " (found)");
  std::vector<double> times, cpus;
  const std::int64_t today = quillet::DaysFromCivil(2026, 12, 10);
  for (int round = 0; round < 5; ++round) {
    Clock::time_point start = Clock::now();
    double cpuStart = CpuMs();
    std::unique_ptr<quillet::platform::IFileBytes> journal = ReadJournal(folder, name);
    std::string_view bytes = journal ? journal->Bytes() : std::string_view();
    double read = MsSince(start);
    std::vector<std::u16string> tags = quillet::OfferedTags(bytes, today);
    double offered = MsSince(start);
    double cpu = CpuMs() - cpuStart;
    times.push_back(offered);
    cpus.push_back(cpu);
    // For comparison: every answer read back whole by the journal's reader (its index, then Days).
    Clock::time_point probe = Clock::now();
    quillet::JournalIndex index{std::string(bytes)};
    std::size_t answers = index.FirstDay() ? index.Days(*index.FirstDay(), *index.LastDay()).size() : 0;
    double days = MsSince(probe);
    std::printf(
        "round %d%s: %zu bytes read in %.1f ms, %zu tags counted and ordered by %.1f ms (%.1f ms of the processor's "
        "time); for comparison, the reader's index and its %zu answers read back whole: %.1f ms\n",
        round + 1, round == 0 ? " (first)" : "", bytes.size(), read, tags.size(), offered, cpu, answers, days);
  }
  auto median = [](std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
  };
  std::printf(
      "tags offered after the first \"#\" (goal 50 ms): first round %.1f ms, median %.1f ms, worst %.1f ms; "
      "the processor's time: median %.1f ms, worst %.1f ms\n",
      times.front(), median(times), *std::max_element(times.begin(), times.end()), median(cpus),
      *std::max_element(cpus.begin(), cpus.end()));
  if (argc <= 2) std::filesystem::remove(path);
  return 0;
}
