#include "delivery/outbox.h"

#include <algorithm>
#include <utility>

#include "common/codepage.h"
#include "common/convert.h"
#include "common/steps.h"
#include "common/trace.h"
#include "settings/accounts.h"

namespace quillet {
namespace {

// The line as a notice quotes it: at most 80 characters.
std::u16string Quoted(const Catalog& words, std::u16string_view line) {
  constexpr std::size_t kLongest = 80;
  std::u16string shown(line.substr(0, kLongest));
  if (shown.size() == kLongest && shown.back() >= 0xD800 && shown.back() <= 0xDBFF) shown.pop_back();
  for (char16_t& ch : shown)
    if (ch == u'\r' || ch == u'\n' || ch == u'\t') ch = u' ';
  if (line.size() > shown.size()) shown += u"...";
  return FillIn(words.Tr(u"\u201C%1\u201D"), {shown});
}

std::u16string What(const std::exception& failure) { return Widen(failure.what()); }

bool Queued(const OutboxRecord& record) {
  return !record.held && (record.state == OutboxState::kWaiting || record.state == OutboxState::kChecking);
}

}  // namespace

Outbox::Outbox(StatusSenders& senders, OutboxServices services, std::uint64_t seed)
    : senders_(senders), s_(services), random_(seed) {}

void Outbox::Start() {
  FollowWallClock();  // from here on
  Load();
  Changed();
  StartNext();
}

void Outbox::Load() {
  std::optional<std::string> bytes;
  try {
    bytes = s_.files.Read(kOutboxFile);
  } catch (const std::exception& failure) {
    TraceSwallowedFailure(SourcePlace::current(), failure);  // read again at the next tick
    if (!std::exchange(readFailureTold_, true)) {
      // Lines confirmed meanwhile are numbered far above any the file can hold.
      nextId_ = std::max<LineId>(nextId_, static_cast<LineId>(std::max<std::int64_t>(s_.clock.NowMs(), 1)));
      const Catalog& words = s_.app.Words();
      Tell({words.Tr(u"Quillet cannot read its outbox"),
            FillIn(words.Tr(u"%1. The lines in it wait until it can be read, and it is left as it is; new lines are "
                            u"sent all the same."),
                   {What(failure)})});
    }
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
        kept = FillIn(s_.app.Words().Tr(u"It was kept as %1 in %2."), {Widen(aside), s_.files.Folder()});
      } catch (const std::exception& failure) {
        kept = FillIn(s_.app.Words().Tr(u"It could not be kept aside (%1)."), {What(failure)});
      }
      const Catalog& words = s_.app.Words();
      auto read = static_cast<unsigned long>(older.size());
      Tell({words.Tr(u"Quillet's outbox was damaged"),
            kept + u" " +
                FillIn(words.TrPlural(u"%1 line was read from it and goes on waiting.",
                                      u"%1 lines were read from it and go on waiting.", read),
                       {DecimalText(static_cast<long long>(read))})});
    }
  }
  Merge(std::move(older));
}

void Outbox::Merge(std::vector<OutboxRecord> older) {
  for (OutboxRecord& record : older) {
    nextId_ = std::max(nextId_, record.id + 1);
    record.dueMs = 0;
    record.onDisk = true;  // read from the file
    if (record.state == OutboxState::kRefused) {
      // The person may have put the settings right meanwhile; a removed account's lines stay theirs.
      bool accountGone = false;
      Step([&] { accountGone = !LinkOf(record); });
      if (!accountGone) record.state = OutboxState::kWaiting;
    } else if (record.state == OutboxState::kLeaving) {
      MayHaveArrived(record, Translatable(u"Quillet ended while it was being sent"));
    }
    if (record.state == OutboxState::kChecking) {  // it has been uncertain since the last run at least
      record.uncertainSinceMs = s_.clock.MonotonicMs() - kLookAfterMs[0];
      record.dueMs = 0;
    }
  }
  // Lines confirmed before the file could be read come after the ones in it.
  for (OutboxRecord& record : records_) {
    bool taken = std::any_of(older.begin(), older.end(), [&](const OutboxRecord& r) { return r.id == record.id; });
    if (taken && !InFlight(record.id) && lastNoticed_ != record.id) record.id = nextId_++;
  }
  older.insert(older.end(), records_.begin(), records_.end());
  records_ = std::move(older);
  Save();
}

LineId Outbox::Add(std::u16string line, std::int64_t askedMs) {
  FollowWallClock();  // a setting of the clock while idle is noted before anything is stamped
  std::vector<std::string> ticked;
  try {
    ticked = Accounts(s_.settings).Ticked();
  } catch (const std::exception& failure) {
    TraceSwallowedFailure(SourcePlace::current(), failure);
  }
  // With no account ticked (or the accounts unreadable) the line is kept for the first one rather
  // than lost.
  if (ticked.empty()) ticked.push_back(std::string(kFirstAccount));
  std::optional<LineId> first;
  for (const std::string& destination : ticked) {
    records_.push_back(NewRecord(line, destination, askedMs));
    if (!first) first = records_.back().id;
  }
  Save();
  Changed();
  StartNext();
  return *first;
}

OutboxRecord Outbox::NewRecord(std::u16string line, std::string destination, std::int64_t askedMs) {
  OutboxRecord record;
  record.id = nextId_++;
  record.confirmedMs = s_.clock.NowMs();
  record.destination = std::move(destination);
  record.askedMs = askedMs;
  record.line = std::move(line);
  NewKeys(record);
  return record;
}

LineId Outbox::AddFor(std::u16string line, std::string destination, std::int64_t askedMs) {
  records_.push_back(NewRecord(std::move(line), std::move(destination), askedMs));
  LineId id = records_.back().id;
  Save();
  Changed();
  StartNext();
  return id;
}

std::unique_ptr<AccountLink> Outbox::LinkOf(const OutboxRecord& record) {
  Accounts accounts(s_.settings);
  if (record.destination != kFirstAccount && !accounts.Exists(record.destination)) return nullptr;
  return senders_.For(record.destination).Link();
}

std::optional<NetworkTraits> Outbox::TraitsOf(const OutboxRecord& record) {
  std::optional<NetworkTraits> traits;
  Step([&] {
    if (auto link = LinkOf(record)) traits = link->Traits();
  });
  return traits;
}

bool Outbox::InFlight(LineId id) const {
  return std::any_of(inFlight_.begin(), inFlight_.end(), [id](const auto& flight) { return flight.second == id; });
}

std::u16string Outbox::AccountInWords(const OutboxRecord& record) const { return AccountInWords(record, s_.app.Words()); }

std::u16string Outbox::AccountInWords(const OutboxRecord& record, const Catalog& words) const {
  std::u16string name = FillIn(words.Tr(u"account %1"), {Widen(record.destination)});
  Step([&] {
    Accounts accounts(s_.settings);
    if (accounts.Exists(record.destination)) name = AccountName(accounts.Summary(record.destination), words);
  });
  return name;
}

std::optional<std::u16string> Outbox::JournalAccount(const OutboxRecord& record) const {
  std::size_t count = 1;
  Step([&] { count = Accounts(s_.settings).Ids().size(); });
  if (count < 2 && record.destination == kFirstAccount) return std::nullopt;
  return AccountInWords(record, Catalog{});
}

std::optional<std::u16string> Outbox::NamedAccount(const OutboxRecord& record) const {
  std::size_t count = 1;
  Step([&] { count = Accounts(s_.settings).Ids().size(); });
  if (count < 2 && record.destination == kFirstAccount) return std::nullopt;
  return AccountInWords(record);
}

void Outbox::FollowWallClock() {
  std::int64_t offset = s_.clock.NowMs() - s_.clock.MonotonicMs();
  if (!wallOffsetMs_) wallOffsetMs_ = offset;
  std::int64_t jump = offset - *wallOffsetMs_;
  if (jump > -kWallJumpMs && jump < kWallJumpMs) return;
  wallOffsetMs_ = offset;
  for (OutboxRecord& record : records_)
    if (record.firstSentMs != 0) record.firstSentMs += jump;
  Save();
}

void Outbox::AccountRemoved(std::string_view account) {
  for (OutboxRecord& record : records_)
    if (record.destination == account) record.dueMs = 0;  // StartNext puts them in the person's hands
  StartNext();
}

void Outbox::OnTick() {
  FollowWallClock();
  if (!loaded_) {
    Load();
    if (loaded_) Changed();
  }
  if (unsaved_) Save();  // the disk may take it again
  TellUntoldLines();
  senders_.OnTick();
  StartNext();
}

void Outbox::StartNext() {
  // Each account's lines go in order, one exchange at a time for each account: the first queued
  // line of each account decides for the ones behind it, and an account that is not answering
  // holds up no other. A step done at once (a line kept for the person, or in the journal only)
  // changes the queue: it is looked at again.
  for (bool again = true; again;) {
    again = false;
    std::set<std::string, std::less<>> seen;
    for (std::size_t i = 0; i < records_.size() && !again; ++i) {
      if (!Queued(records_[i]) || !seen.insert(records_[i].destination).second) continue;
      OutboxRecord& record = UncertainTwin(records_[i]).value_or(records_[i]);
      if (!Queued(record)) continue;  // its twin is in the update window: it waits for the person
      if (inFlight_.contains(record.destination) || senders_.Busy(record.destination)) continue;
      if (record.dueMs > s_.clock.MonotonicMs()) continue;
      again = !StartStep(record);
    }
  }
}

std::optional<std::reference_wrapper<OutboxRecord>> Outbox::UncertainTwin(const OutboxRecord& record) {
  if (record.state != OutboxState::kWaiting || record.mayHaveArrived) return std::nullopt;
  for (OutboxRecord& twin : records_)
    if (twin.id != record.id && twin.destination == record.destination && twin.line == record.line &&
        (twin.state == OutboxState::kChecking || (twin.state == OutboxState::kWaiting && twin.mayHaveArrived))) {
      // A line its network looks for by its key is never taken for another with the same words.
      // (Asked only when there is a twin: the answer comes from the settings, and this runs for
      // the first line of every account at every tick.)
      std::optional<NetworkTraits> traits = TraitsOf(record);
      if (traits && traits->findsByKey) return std::nullopt;
      return twin;
    }
  return std::nullopt;
}

bool Outbox::StartStep(OutboxRecord& record) {
  std::unique_ptr<AccountLink> link;
  Step([&] { link = LinkOf(record); });
  if (!link) {
    WriteJournal(record, u"not posted: its account was removed");
    PutInPersonsHands(record, OutboxState::kRefused, Translatable(u"the account it was for has been removed"));
    Save();
    Changed();
    return false;
  }
  NetworkTraits traits = link->Traits();
  if (record.state == OutboxState::kWaiting && record.mayHaveArrived && !traits.keysNeverExpire) {
    MayHaveArrived(record, record.reason);  // a file of an earlier version: it is looked for first
    Save();
    Changed();
    return false;
  }
  if (record.state == OutboxState::kChecking) {
    Check(record, *link);
    return true;
  }
  if (traits.journalOnly) {
    KeepInJournalOnly(record);
    return false;
  }
  Attempt(record, *link, traits);
  return true;
}

void Outbox::Attempt(OutboxRecord& record, AccountLink& link, const NetworkTraits& traits) {
  bool keyed = traits.honoursRepeatKeys;
  ++record.attempts;
  record.lastTriedMs = s_.clock.NowMs();
  record.keyed = keyed;
  std::string key = Prepare(record, link);
  LineId id = record.id;
  inFlight_[record.destination] = id;
  Changed();
  senders_.For(record.destination).Send(
      record.line, keyed ? key : std::string(), keyed ? record.prepared : nullptr,
      [this, id] {
        OutboxRecord* r = FindRecord(id);
        if (!r) return false;
        OutboxRecord before = *r;
        r->state = OutboxState::kLeaving;
        if (r->firstSentMs == 0) {
          FollowWallClock();
          r->firstSentMs = s_.clock.NowMs();
          r->firstSentMonotonicMs = s_.clock.MonotonicMs();
        }
        Save();
        // A file that still says the line waits would send it again at the next start, even if it
        // arrives now: it does not leave until the file can say so.
        if (unsaved_ && r->onDisk) {
          *r = before;
          return false;
        }
        return true;
      },
      [this, id](const DeliveryOutcome& outcome) { OnOutcome(id, outcome); });
}

void Outbox::Check(OutboxRecord& record, const AccountLink& link) {
  LineId id = record.id;
  record.lastTriedMs = s_.clock.NowMs();
  inFlight_[record.destination] = id;
  Changed();
  senders_.For(record.destination)
      .ReadBack({.line = record.line,
                 .key = link.KeyOf(record.keys),
                 .prepared = record.prepared,
                 // Sent in an earlier run, only the wall clock spans the restart (and was followed
                 // while Quillet ran); from here on the clock that setting the time does not move.
                 .firstSentMonotonicMs = record.firstSentMonotonicMs >= 0
                                             ? record.firstSentMonotonicMs
                                             : s_.clock.MonotonicMs() - (s_.clock.NowMs() - record.firstSentMs)},
                [this, id](const ReadBackAnswer& answer) { OnReadBack(id, answer); });
}

void Outbox::KeepInJournalOnly(OutboxRecord& record) {
  // A journal-only account keeps its lines there even when the first account posts elsewhere
  // and no journal is kept of its lines.
  if (WriteJournal(record, u"kept in the journal only", false, true)) {
    Log(record.id, u"kept in the journal only");
    Erase(record.id);
    Changed();
    return;
  }
  // The line leaves only once its row is on the disk: until then it waits like any other.
  ++record.attempts;
  Retry(record, {Delivery::kTemporary, Translatable(u"the journal cannot be written")});
  Save();
  Changed();
}

OutboxRecord* Outbox::ExchangeOver(LineId id, bool& resend) {
  std::erase_if(inFlight_, [id](const auto& flight) { return flight.second == id; });
  resend = resendAfterFlight_.erase(id) > 0;
  return FindRecord(id);
}

void Outbox::OnOutcome(LineId id, const DeliveryOutcome& outcome) {
  bool resend = false;
  OutboxRecord* record = ExchangeOver(id, resend);
  if (!record) return;  // removed or replaced by the person meanwhile
  if (outcome.kind != Delivery::kAmbiguous && outcome.kind != Delivery::kDelivered && !record->mayHaveArrived) {
    // Not taken, and never possibly before: the next attempt is the first that may reach the
    // account's posts (a post made before it is not this line).
    record->firstSentMs = 0;
    record->firstSentMonotonicMs = -1;
  }
  switch (outcome.kind) {
    case Delivery::kDelivered:
      Log(id, u"sent");
      Delivered(id);
      return;
    case Delivery::kTemporary:
      Log(id, u"to be sent again: " + outcome.reason);
      Retry(*record, outcome);
      break;
    case Delivery::kPermanent:
      WriteJournal(*record, u"not posted: " + outcome.reason);
      PutInPersonsHands(*record, OutboxState::kRefused, outcome.reason);
      break;
    case Delivery::kAmbiguous:
      Log(id, u"may have arrived: " + outcome.reason);
      MayHaveArrived(*record, outcome.reason);
      break;
  }
  Save();
  Changed();
  if (resend) SendAgain(id);
}

void Outbox::OnReadBack(LineId id, const ReadBackAnswer& answer) {
  bool resend = false;
  OutboxRecord* record = ExchangeOver(id, resend);
  if (!record) return;  // removed or replaced by the person meanwhile
  switch (answer.finding) {
    case ReadBackAnswer::kFound:
      Log(id, u"sent: found among the account's posts");
      Delivered(id);
      return;
    case ReadBackAnswer::kNotFound:
      NotFound(*record);
      break;
    case ReadBackAnswer::kUnsure:
      WriteJournal(*record, u"may have arrived: " + record->reason);
      PutInPersonsHands(*record, OutboxState::kUncertain,
                        FillIn(Translatable(u"%1; %2"), {record->reason, answer.failure.reason}));
      break;
    case ReadBackAnswer::kFailed:
      if (answer.failure.kind == Delivery::kTemporary) {
        Log(id, u"to be looked for again: " + answer.failure.reason);
        ++record->attempts;
        Retry(*record, answer.failure);
        record->state = OutboxState::kChecking;  // asked again when it is due
        record->reason = FillIn(Translatable(u"may have arrived; Quillet will look again (%1)"), {answer.failure.reason});
      } else {
        WriteJournal(*record, u"may have arrived: " + record->reason);
        PutInPersonsHands(*record, OutboxState::kUncertain,
                          FillIn(Translatable(u"%1; whether it did cannot be checked: %2"),
                                 {record->reason, answer.failure.reason}));
      }
      break;
  }
  Save();
  Changed();
  if (resend) SendAgain(id);
}

void Outbox::MayHaveArrived(OutboxRecord& record, std::u16string reason) {
  record.mayHaveArrived = true;
  std::unique_ptr<AccountLink> link;
  Step([&] { link = LinkOf(record); });
  std::optional<NetworkTraits> traits;
  if (link) traits = link->Traits();
  if (traits && traits->keysNeverExpire && !link->KeyOf(record.keys).empty()) {
    Retry(record, {Delivery::kTemporary, std::move(reason)});  // written again under its key, never twice
    return;
  }
  if (traits && traits->canReadBack) {
    // A server may take a line late: it is looked for after a pause, and again.
    record.state = OutboxState::kChecking;
    record.reason = std::move(reason);
    record.looks = 0;
    record.uncertainSinceMs = s_.clock.MonotonicMs();
    record.dueMs = record.uncertainSinceMs + kLookAfterMs[0];
    return;
  }
  WriteJournal(record, u"may have arrived: " + reason);
  PutInPersonsHands(record, OutboxState::kUncertain, std::move(reason));
}

void Outbox::NotFound(OutboxRecord& record) {
  if (++record.looks < static_cast<int>(std::size(kLookAfterMs))) {
    Log(record.id, u"not found among the account's posts yet: looked for again later");
    record.dueMs = record.uncertainSinceMs + kLookAfterMs[record.looks];
    return;
  }
  // Sent again after a pause that grows with the attempts, and told about after a day, as after
  // any other failure: a server that never says what it took cannot keep the line going round.
  Log(record.id, u"to be sent again: not found among the account's posts");
  record.mayHaveArrived = false;
  record.looks = 0;
  Retry(record, {Delivery::kTemporary, record.reason});
}

void Outbox::Retry(OutboxRecord& record, const DeliveryOutcome& outcome) {
  record.state = OutboxState::kWaiting;
  record.reason = outcome.reason;
  record.dueMs = s_.clock.MonotonicMs() + RetryDelayMs(record.attempts, outcome.retryAfterSeconds);
  if (!record.reported && s_.clock.NowMs() - record.confirmedMs >= kReportAfterMs) {
    record.reported = true;
    const Catalog& words = s_.app.Words();
    std::u16string reason = words.TrFilled(outcome.reason);
    std::optional<std::u16string> account = NamedAccount(record);
    TellAboutLine(record, words.Tr(u"Quillet: a line is still waiting"),
                  account ? FillIn(words.Tr(u"Unsent for 24 hours to %1: %2. Quillet keeps trying; click here to look at it."),
                                   {*account, reason})
                          : FillIn(words.Tr(u"Unsent for 24 hours: %1. Quillet keeps trying; click here to look at it."),
                                   {reason}));
  }
}

void Outbox::PutInPersonsHands(OutboxRecord& record, OutboxState state, std::u16string reason) {
  record.state = state;
  record.reason = std::move(reason);
  record.reported = true;
  Log(record.id, u"kept for the person: " + record.reason);
  const Catalog& words = s_.app.Words();
  std::u16string why = words.TrFilled(record.reason);
  std::optional<std::u16string> account = NamedAccount(record);
  if (state == OutboxState::kRefused) {
    TellAboutLine(record, words.Tr(u"Quillet could not post a line"),
                  account ? FillIn(words.Tr(u"Not posted to %1: %2. Click here to fix it and send it again."), {*account, why})
                          : FillIn(words.Tr(u"Not posted: %1. Click here to fix it and send it again."), {why}));
  } else {
    TellAboutLine(record, words.Tr(u"Quillet: a line may not have arrived"),
                  account ? FillIn(words.Tr(u"Not sent again to %1: %2. Click here to look at it."), {*account, why})
                          : FillIn(words.Tr(u"Not sent again: %1. Click here to look at it."), {why}));
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

const OutboxRecord* Outbox::Find(LineId id) const {
  auto found = std::find_if(records_.begin(), records_.end(), [id](const OutboxRecord& r) { return r.id == id; });
  return found == records_.end() ? nullptr : &*found;
}

OutboxRecord* Outbox::FindRecord(LineId id) { return const_cast<OutboxRecord*>(std::as_const(*this).Find(id)); }

std::u16string Outbox::StateInWords(const OutboxRecord& record) const {
  const Catalog& words = s_.app.Words();
  auto because = [&](std::u16string_view state) {
    if (record.reason.empty()) return words.Tr(state);
    return FillIn(words.Tr(u"%1: %2"), {words.Tr(state), words.TrFilled(record.reason)});
  };
  if (InFlight(record.id))
    return record.state == OutboxState::kChecking ? because(Translatable(u"Checking whether it arrived"))
                                                  : words.Tr(u"Being sent");
  if (record.held) return words.Tr(u"In the update window");
  switch (record.state) {
    case OutboxState::kWaiting:
      if (record.reason.empty()) return words.Tr(u"Waiting to be sent");
      return because(record.reported ? Translatable(u"Unsent for 24 hours, still trying") : Translatable(u"Waiting"));
    case OutboxState::kChecking:
      return because(Translatable(u"Waiting to check whether it arrived"));
    case OutboxState::kRefused:
      return because(Translatable(u"Not posted"));
    case OutboxState::kUncertain:
      return because(Translatable(u"May have arrived, not sent again"));
    case OutboxState::kLeaving:
    default:
      return words.Tr(u"Being sent");
  }
}

std::optional<std::int64_t> Outbox::NextTryMs(const OutboxRecord& record) const {
  if (InFlight(record.id) || record.held) return std::nullopt;
  if (record.state != OutboxState::kWaiting && record.state != OutboxState::kChecking) return std::nullopt;
  return s_.clock.NowMs() + std::max<std::int64_t>(0, record.dueMs - s_.clock.MonotonicMs());
}

std::optional<std::u16string> Outbox::Hold(LineId id) {
  OutboxRecord* record = FindRecord(id);
  if (!record) return std::nullopt;
  record->held = true;
  heldFor_[id] = {record->destination, record->askedMs};
  Changed();
  return record->line;
}

void Outbox::Release(LineId id) {
  heldFor_.erase(id);
  OutboxRecord* record = FindRecord(id);
  if (!record || !record->held) return;
  record->held = false;
  Changed();
  StartNext();
}

void Outbox::SendAgain(LineId id, std::optional<std::u16string> edited) {
  OutboxRecord* record = FindRecord(id);
  auto heldFor = heldFor_.find(id);
  HeldLine held = heldFor == heldFor_.end() ? HeldLine{std::string(kFirstAccount)} : heldFor->second;
  if (heldFor != heldFor_.end()) heldFor_.erase(heldFor);
  if (!record) {  // delivered meanwhile: only an edit is new
    if (edited && !edited->empty()) AddFor(std::move(*edited), std::move(held.destination), held.askedMs);
    return;
  }
  record->held = false;
  if (InFlight(id)) {
    if (edited && *edited != record->line) {  // the edit takes its place now; the attempt's outcome no longer counts
      std::string destination = record->destination;
      std::int64_t askedMs = record->askedMs;
      Erase(id);
      AddFor(std::move(*edited), std::move(destination), askedMs);
      return;
    }
    resendAfterFlight_.insert(id);  // once the attempt under way is over, if it did not deliver the line
    Changed();
    return;
  }
  if (edited && *edited != record->line) {
    record->line = std::move(*edited);
    NewKeys(*record);  // a new line for the service
    record->firstSentMs = 0;
    record->firstSentMonotonicMs = -1;
  } else {
    // A key the account's own may have changed (a signature) is made anew.
    Step([&] {
      if (auto link = LinkOf(*record)) link->Renew(*record);
    });
  }
  record->state = OutboxState::kWaiting;
  record->mayHaveArrived = false;  // the person chose to send it again
  record->reason.clear();
  record->reported = false;
  record->attempts = 0;
  record->dueMs = 0;
  record->confirmedMs = s_.clock.NowMs();
  // It goes first, behind any line under way.
  auto at = std::find_if(records_.begin(), records_.end(), [id](const OutboxRecord& r) { return r.id == id; });
  std::rotate(records_.begin(), at, at + 1);
  Save();
  Changed();
  StartNext();
}

void Outbox::Remove(LineId id) {
  heldFor_.erase(id);
  if (!FindRecord(id)) return;
  resendAfterFlight_.erase(id);  // an attempt under way still ends; its outcome no longer counts
  Erase(id);
  Changed();
  StartNext();
}

void Outbox::Delivered(LineId id) {
  if (const OutboxRecord* record = Find(id)) WriteJournal(*record, u"posted");
  Erase(id);
  Changed();
}

void Outbox::Log(LineId id, std::u16string_view what) {
  if (!onLog) return;
  std::u16string event = u"line " + Widen(std::to_string(id)) + u" ";
  event += what;
  Step([&] { onLog(event); });
}

void Outbox::Erase(LineId id) {
  std::erase_if(records_, [id](const OutboxRecord& r) { return r.id == id; });
  if (lastNoticed_ == id) lastNoticed_.reset();
  Save();
}

void Outbox::Save() {
  if (!loaded_) return;  // the file's lines are not known yet: it is not overwritten
  try {
    s_.files.Replace(kOutboxFile, FormatOutbox(records_));
    for (OutboxRecord& record : records_) record.onDisk = true;
    unsaved_ = false;
    saveFailureTold_ = false;
  } catch (const std::exception& failure) {
    unsaved_ = true;
    TraceSwallowedFailure(SourcePlace::current(), failure);
    if (std::exchange(saveFailureTold_, true)) return;
    const Catalog& words = s_.app.Words();
    Tell({words.Tr(u"Quillet cannot save its outbox"),
          FillIn(words.Tr(u"%1. Your lines are kept while Quillet runs; it tries again every second."), {What(failure)})});
  }
}

bool Outbox::WriteJournal(const OutboxRecord& record, std::u16string_view outcome, bool nameAccount, bool always) {
  try {
    if (!always && !s_.journal.Enabled()) return true;
    std::optional<std::u16string> account = JournalAccount(record);
    std::u16string said(outcome);
    if (nameAccount && account) said += u" to " + *account;
    s_.journal.Add(record.confirmedMs, record.line, said, record.askedMs, account.value_or(u""));
    journalFailureTold_ = false;
    return true;
  } catch (const std::exception& failure) {
    TraceSwallowedFailure(SourcePlace::current(), failure);
    if (!std::exchange(journalFailureTold_, true)) {
      const Catalog& words = s_.app.Words();
      Tell({words.Tr(u"Quillet cannot write its journal"),
            FillIn(words.Tr(u"%1 in %2: %3."), {Widen(kJournalFile), s_.files.Folder(), What(failure)})});
    }
    return false;
  }
}

void Outbox::Tell(OutboxNotice notice) {
  if (onNotice) Step([&] { onNotice(notice); });
}

void Outbox::TellAboutLine(const OutboxRecord& record, std::u16string title, std::u16string text) {
  lastNoticed_ = record.id;
  std::int64_t now = s_.clock.MonotonicMs();
  if (lastLineNoticeMs_ && now - *lastLineNoticeMs_ < kNoticeGapMs) {
    ++untoldLines_;  // told together, once the gap has passed
    return;
  }
  lastLineNoticeMs_ = now;
  Tell({std::move(title), Quoted(s_.app.Words(), record.line) + u"\n" + text, record.id});
}

void Outbox::TellUntoldLines() {
  if (untoldLines_ == 0 || s_.clock.MonotonicMs() - *lastLineNoticeMs_ < kNoticeGapMs) return;
  int lines = std::exchange(untoldLines_, 0);
  const OutboxRecord* record = lastNoticed_ ? Find(*lastNoticed_) : nullptr;
  if (!record) return;  // the person has dealt with it meanwhile
  lastLineNoticeMs_ = s_.clock.MonotonicMs();
  const Catalog& words = s_.app.Words();
  auto count = static_cast<unsigned long>(lines + 1);
  Tell({FillIn(words.TrPlural(u"Quillet: %1 line needs a look", u"Quillet: %1 lines need a look", count),
               {DecimalText(static_cast<long long>(count))}),
        FillIn(words.Tr(u"%1\nand others were not posted or may not have arrived. Click here to look at this one; "
                        u"\"Lines waiting\" in Quillet's menu lists them all."),
               {Quoted(words, record->line)}),
        record->id});
}

void Outbox::Changed() {
  if (onChanged) Step([&] { onChanged(); });
}

void Outbox::NewKeys(OutboxRecord& record) {
  record.keys = {};
  record.prepared = nullptr;
  // A network whose keys never expire keys the line the moment it is confirmed (a record key that
  // also gives the post its time); every other line gets a key of its own.
  Step([&] {
    if (auto link = LinkOf(record); link && link->Traits().keysNeverExpire) Prepare(record, *link);
  });
  if (record.keys == LineKeys{}) record.keys.idempotency = NewLineKey(record, random_);
}

std::string Outbox::Prepare(OutboxRecord& record, AccountLink& link) {
  Preparing line{.record = record, .nowMs = s_.clock.NowMs(), .kept = records_, .random = random_, .memory = networkMemory_};
  return link.Prepare(line);
}

std::string NewLineKey(const OutboxRecord& record, std::mt19937_64& random) {
  // Half drawn at random, half from the line itself (its number, when it was confirmed, its text),
  // so that two lines never share a key even when the generator was seeded alike.
  std::uint64_t own = 1469598103934665603ULL;
  auto mix = [&own](std::uint64_t value) {
    for (int i = 0; i < 8; ++i, value >>= 8) own = (own ^ (value & 0xFF)) * 1099511628211ULL;
  };
  mix(record.id);
  mix(static_cast<std::uint64_t>(record.confirmedMs));
  for (char16_t ch : record.line) mix(ch);
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string key;
  for (int i = 0; i < 16; ++i) key += kDigits[random() & 15];
  for (int i = 0; i < 16; ++i, own >>= 4) key += kDigits[own & 15];
  return key;
}

}  // namespace quillet
