#pragma once
// The outbox: every confirmed line is written to outbox.txt (see outbox_file.h) before it is
// sent, and leaves it when the service has taken it. Lines go one at a time, oldest first.
//   temporary failure   the line waits 30 s, 1, 2, 4 ... up to 30 minutes (10 % jitter, or longer
//                       when the service asks), then goes again; at every start of the program
//                       every waiting line is due at once;
//   permanent failure   the line is set aside and the person told, once;
//   may have arrived    sent again only where the service can tell a repeat (Mastodon, by the
//                       line's Idempotency-Key); otherwise set aside and the person told;
//   24 hours unsent     the person is told, once; it goes on waiting.
// Lines set aside stay in the outbox until the person sends them again or puts them away after
// being shown them; lines refused for good go again at the next start. A damaged file is kept
// aside under another name, its whole records read, and the person told once.
#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "platform/files.h"
#include "delivery/outcome.h"
#include "delivery/journal.h"
#include "delivery/outbox_file.h"
#include "delivery/status_sender.h"
#include "settings/settings_store.h"

namespace quillet {

inline constexpr std::string_view kOutboxFile = "outbox.txt";

// Something the person should know, shown as a balloon over the tray icon.
struct OutboxNotice {
  std::u16string title;
  std::u16string text;
  bool aboutALine = false;  // a click on it brings the line up (Outbox::NoticedLine)
};

struct OutboxServices {
  SettingsStore& settings;
  platform::IFiles& files;
  platform::IClock& clock;
};

class Outbox {
 public:
  static constexpr std::int64_t kFirstDelayMs = 30'000;
  static constexpr std::int64_t kLongestDelayMs = 30 * 60'000;
  static constexpr std::int64_t kLongestAskedDelayMs = 60 * 60'000;
  static constexpr std::int64_t kReportAfterMs = 24 * 60 * 60'000LL;
  // At most one balloon about lines a minute: a burst of failures is told in one more balloon.
  static constexpr std::int64_t kNoticeGapMs = 60'000;

  // `seed` drives the jitter and the keys.
  Outbox(StatusSender& sender, OutboxServices services, std::uint64_t seed);
  Outbox(const Outbox&) = delete;
  Outbox& operator=(const Outbox&) = delete;

  // Reads the file; the lines in it are due at once.
  void Start();
  // A confirmed line: written to the outbox, then sent when the lines before it are done.
  void Add(std::u16string line);
  // Once a second: times out an attempt, starts the next one when it is due.
  void OnTick();

  // Lines in the outbox: waiting, or set aside for the person.
  int Waiting() const { return static_cast<int>(records_.size()); }
  const std::vector<OutboxRecord>& Records() const { return records_; }
  // The line the last notice named, while it is still in the outbox.
  std::optional<std::u16string> NoticedLine() const;
  // The person has sent the noticed line again, or put it away: it leaves the outbox.
  void SettleNoticed();

  std::function<void(int waiting)> onWaitingChanged;
  std::function<void(const OutboxNotice&)> onNotice;

 private:
  void Load();
  void StartNext();
  void OnOutcome(std::uint64_t id, bool keyed, const DeliveryOutcome& outcome);
  std::int64_t RetryDelayMs(int attempts, int retryAfterSeconds);
  OutboxRecord* Find(std::uint64_t id);
  void Remove(std::uint64_t id);
  void Save();
  void WriteJournal(const OutboxRecord& record, std::u16string_view outcome);
  void Tell(OutboxNotice notice);
  void TellAboutLine(const OutboxRecord& record, std::u16string title, std::u16string text);
  void TellUntoldLines();
  void WaitingChanged();

  StatusSender& sender_;
  OutboxServices s_;
  Journal journal_;
  std::mt19937_64 random_;
  std::vector<OutboxRecord> records_;
  std::uint64_t nextId_ = 1;
  bool loaded_ = false;  // the file has been read (or there was none)
  std::optional<std::uint64_t> inFlight_;
  std::optional<std::uint64_t> noticed_;
  std::optional<std::int64_t> lastLineNoticeMs_;  // when the last balloon about a line came up
  int untoldLines_ = 0;                           // lines to tell about since then
  bool unsaved_ = false;                          // the last save failed: the file is behind
  bool saveFailureTold_ = false;                  // until a save succeeds again
  bool journalFailureTold_ = false;               // once per run
};

}  // namespace quillet
