#include "delivery/outbox_file.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <charconv>

#include "common/crc32.h"
#include "common/utf8.h"

namespace quillet {
namespace {

constexpr int kVersion = 4;
// The header of each version, the first at 0.
constexpr std::string_view kHeaders[] = {"Quillet outbox 1", "Quillet outbox 2", "Quillet outbox 3", "Quillet outbox 4"};
static_assert(std::size(kHeaders) == kVersion);
// The fields of a record before its check, in each version.
constexpr std::size_t kFieldCounts[] = {7, 12, 13, 15};

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

// A key field: "-" for none, else escaped.
bool ReadKey(std::string_view field, std::string& key) {
  key.clear();
  return field == "-" || (!field.empty() && Unescape(field, key));
}

std::string KeyField(const std::string& key) { return key.empty() ? std::string("-") : Escape(key); }

// The one key of the earlier versions, as the kind its form shows: a JSON object is a signed
// event, 13 letters of the sortable base-32 alphabet whose first stands for 0 to 7 a record key
// (a TID), anything else an Idempotency-Key (16 + 16 hex digits, as they were made).
bool IsRecordKey(std::string_view key) {
  constexpr std::string_view kAlphabet = "234567abcdefghijklmnopqrstuvwxyz";
  return key.size() == 13 && kAlphabet.find(key.front()) < 8 &&
         std::all_of(key.begin(), key.end(), [&](char ch) { return kAlphabet.find(ch) != std::string_view::npos; });
}

LineKeys EarlierKey(std::string key) {
  LineKeys keys;
  if (key.starts_with('{') && key.ends_with('}')) {
    keys.signedEvent = std::move(key);
  } else if (IsRecordKey(key)) {
    keys.record = std::move(key);
  } else {
    keys.idempotency = std::move(key);
  }
  return keys;
}

// A record of the file's `version` (1 to 4).
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
  std::size_t at = 5;  // the next field
  if (version >= 4) {
    if (!ReadKey(fields[at], record.keys.idempotency) || !ReadKey(fields[at + 1], record.keys.record) ||
        !ReadKey(fields[at + 2], record.keys.signedEvent))
      return false;
    at += 3;
  } else {
    std::string key;
    if (!ReadKey(fields[at++], key)) return false;
    record.keys = EarlierKey(std::move(key));
  }
  if (version == 1) {
    std::string line8;
    if (!Unescape(fields[at], line8)) return false;
    record.line = utf8::ToUtf16(line8);
    return true;
  }
  std::string destination;
  if (!ReadFlag(fields[at], record.keyed) || !ReadFlag(fields[at + 1], record.mayHaveArrived) ||
      !ReadNumber(fields[at + 2], record.firstSentMs) || !Unescape(fields[at + 3], destination) || destination.empty())
    return false;
  record.destination = destination;
  at += 4;
  if (version >= 3 && !ReadNumber(fields[at++], record.askedMs)) return false;
  return ReadText(fields[at], record.reason) && ReadText(fields[at + 1], record.line);
}

}  // namespace

std::string FormatOutbox(const std::vector<OutboxRecord>& records) {
  std::string out(kHeaders[kVersion - 1]);
  out += '\n';
  for (const OutboxRecord& r : records) {
    std::string line = std::to_string(r.id) + ' ' + std::to_string(r.confirmedMs) + ' ' + std::to_string(r.attempts) +
                       ' ' + static_cast<char>(r.state) + ' ' + (r.reported ? '1' : '0') + ' ' +
                       KeyField(r.keys.idempotency) + ' ' + KeyField(r.keys.record) + ' ' +
                       KeyField(r.keys.signedEvent) + ' ' + (r.keyed ? '1' : '0') + ' ' +
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
