#pragma once
// The lines the person sent last, for the update window to bring back (Up in an empty box):
// previous.txt beside the outbox, UTF-8, the newest last, one line each with "\" as "\\" and
// CR and LF as "\r" and "\n"; at most kKept lines, written whole through a temporary file when a
// line is confirmed. A file that cannot be read or written only means fewer lines to bring back.
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"

namespace quillet {

inline constexpr std::string_view kPreviousLinesFile = "previous.txt";

class PreviousLines {
 public:
  static constexpr std::size_t kKept = 20;

  explicit PreviousLines(platform::IFiles& files) : files_(files) {}

  // The lines kept, oldest first; none when the file is missing or unreadable.
  std::vector<std::u16string> Lines();
  // A confirmed line joins them (the oldest goes when there are more than kKept); an empty line,
  // or one the same as the newest, changes nothing.
  void Remember(std::u16string_view line);

  static std::string Format(const std::vector<std::u16string>& lines);
  static std::vector<std::u16string> Parse(std::string_view bytes);

 private:
  platform::IFiles& files_;
};

}  // namespace quillet
