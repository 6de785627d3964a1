#pragma once
// The outbox's file, outbox.txt: the confirmed lines not yet delivered, oldest first, in UTF-8.
//
//   Quillet outbox 1
//   <id> <confirmed> <attempts> <state> <reported> <key> <line> <check>
//   ...
//   end <number of records>
//
// One record a line, its fields separated by single blanks: the record's number, the moment the
// line was confirmed (milliseconds since 1970, UTC), the attempts made so far, the state
// (w: waiting, s: its request may have left, r: refused for good, a: may have arrived),
// whether the person has been told (0 or 1), the key that lets a server tell a repeat
// ("-" for none), the line with "\\", blank, tab, CR and LF written as "\\\\", "\\s", "\\t",
// "\\r" and "\\n", and the CRC-32 of everything before it on the line, in 8 hex digits.
// Lines end in LF. A file that does not end with the "end" line giving the right count, or holds
// a line that is not a whole record, is damaged: the records whose check matches are still read.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

enum class OutboxState : char {
  kWaiting = 'w',    // to be sent, when its next attempt is due
  kLeaving = 's',    // an attempt's request may have left; no outcome was recorded
  kRefused = 'r',    // the service refused it for good; the person was told
  kUncertain = 'a',  // it may have arrived; never sent again without the person
};

struct OutboxRecord {
  std::uint64_t id = 0;
  std::int64_t confirmedMs = 0;
  int attempts = 0;
  OutboxState state = OutboxState::kWaiting;
  bool reported = false;
  std::string key;  // empty for none
  std::u16string line;
  std::int64_t dueMs = 0;  // when it may go next; not in the file: at a start every line is due
};

std::string FormatOutbox(const std::vector<OutboxRecord>& records);

struct ParsedOutbox {
  std::vector<OutboxRecord> records;  // every whole record, in order
  bool damaged = false;
};
ParsedOutbox ParseOutbox(std::string_view bytes);

std::uint32_t Crc32(std::string_view bytes);

}  // namespace quillet
