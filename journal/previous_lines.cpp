#include "journal/previous_lines.h"

#include "common/steps.h"
#include "common/trace.h"
#include "common/utf8.h"

namespace quillet {

std::string PreviousLines::Format(const std::vector<std::u16string>& lines) {
  std::string bytes;
  for (const std::u16string& line : lines) {
    for (char ch : utf8::FromUtf16(line)) {
      switch (ch) {
        case '\\': bytes += "\\\\"; break;
        case '\r': bytes += "\\r"; break;
        case '\n': bytes += "\\n"; break;
        default: bytes += ch;
      }
    }
    bytes += '\n';
  }
  return bytes;
}

std::vector<std::u16string> PreviousLines::Parse(std::string_view bytes) {
  std::vector<std::u16string> lines;
  std::string line;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    char ch = bytes[i];
    if (ch == '\n') {
      if (!line.empty()) lines.push_back(utf8::ToUtf16(line));
      line.clear();
    } else if (ch == '\\' && i + 1 < bytes.size()) {
      char next = bytes[++i];
      line += next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    } else if (ch != '\r') {
      line += ch;
    }
  }
  if (!line.empty()) lines.push_back(utf8::ToUtf16(line));  // a last line without its LF
  if (lines.size() > kKept) lines.erase(lines.begin(), lines.end() - kKept);
  return lines;
}

std::vector<std::u16string> PreviousLines::Lines() {
  std::vector<std::u16string> lines;
  Step([&] {
    if (auto bytes = files_.Read(kPreviousLinesFile)) lines = Parse(*bytes);
  });
  return lines;
}

void PreviousLines::Remember(std::u16string_view line) {
  if (line.empty()) return;
  std::vector<std::u16string> lines = Lines();
  if (!lines.empty() && lines.back() == line) return;
  lines.emplace_back(line);
  if (lines.size() > kKept) lines.erase(lines.begin(), lines.end() - kKept);
  Step([&] { files_.Replace(kPreviousLinesFile, Format(lines)); });
}

}  // namespace quillet
