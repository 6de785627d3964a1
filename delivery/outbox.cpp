#include "delivery/outbox.h"

#include <algorithm>
#include <utility>

#include "common/codepage.h"
#include "common/convert.h"
#include "common/steps.h"

namespace quillet {
namespace {

// The line as a notice quotes it: at most 80 characters.
std::u16string Quoted(std::u16string_view line) {
  constexpr std::size_t kLongest = 80;
  std::u16string shown(line.substr(0, kLongest));
  for (char16_t& ch : shown)
    if (ch == u'\r' || ch == u'\n' || ch == u'\t') ch = u' ';
  if (line.size() > kLongest) shown += u"...";
  return u"\u201C" + shown + u"\u201D";
}

std::u16string What(const std::exception& failure) { return Widen(failure.what()); }

}  // namespace

Outbox::Outbox(StatusSender& sender, OutboxServices services, std::uint64_t seed)
    : sender_(sender), s_(services), journal_(s_.files, s_.clock, s_.settings), random_(seed) {}

void Outbox::Start() {
  Load();
  WaitingChanged();
  StartNext();
}

void Outbox::Load() {
  std::optional<std::string> bytes;
  try {
    bytes = s_.files.Read(kOutboxFile);
  } catch (const std::exception& failure) {
    TraceSwallowedFailure("outbox", failure.what());  // read again at the next tick
    return;
  }
  loaded_ = true;
  std::vector<OutboxRecord> older;
  if (bytes) {
    ParsedOutbox parsed = ParseOutbox(*bytes);
    older = std::move(parsed.records);
    if (parsed.damaged) {
      std::string aside = "outbox.damaged-" + std::to_string(s_.clock.NowMs()) + ".txt";
      std::u16string kept;
      try {
        s_.files.Rename(kOutboxFile, aside);
        kept = u"It was kept as " + Widen(aside) + u" in " + s_.files.Folder() + u". ";
      } catch (const std::exception& failure) {
        kept = u"It could not be kept aside (" + What(failure) + u"). ";
      }
      Tell({u"Quillet's outbox was damaged",
            kept + DecimalText(static_cast<long long>(older.size())) + u" lines were read from it and go on waiting."});
    }
  }
  for (OutboxRecord& record : older) {
    nextId_ = std::max(nextId_, record.id + 1);
    record.dueMs = 0;
    if (record.state == OutboxState::kRefused) record.state = OutboxState::kWaiting;  // refused lines go again
    if (record.state == OutboxState::kLeaving) {
      // Quillet ended while the request was under way: only a keyed repeat is safe.
      if (!record.key.empty()) {
        record.state = OutboxState::kWaiting;
      } else {
        record.state = OutboxState::kUncertain;
        if (!record.reported) {
          record.reported = true;
          TellAboutLine(record, u"Quillet: a line may not have arrived",
                        u"Quillet ended while it was being sent, so it was not sent again. Click here to look at it.");
          WriteJournal(record, u"may have arrived: Quillet ended while it was being sent");
        }
      }
    }
  }
  // Lines confirmed before the file could be read come after the ones in it.
  for (OutboxRecord& record : records_) record.id = nextId_++;
  older.insert(older.end(), records_.begin(), records_.end());
  records_ = std::move(older);
  Save();
}

void Outbox::Add(std::u16string line) {
  OutboxRecord record;
  record.id = nextId_++;
  record.confirmedMs = s_.clock.NowMs();
  static constexpr char kDigits[] = "0123456789abcdef";
  for (int i = 0; i < 32; ++i) record.key += kDigits[random_() & 15];
  record.line = std::move(line);
  records_.push_back(std::move(record));
  Save();
  WaitingChanged();
  StartNext();
}

void Outbox::OnTick() {
  if (!loaded_) {
    Load();
    if (loaded_) WaitingChanged();
  }
  if (unsaved_) Save();  // the disk may take it again
  TellUntoldLines();
  sender_.OnTick();
  StartNext();
}

void Outbox::StartNext() {
  while (loaded_ && !sender_.Busy()) {
    auto next = std::find_if(records_.begin(), records_.end(),
                             [](const OutboxRecord& r) { return r.state == OutboxState::kWaiting; });
    if (next == records_.end() || next->dueMs > s_.clock.NowMs()) return;  // the ones behind it wait too
    OutboxRecord& record = *next;
    ServiceChoice choice;
    Step([&] { choice = ChosenService(s_.settings); });
    if (choice.api == ServiceApi::kJournal) {  // posting nowhere: the journal is the line's end
      WriteJournal(record, u"kept in the journal only");
      Remove(record.id);
      continue;
    }
    bool keyed = choice.api == ServiceApi::kMastodon && !choice.builtIn;
    ++record.attempts;
    std::uint64_t id = record.id;
    inFlight_ = id;
    sender_.Send(
        record.line, keyed ? record.key : std::string(),
        [this, id] {
          if (OutboxRecord* r = Find(id)) {
            r->state = OutboxState::kLeaving;
            Save();
          }
        },
        [this, id, keyed](const DeliveryOutcome& outcome) { OnOutcome(id, keyed, outcome); });
    return;
  }
}

void Outbox::OnOutcome(std::uint64_t id, bool keyed, const DeliveryOutcome& outcome) {
  inFlight_.reset();
  OutboxRecord* record = Find(id);
  if (!record) return;
  std::int64_t now = s_.clock.NowMs();
  Delivery kind = outcome.kind;
  if (kind == Delivery::kAmbiguous && keyed) kind = Delivery::kTemporary;  // the server tells a repeat by its key
  switch (kind) {
    case Delivery::kDelivered:
      WriteJournal(*record, u"posted");
      Remove(id);
      return;
    case Delivery::kTemporary:
      record->state = OutboxState::kWaiting;
      record->dueMs = now + RetryDelayMs(record->attempts, outcome.retryAfterSeconds);
      if (!record->reported && now - record->confirmedMs >= kReportAfterMs) {
        record->reported = true;
        TellAboutLine(*record, u"Quillet: a line is still waiting",
                      u"Unsent for 24 hours: " + outcome.reason + u". Quillet keeps trying; click here to look at it.");
      }
      Save();
      return;
    case Delivery::kPermanent:
      record->state = OutboxState::kRefused;
      record->reported = true;
      WriteJournal(*record, u"not posted: " + outcome.reason);
      Save();
      TellAboutLine(*record, u"Quillet could not post a line",
                    u"Not posted: " + outcome.reason + u". Click here to fix it and send it again.");
      return;
    case Delivery::kAmbiguous:
      record->state = OutboxState::kUncertain;
      record->reported = true;
      WriteJournal(*record, u"may have arrived: " + outcome.reason);
      Save();
      TellAboutLine(*record, u"Quillet: a line may not have arrived",
                    u"Not sent again: " + outcome.reason + u". Click here to look at it.");
      return;
  }
}

std::int64_t Outbox::RetryDelayMs(int attempts, int retryAfterSeconds) {
  std::int64_t delay = kFirstDelayMs;
  for (int i = 1; i < attempts && delay < kLongestDelayMs; ++i) delay *= 2;
  delay = std::min(delay, kLongestDelayMs);
  // 10 % either way, so that many copies of Quillet do not come back at the same moment.
  std::int64_t spread = delay / 10;
  delay += static_cast<std::int64_t>(random_() % static_cast<std::uint64_t>(2 * spread + 1)) - spread;
  std::int64_t asked = std::min<std::int64_t>(retryAfterSeconds * 1000LL, kLongestAskedDelayMs);
  return std::max(delay, asked);
}

OutboxRecord* Outbox::Find(std::uint64_t id) {
  auto found = std::find_if(records_.begin(), records_.end(), [id](const OutboxRecord& r) { return r.id == id; });
  return found == records_.end() ? nullptr : &*found;
}

void Outbox::Remove(std::uint64_t id) {
  std::erase_if(records_, [id](const OutboxRecord& r) { return r.id == id; });
  if (noticed_ == id) noticed_.reset();
  Save();
  WaitingChanged();
}

std::optional<std::u16string> Outbox::NoticedLine() const {
  if (!noticed_) return std::nullopt;
  auto found =
      std::find_if(records_.begin(), records_.end(), [this](const OutboxRecord& r) { return r.id == *noticed_; });
  if (found == records_.end()) return std::nullopt;
  return found->line;
}

void Outbox::SettleNoticed() {
  if (!noticed_ || noticed_ == inFlight_) return;
  Remove(*noticed_);
}

void Outbox::Save() {
  if (!loaded_) return;  // the file's lines are not known yet: it is not overwritten
  try {
    s_.files.Replace(kOutboxFile, FormatOutbox(records_));
    unsaved_ = false;
    saveFailureTold_ = false;
  } catch (const std::exception& failure) {
    unsaved_ = true;
    TraceSwallowedFailure("outbox", failure.what());
    if (std::exchange(saveFailureTold_, true)) return;
    Tell({u"Quillet cannot save its outbox",
          What(failure) + u". Your lines are kept while Quillet runs; it tries again every second."});
  }
}

void Outbox::WriteJournal(const OutboxRecord& record, std::u16string_view outcome) {
  try {
    if (!journal_.Enabled()) return;
    journal_.Add(record.confirmedMs, record.line, outcome);
  } catch (const std::exception& failure) {
    TraceSwallowedFailure("journal", failure.what());
    if (std::exchange(journalFailureTold_, true)) return;
    Tell({u"Quillet cannot write its journal",
          Widen(kJournalFile) + u" in " + s_.files.Folder() + u": " + What(failure) + u". Posting goes on."});
  }
}

void Outbox::Tell(OutboxNotice notice) {
  if (onNotice) Step([&] { onNotice(notice); });
}

void Outbox::TellAboutLine(const OutboxRecord& record, std::u16string title, std::u16string text) {
  noticed_ = record.id;
  std::int64_t now = s_.clock.NowMs();
  if (lastLineNoticeMs_ && now - *lastLineNoticeMs_ < kNoticeGapMs) {
    ++untoldLines_;  // told together, once the gap has passed
    return;
  }
  lastLineNoticeMs_ = now;
  Tell({std::move(title), Quoted(record.line) + u"\n" + text, true});
}

void Outbox::TellUntoldLines() {
  if (untoldLines_ == 0 || s_.clock.NowMs() - *lastLineNoticeMs_ < kNoticeGapMs) return;
  int lines = std::exchange(untoldLines_, 0);
  auto line = NoticedLine();
  if (!line) return;  // the person has dealt with it meanwhile
  lastLineNoticeMs_ = s_.clock.NowMs();
  Tell({u"Quillet: " + DecimalText(lines + 1) + u" lines need a look",
        Quoted(*line) + u"\nand others were not posted or may not have arrived. Click here to look at this one.",
        true});
}

void Outbox::WaitingChanged() {
  if (onWaitingChanged) Step([&] { onWaitingChanged(Waiting()); });
}

}  // namespace quillet
