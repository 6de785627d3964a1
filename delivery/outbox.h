#pragma once
// The outbox: every confirmed line is written to outbox.txt (see outbox_file.h) before it is
// sent, and leaves it when the service has taken it. Every line is in exactly one state the
// person can see in the lines-waiting window:
//   waiting           its next attempt is due at a moment on the monotonic clock; each account's
//                     lines go one at a time, oldest first, beside the other accounts' (a
//                     silent server holds up only its own); after a temporary failure 30 s, 1, 2, 4 ... up to
//                     30 minutes (10 % jitter, or longer when the service asks); at every start
//                     of the program every waiting line is due at once;
//   being sent        a request is under way;
//   being checked     it may have arrived (the request left, then a reset, no answer, or a 500,
//                     502 or 504 came): the account's latest posts are read after a pause that
//                     grows (1, 3, 10 minutes), since a server may store a line late; found:
//                     delivered; not found: looked for again, and sent again only after the
//                     last look; a post that reads almost the same, or two: the person's;
//   delivered         gone from the outbox (and in the journal, when one is kept);
//   in the person's hands
//                     refused for good, or it may have arrived and reading back could not tell:
//                     told once by a balloon, listed until the person sends it again, edits it
//                     or removes it. A line unsent for 24 hours is told about too, and waits on.
// A line may go again by itself only where that cannot post it twice: after a temporary
// failure, after reading back did not find it, or with a key the service tells repeats by where
// its posts cannot be read back, while the service still remembers the key (50 minutes from the
// first attempt; for ever where the network's keys never expire, a repeat writing the same post
// again). What each kind of network does is its own (line_network.h). Only the person sends a line in their hands again.
// The person's actions name a line by its id. A line in the update window is held out of the
// retry loop until the person settles it; one delivered meanwhile is never posted again.
// A damaged file is kept aside under another name, its whole records read, and the person told
// once; a file that cannot be read is told once and never overwritten, and new lines are sent
// all the same.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "common/callback.h"
#include "journal/journal.h"
#include "delivery/outbox_file.h"
#include "delivery/outcome.h"
#include "delivery/status_sender.h"
#include "platform/application.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "settings/settings_store.h"

namespace quillet {

inline constexpr std::string_view kOutboxFile = "outbox.txt";

// Something the person should know, shown as a balloon over the tray icon.
struct OutboxNotice {
  std::u16string title;
  std::u16string text;
  std::optional<LineId> line;  // a click on it brings this line up
};

struct OutboxServices {
  const platform::IApplication& app;  // the person's language, for what the outbox tells them
  SettingsStore& settings;
  platform::IFiles& files;
  platform::IClock& clock;
  Journal& journal;  // where a line's outcome is kept, when the settings say so
};

class Outbox {
 public:
  static constexpr std::int64_t kFirstDelayMs = 30'000;
  static constexpr std::int64_t kLongestDelayMs = 30 * 60'000;
  static constexpr std::int64_t kLongestAskedDelayMs = 60 * 60'000;
  static constexpr std::int64_t kReportAfterMs = 24 * 60 * 60'000LL;
  // At most one balloon about lines a minute: a burst of failures is told in one more balloon.
  static constexpr std::int64_t kNoticeGapMs = 60'000;
  // When a line that may have arrived is looked for, counted from when it became uncertain; not
  // found at the last look, it goes again.
  static constexpr std::int64_t kLookAfterMs[] = {60'000, 3 * 60'000, 10 * 60'000};
  // A difference between the wall clock and the monotonic one that is a setting of the clock.
  static constexpr std::int64_t kWallJumpMs = 2'000;

  // `seed` drives the jitter and the keys.
  Outbox(StatusSenders& senders, OutboxServices services, std::uint64_t seed);
  Outbox(const Outbox&) = delete;
  Outbox& operator=(const Outbox&) = delete;

  // Reads the file; the lines in it are due at once.
  void Start();
  // A confirmed line: written to the outbox as one record for each ticked account (see
  // settings/accounts.h), each then sent to its account when the lines before it for that
  // account are done, and retried, read back and told about on its own. `askedMs`: when the
  // pop-up that asked for it came up, on the wall clock (0: not known). Returns the first
  // record's id.
  LineId Add(std::u16string line, std::int64_t askedMs = 0);
  // Once a second: times out an exchange, starts the next one when it is due.
  void OnTick();
  // The account was removed: the lines still waiting for it go to the person now.
  void AccountRemoved(std::string_view account);

  // Whether OnTick has anything to do: lines kept, an exchange under way, a file not yet read or
  // written, a balloon still to come. Idle, the program need not wake up for the outbox.
  bool NeedsTicks() const {
    return !records_.empty() || !inFlight_.empty() || !loaded_ || unsaved_ || untoldLines_ > 0 || senders_.AnyBusy();
  }

  // Every line not yet delivered, oldest first.
  const std::vector<OutboxRecord>& Records() const { return records_; }
  int Waiting() const { return static_cast<int>(records_.size()); }
  const OutboxRecord* Find(LineId id) const;
  // What the lines-waiting window says of the line's state: "Waiting: ...", "Not posted: ..."
  std::u16string StateInWords(const OutboxRecord& record) const;
  // The account the line waits for, as the person knows it: "social.example (alice)".
  std::u16string AccountInWords(const OutboxRecord& record) const;
  // When the line goes or is looked for next by itself, on the wall clock (the moment it is due,
  // even while the lines before it are still being sent): nothing while an exchange about it is
  // under way, while it is in the update window, or while it is in the person's hands.
  std::optional<std::int64_t> NextTryMs(const OutboxRecord& record) const;

  // The person's actions, each on one line.
  // The line goes into the update window: held out of the retry loop; its text, or nothing when
  // it has left the outbox.
  std::optional<std::u16string> Hold(LineId id);
  // Back from the update window unsettled: it takes its place in the loop again.
  void Release(LineId id);
  // The person sends it again, as it was or as edited; it goes at once, behind any line under way.
  // When it was delivered meanwhile, an unchanged line is not posted again, an edited one is a
  // new line.
  void SendAgain(LineId id, std::optional<std::u16string> edited = std::nullopt);
  // The person removes it: it is never sent again (an attempt under way still ends, and its
  // outcome no longer counts).
  void Remove(LineId id);

  // Runs after any change of the lines or their states.
  Callback<void()> onChanged;
  Callback<void(const OutboxNotice&)> onNotice;
  // One line of the log per outcome: "line 3 sent", "line 3 to be sent again: <why>", "line 3
  // kept for the person: <why>". Never the line's text.
  Callback<void(std::u16string_view event)> onLog;

 private:
  OutboxRecord NewRecord(std::u16string line, std::string destination, std::int64_t askedMs);
  LineId AddFor(std::u16string line, std::string destination, std::int64_t askedMs);
  // The network of the record's account as its values say now; nothing when that account no
  // longer exists.
  std::unique_ptr<AccountLink> LinkOf(const OutboxRecord& record);
  std::optional<NetworkTraits> TraitsOf(const OutboxRecord& record);
  bool InFlight(LineId id) const;
  // "social.example (alice)" in English when there are several accounts, else nothing (for the
  // journal).
  std::optional<std::u16string> JournalAccount(const OutboxRecord& record) const;
  // The account to name to the person, in their words: when there are several accounts.
  std::optional<std::u16string> NamedAccount(const OutboxRecord& record) const;
  std::u16string AccountInWords(const OutboxRecord& record, const Catalog& words) const;
  void Load();
  // The wall clock was set while Quillet runs: when a line first left is moved with it, so that
  // the next run, which knows only the wall clock, still knows how long ago that was.
  void FollowWallClock();
  void Merge(std::vector<OutboxRecord> older);
  void StartNext();
  // Starts the record's next step, when it is the first of its account's queue; false when it
  // was done at once and the next line may go.
  bool StartStep(OutboxRecord& record);
  // A line with the same words for the same account that is being looked for: it is settled
  // before `record` goes (sent now, `record` could be taken for it when the account's posts are
  // read; the person's "Send again" puts a line before the others).
  std::optional<std::reference_wrapper<OutboxRecord>> UncertainTwin(const OutboxRecord& record);
  void Attempt(OutboxRecord& record, AccountLink& link, const NetworkTraits& traits);
  void Check(OutboxRecord& record, const AccountLink& link);
  void KeepInJournalOnly(OutboxRecord& record);
  // The exchange for `id` is over: the line, if it is still kept, and whether the person asked
  // meanwhile to send it again.
  OutboxRecord* ExchangeOver(LineId id, bool& resend);
  void OnOutcome(LineId id, const DeliveryOutcome& outcome);
  void OnReadBack(LineId id, const ReadBackAnswer& answer);
  // The line may have arrived: it is read back after a pause, goes again with its key where it
  // cannot be read back, or goes to the person.
  void MayHaveArrived(OutboxRecord& record, std::u16string reason);
  // Not found (yet): looked for again after the next pause, or sent again after the last.
  void NotFound(OutboxRecord& record);
  void Retry(OutboxRecord& record, const DeliveryOutcome& outcome);
  void PutInPersonsHands(OutboxRecord& record, OutboxState state, std::u16string reason);
  std::int64_t RetryDelayMs(int attempts, int retryAfterSeconds);
  OutboxRecord* FindRecord(LineId id);
  void Delivered(LineId id);
  void Erase(LineId id);
  void Save();
  // `nameAccount`: the outcome ends with " to <account>" when there are several (the row's
  // Accounts column names it either way); `always`: written even while no journal is kept (a
  // journal-only account's line).
  bool WriteJournal(const OutboxRecord& record, std::u16string_view outcome, bool nameAccount = true,
                    bool always = false);
  void Tell(OutboxNotice notice);
  void TellAboutLine(const OutboxRecord& record, std::u16string title, std::u16string text);
  void TellUntoldLines();
  void Changed();
  void Log(LineId id, std::u16string_view what);
  // The keys of a line just confirmed or edited: its own, or the one its account's network makes
  // at once.
  void NewKeys(OutboxRecord& record);
  // The key the line goes with to the account's network, made when it has none of that kind yet.
  std::string Prepare(OutboxRecord& record, AccountLink& link);

  StatusSenders& senders_;
  OutboxServices s_;
  std::mt19937_64 random_;
  std::vector<OutboxRecord> records_;
  LineId nextId_ = 1;
  bool loaded_ = false;  // the file has been read (or there was none); until then it is not written
  std::map<std::string, LineId, std::less<>> inFlight_;  // by account: the line its exchange is about
  // Each line taken into the update window, as it was then: an edit of one delivered meanwhile
  // is a new line for that account alone, asked for by the same pop-up.
  struct HeldLine {
    std::string destination;
    std::int64_t askedMs = 0;
  };
  std::map<LineId, HeldLine> heldFor_;
  // The person asked to send a line under way again: done once its outcome is in, unless it
  // delivered the line.
  std::set<LineId> resendAfterFlight_;
  std::optional<LineId> lastNoticed_;             // the line the last balloon named
  std::optional<std::int64_t> lastLineNoticeMs_;  // on the monotonic clock
  int untoldLines_ = 0;                           // lines to tell about since then
  bool unsaved_ = false;                          // the last save failed: the file is behind
  bool saveFailureTold_ = false;                  // until a save succeeds again
  bool readFailureTold_ = false;                  // once per run
  bool journalFailureTold_ = false;               // until the journal takes a row again
  std::map<std::string, std::int64_t, std::less<>> networkMemory_;  // what networks keep between lines (Preparing)
  std::optional<std::int64_t> wallOffsetMs_;      // the wall clock less the monotonic one, as last seen
};

}  // namespace quillet
