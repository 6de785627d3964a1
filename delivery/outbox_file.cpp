#include "delivery/outbox_file.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <charconv>

#include "common/crc32.h"
#include "common/utf8.h"

namespace quillet {
namespace {

constexpr int kVersion = 3;
// The header of each version, the first at 0.
constexpr std::string_view kHeaders[] = {"Quillet outbox 1", "Quillet outbox 2", "Quillet outbox 3"};
static_assert(std::size(kHeaders) == kVersion);
// The fields of a record before its check, in each version.
constexpr std::size_t kFieldCounts[] = {7, 12, 13};

std::string Escape(std::string_view text) {
  std::string out;
  for (char ch : text) {
    switch (ch) {
      case '\\':
        out += "\\\\";
        break;
      case ' ':
        out += "\\s";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        out += ch;
    }
  }
  return out;
}

bool Unescape(std::string_view text, std::string& out) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return false;
    switch (text[i]) {
      case '\\':
        out += '\\';
        break;
      case 's':
        out += ' ';
        break;
      case 't':
        out += '\t';
        break;
      case 'r':
        out += '\r';
        break;
      case 'n':
        out += '\n';
        break;
      default:
        return false;
    }
  }
  return true;
}

std::string Hex8(std::uint32_t value) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text(8, '0');
  for (int i = 7; i >= 0; --i, value >>= 4) text[static_cast<std::size_t>(i)] = kDigits[value & 15];
  return text;
}

template <typename Number>
bool ReadNumber(std::string_view text, Number& value, int base = 10) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  return error == std::errc{} && end == text.data() + text.size() && !text.empty();
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (std::size_t at = 0;;) {
    std::size_t blank = line.find(' ', at);
    fields.push_back(line.substr(at, blank == std::string_view::npos ? std::string_view::npos : blank - at));
    if (blank == std::string_view::npos) return fields;
    at = blank + 1;
  }
}

bool ReadFlag(std::string_view field, bool& flag) {
  if (field != "0" && field != "1") return false;
  flag = field == "1";
  return true;
}

// A text field: "=" and the escaped text.
bool ReadText(std::string_view field, std::u16string& text) {
  std::string bytes;
  if (!field.starts_with('=') || !Unescape(field.substr(1), bytes)) return false;
  text = utf8::ToUtf16(bytes);
  return true;
}

std::string TextField(std::u16string_view text) { return '=' + Escape(utf8::FromUtf16(text)); }

// A record of the file's `version` (1 to 3).
bool ParseRecord(std::string_view line, int version, OutboxRecord& record) {
  std::size_t lastBlank = line.rfind(' ');
  if (lastBlank == std::string_view::npos) return false;
  std::uint32_t check = 0;
  std::string_view checkText = line.substr(lastBlank + 1);
  if (checkText.size() != 8 || !ReadNumber(checkText, check, 16) || Crc32(line.substr(0, lastBlank)) != check)
    return false;
  auto fields = Fields(line.substr(0, lastBlank));
  if (fields.size() != kFieldCounts[version - 1]) return false;
  std::string_view state = fields[3];
  std::string_view states = version == 1 ? "wsra" : "wsvra";
  if (!ReadNumber(fields[0], record.id) || !ReadNumber(fields[1], record.confirmedMs) ||
      !ReadNumber(fields[2], record.attempts) || state.size() != 1 ||
      states.find(state[0]) == std::string_view::npos || !ReadFlag(fields[4], record.reported))
    return false;
  record.state = static_cast<OutboxState>(state[0]);
  record.key.clear();  // written escaped: a Nostr line's key is its event, blanks and all
  if (fields[5] != "-" && !Unescape(fields[5], record.key)) return false;
  if (version == 1) {
    std::string line8;
    if (!Unescape(fields[6], line8)) return false;
    record.line = utf8::ToUtf16(line8);
    return true;
  }
  std::string destination;
  if (!Unescape(fields[9], destination)) return false;
  record.destination = destination;
  std::size_t texts = 10;  // where the reason is
  if (version >= 3 && !ReadNumber(fields[texts++], record.askedMs)) return false;
  return ReadFlag(fields[6], record.keyed) && ReadFlag(fields[7], record.mayHaveArrived) &&
         ReadNumber(fields[8], record.firstSentMs) && !record.destination.empty() &&
         ReadText(fields[texts], record.reason) && ReadText(fields[texts + 1], record.line);
}

}  // namespace

std::string FormatOutbox(const std::vector<OutboxRecord>& records) {
  std::string out(kHeaders[kVersion - 1]);
  out += '\n';
  for (const OutboxRecord& r : records) {
    std::string line = std::to_string(r.id) + ' ' + std::to_string(r.confirmedMs) + ' ' + std::to_string(r.attempts) +
                       ' ' + static_cast<char>(r.state) + ' ' + (r.reported ? '1' : '0') + ' ' +
                       (r.key.empty() ? std::string("-") : Escape(r.key)) + ' ' + (r.keyed ? '1' : '0') + ' ' +
                       (r.mayHaveArrived ? '1' : '0') + ' ' + std::to_string(r.firstSentMs) + ' ' + Escape(r.destination) + ' ' +
                       std::to_string(r.askedMs) + ' ' + TextField(r.reason) + ' ' + TextField(r.line);
    out += line + ' ' + Hex8(Crc32(line)) + '\n';
  }
  out += "end " + std::to_string(records.size()) + '\n';
  return out;
}

ParsedOutbox ParseOutbox(std::string_view bytes) {
  ParsedOutbox parsed;
  bool headerSeen = false, endSeen = false;
  int version = kVersion;  // a file without its header is read as the newest
  std::size_t at = 0;
  while (at < bytes.size()) {
    std::size_t newline = bytes.find('\n', at);
    if (newline == std::string_view::npos) {
      parsed.damaged = true;  // the last line was cut
      break;
    }
    std::string_view line = bytes.substr(at, newline - at);
    at = newline + 1;
    if (!headerSeen) {
      auto header = std::find(std::begin(kHeaders), std::end(kHeaders), line);
      headerSeen = header != std::end(kHeaders);
      if (headerSeen) {
        version = static_cast<int>(header - std::begin(kHeaders)) + 1;
        continue;
      }
      parsed.damaged = true;
    }
    if (endSeen) {
      parsed.damaged = true;  // something after the end
      continue;
    }
    if (line.starts_with("end ")) {
      std::size_t count = 0;
      endSeen = true;
      if (!ReadNumber(line.substr(4), count) || count != parsed.records.size()) parsed.damaged = true;
      continue;
    }
    OutboxRecord record;
    if (ParseRecord(line, version, record)) {
      parsed.records.push_back(std::move(record));
    } else {
      parsed.damaged = true;
    }
  }
  if (!endSeen) parsed.damaged = true;
  return parsed;
}

}  // namespace quillet
