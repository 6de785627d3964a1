#pragma once
// The outbox's file, outbox.txt: the confirmed lines not yet delivered, oldest first, in UTF-8.
//
//   Quillet outbox 4
//   <id> <confirmed> <attempts> <state> <reported> <idempotency key> <record key> <signed event>
//   <keyed> <may have arrived> <first sent> <destination> <asked> =<reason> =<line> <check>
//   (all on one line)
//   ...
//   end <number of records>
//
// One record a line, its fields separated by single blanks: the record's number, the moment the
// line was confirmed (milliseconds since 1970, UTC), the attempts made so far, the state (below),
// whether the person has been told (0 or 1), the keys that let each kind of service tell a repeat
// of the line (LineKeys; "-" for none, else escaped like the texts, for a signed event is JSON),
// whether the last attempt carried its key to a service that honours it (0 or 1), whether an
// earlier request may have arrived although no answer said so (0 or 1), when a request for the
// line first left (milliseconds since 1970; 0: never), the account it is for, when the pop-up
// that asked for the line came up (milliseconds since 1970; 0: not known), the reason it waits or
// needs the person, and the line. Texts are written after a "=" with "\\", blank, tab, CR and LF
// as "\\\\", "\\s", "\\t", "\\r" and "\\n". Last comes the CRC-32 of everything before it on the
// line, in 8 hex digits. Lines end in LF. A file that does not end with the "end" line giving the
// right count, or holds a line that is not a whole record, is damaged: the records whose check
// matches are still read.
// Files of the earlier versions are read as well. They kept one key in place of the three, which
// is read as the kind its form shows (a signed event's JSON, a Bluesky record key, else an
// Idempotency-Key); the third version is otherwise the same, the second also without the asked
// field, the first also without the keyed, may-have-arrived, first-sent, destination and reason
// fields.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

enum class OutboxState : char {
  kWaiting = 'w',    // to be sent, when its next attempt is due
  kLeaving = 's',    // an attempt's request may have left; no outcome was recorded
  kChecking = 'v',   // it may have arrived: the account's latest posts are read to find out
  kRefused = 'r',    // the service refused it for good; in the person's hands
  kUncertain = 'a',  // it may have arrived and reading back could not tell; in the person's hands
};

using LineId = std::uint64_t;

// A line's keys as its network uses them, typed (a signed event, not its JSON); made with the
// keys, never written (the file holds the keys, from which the network makes it again).
class PreparedLine {
 public:
  // `madeBy`: the network that made it, the only one that reads it (the program has no RTTI).
  explicit PreparedLine(const void* madeBy) : madeBy_(madeBy) {}
  virtual ~PreparedLine() = default;
  bool MadeBy(const void* network) const { return madeBy_ == network; }

 private:
  const void* madeBy_;
};

// The account the settings describe (the kind of service, the server and the credentials).
inline constexpr std::string_view kFirstAccount = "1";

// What lets each kind of service tell a repeat of a line; each made when a service of its kind
// first needs it, and kept while the line is the same, so that an account switched to another
// kind of service gets a key of that kind (empty: none yet).
struct LineKeys {
  std::string idempotency;  // a Mastodon-compatible server's Idempotency-Key (and the line's own)
  std::string record;       // a Bluesky post's record key, a TID
  std::string signedEvent;  // a Nostr line's signed event, in JSON: every repeat sends it as it is
  friend bool operator==(const LineKeys&, const LineKeys&) = default;
};

struct OutboxRecord {
  LineId id = 0;
  std::int64_t confirmedMs = 0;  // on the wall clock
  int attempts = 0;
  OutboxState state = OutboxState::kWaiting;
  bool reported = false;
  LineKeys keys;
  bool keyed = false;        // the last attempt carried the key to a service that tells repeats by it
  bool mayHaveArrived = false;  // a request left and no answer said what became of it
  std::int64_t firstSentMs = 0;  // on the wall clock, when a request first left; 0: never
  std::string destination{kFirstAccount};
  std::int64_t askedMs = 0;  // on the wall clock, when the pop-up that asked for it came up; 0: not known
  std::u16string reason;     // why it waits or needs the person, in words; empty while all is well
  std::u16string line;
  // Not in the file.
  std::shared_ptr<const PreparedLine> prepared;  // the keys as the network last used them; none yet
  std::int64_t dueMs = 0;    // on the monotonic clock, when it may go next; at a start every line is due
  std::int64_t firstSentMonotonicMs = -1;  // in this run, on the monotonic clock; -1: not in this run
  bool held = false;         // in the update window for the person: out of the retry loop
  bool onDisk = false;       // the file holds it (as it was at the last save that succeeded)
  int looks = 0;             // reading back found nothing this many times since it became uncertain
  std::int64_t uncertainSinceMs = 0;  // on the monotonic clock: when it became uncertain
  std::int64_t lastTriedMs = 0;  // on the wall clock, when it was last sent or looked for in this run; 0: not yet
};

std::string FormatOutbox(const std::vector<OutboxRecord>& records);

struct ParsedOutbox {
  std::vector<OutboxRecord> records;  // every whole record, in order
  bool damaged = false;
};
ParsedOutbox ParseOutbox(std::string_view bytes);

}  // namespace quillet
