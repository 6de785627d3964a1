// A model check of delivery: seeded random walks over everything that can happen to confirmed
// lines, on the fake platform, against model services that record every post they take. People
// give the same answers again and again, so each walk's lines are drawn from a handful of texts,
// and every timeline starts with older posts of the same words. The services answer each kind of
// reply, none, a reset; take a line and answer 5xx; take it late, after Quillet has given up on
// the answer; show some lines otherwise than written (an emoji for ":-)", emphasis for "*...*", a
// mention without its host). Quillet is killed at any point and started again, the wall clock is
// set either way, the disk fills, the journal is locked; the person recalls, edits, sends again
// and removes lines; accounts are added (Bluesky among them, and the tests' own loopback kind of
// network, which plugs in from tests/unit/test_network/), removed and ticked off mid-walk.
// A Nostr account's relays (in a quarter of the walks) refuse, stay silent, answer only requests
// by id (some for the whole walk), drop the connection, cannot be reached and come back, answer
// OK for another event, or take an event without a word; its key is replaced mid-walk; and hours
// pass with nobody at the computer.
//
// After each walk and a calm spell in which the services work, for each account and each text:
// it was taken no more often than it was confirmed for that account (and sent again by the
// person), and every confirmation not taken is in the person's hands (listed, and they were told)
// or was the person's own doing; nothing still waits; no post reached an account it was not
// confirmed for; each account took its lines in the order they were confirmed; the outbox file
// round-trips. Throughout the walk, an account whose next line has waited a day (and been next
// for as long) has had it told to the person within the patience every account gets.
//
// A failing walk prints its seed; QUILLET_MODEL_SEED=<seed> replays that walk alone (with
// QUILLET_MODEL_TRACE=1, event by event), and QUILLET_MODEL_WALKS=<n> runs more of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "common/utf8.h"
#include "delivery/outbox_file.h"
#include "settings/accounts.h"
#include "settings/password_scrambling.h"
#include "settings/setting_names.h"
#include "tests/unit/fake_program.h"
#include "tests/unit/model_relay.h"
#include "tests/unit/test_network/loopback_network.h"

namespace quillet::testing {
namespace {

using platform::HttpOutcome;
using platform::HttpReply;
using platform::SocketEnd;
using platform::fake::FakeFiles;
using platform::fake::FakeSocket;

// The answers people give again and again; two of them a server may show otherwise.
const char* const kAnswers[] = {"lunch", "coding", "meeting", "done :-)", "*really* done", "@bob@other.example hi"};

enum class Kind { kBuiltIn, kTwitterPlain, kMastodonSecure, kMastodonPlain, kBluesky, kJournalOnly, kNostr, kLoopback };

std::string FormDecoded(std::string_view form) {
  std::string out;
  for (std::size_t i = 0; i < form.size(); ++i) {
    if (form[i] == '+') {
      out += ' ';
    } else if (form[i] == '%' && i + 2 < form.size()) {
      out += static_cast<char>(std::stoi(std::string(form.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    } else {
      out += form[i];
    }
  }
  return out;
}
// A field of a form ("status=...") or of flat JSON ("text":"..."); nothing when absent.
std::optional<std::string> FormField(std::string_view body, std::string_view name) {
  std::size_t at = body.find(std::string(name) + "=");
  if (at == std::string_view::npos || (at > 0 && body[at - 1] != '&' && body[at - 1] != '\n')) return std::nullopt;
  std::string_view rest = body.substr(at + name.size() + 1);
  return FormDecoded(rest.substr(0, rest.find('&')));
}
std::optional<std::string> JsonField(std::string_view body, std::string_view name) {
  std::size_t at = body.find("\"" + std::string(name) + "\":\"");
  if (at == std::string_view::npos) return std::nullopt;
  at += name.size() + 4;
  return std::string(body.substr(at, body.find('"', at) - at));
}
std::string HeaderValue(std::string_view request, std::string_view name) {
  std::size_t at = request.find(std::string(name) + ": ");
  if (at == std::string_view::npos) return {};
  at += name.size() + 2;
  return std::string(request.substr(at, request.find("\r\n", at) - at));
}
std::string Stamp(std::int64_t ms, const char* format) {
  std::time_t seconds = static_cast<std::time_t>(ms / 1000);
  char text[64];
  std::strftime(text, sizeof text, format, std::gmtime(&seconds));
  return text;
}

const bool tracing = std::getenv("QUILLET_MODEL_TRACE") != nullptr;
void Trace(const std::string& what) {
  if (tracing) std::fprintf(stderr, "  %s\n", what.c_str());
}

// One service an account posts to, made when the account is; its host names it.
struct Service {
  int number = 0;
  Kind kind = Kind::kBuiltIn;
  bool showsMarkup = false;  // ":-)" as an emoji, "*x*" as emphasis, as snac2 shows them
  bool dropsRepeatedKeys = false;  // a repeat under the same Idempotency-Key is dropped, as Mastodon does
  struct Post {
    std::string text;  // as written to it
    std::int64_t atMs = 0;
    std::string key;   // the request's key, or the Bluesky record's
    bool ours = true;  // older posts with the same words are not the walk's
  };
  std::vector<Post> timeline;
  std::map<std::string, std::int64_t> keys;  // when each key was first taken
  std::vector<ModelRelay> relays;            // a Nostr account's; a post's key is its event's id
  std::vector<bool> readOnly;                // of each relay: until the calm spell
  int keyNumber = 0;                         // a Nostr account's key, changed now and then

  std::string Host() const { return kind == Kind::kBuiltIn ? "built.in" : "s" + std::to_string(number) + ".example"; }
  // The text as the service shows it.
  std::string Shown(const std::string& text) const {
    if (!showsMarkup) return text;
    if (text == "done :-)") return "done \xF0\x9F\x99\x82";
    if (text == "*really* done") return kind == Kind::kTwitterPlain ? "really done" : "<em>really</em> done";
    return text;
  }
};

// A record as a service knows it: a Bluesky post by its record key, any other line by its own key.
std::string Identity(const OutboxRecord& record) {
  return record.keys.record.empty() ? record.keys.idempotency : record.keys.record;
}

class Walk {
 public:
  explicit Walk(std::uint64_t seed) : seed_(seed), random_(seed) {}

  void Run(int events) {
    Boot();
    for (int event = 0; event < events && !::testing::Test::HasFatalFailure(); ++event) Step();
    Calm();
    Check();
  }
  int eventsRun = 0;

 private:
  // --- the program, started anew after every kill; its files and registry stay ---
  void Boot() {
    std::int64_t now = 1'796'000'000'000;
    if (p_) {
      if (tracing)
        for (const std::string& line : p_->log.lines)
          if (line.find("outbox") != std::string::npos) Trace("log: " + line);
      KilledWithAFullDisk();
      now = p_->clock.nowMs;
      registry_ = std::make_unique<platform::fake::FakeRegistry>();
      registry_->CopyFrom(p_->registry);
    }
    p_.reset();  // killed: nothing of the old run is carried over but its files and settings
    p_ = std::make_unique<FakeProgram>(Endpoint{"built.in", "built.in", 80}, &disk_);
    p_->clock.nowMs = now;
    p_->clock.offsetMinutes = 60;
    if (registry_) {
      p_->registry.CopyFrom(*registry_);
    } else {
      FirstAccounts();
    }
    if (tracing) Trace("boot with " + disk_.files["outbox.txt"] + (disk_.diskFull ? " (disk full)" : ""));
    p_->program.Start();
    lastJumpMs_ = serverMs_;
    relayWiresSeen_.clear();
    silent_.clear();
    arrivedAt_.clear();
    answered_ = 0;
  }

  void FirstAccounts() {
    Kind first = static_cast<Kind>(seed_ % 6);
    Configure("1", NewService(first));
    if (seed_ / 6 % 2 == 1) Configure("2", NewService(seed_ / 6 % 4 == 3 ? Kind::kNostr : Kind::kTwitterPlain));
  }
  int NewService(Kind kind) {
    Service service;
    service.number = static_cast<int>(services_.size()) + 1;
    service.kind = kind;
    service.showsMarkup = kind != Kind::kBuiltIn && Roll(2) == 0;
    service.dropsRepeatedKeys = Roll(2) == 0;
    for (const char* answer : kAnswers)  // yesterday's and the day before's
      for (int day = 1; day <= 2; ++day)
        service.timeline.push_back({.text = answer, .atMs = serverMs_ - day * 86'400'000LL, .ours = false});
    if (kind == Kind::kNostr)
      for (const char* name : {"a", "b"}) {
        service.relays.push_back({.url = "wss://" + service.Host() + "/" + name});
        service.readOnly.push_back(Roll(4) == 0);  // never takes an event in this walk
      }
    services_[service.number] = service;
    return service.number;
  }
  void Configure(const std::string& id, int service) {
    accounts_[id] = service;
    const Service& s = services_[service];
    std::string key = id == "1" ? kAppKey : kAppKey + "\\Accounts\\" + id;
    auto put = [&](const std::string& name, const std::string& value) {
      p_->registry.Put(key, name, platform::kRegSz, value);
    };
    put("Username", "alice");
    switch (s.kind) {
      case Kind::kBuiltIn:
        break;
      case Kind::kTwitterPlain:
        put("Server", "http://" + s.Host() + "/api/");
        break;
      case Kind::kMastodonSecure:
        put("Api", "mastodon");
        put("Server", "https://" + s.Host() + "/");
        break;
      case Kind::kMastodonPlain:
        put("Api", "mastodon");
        put("Server", "http://" + s.Host() + "/");
        break;
      case Kind::kBluesky:
        put("Api", "bluesky");
        put("Server", "https://" + s.Host() + "/");
        if (id == "1") {
          put("Password", utf8::FromUtf16(password_scrambling::Scramble(u"app-password")));
        } else {
          p_->registry.Put(key, "Password", platform::kRegBinary, p_->secrets.Protect("app-password"));
        }
        break;
      case Kind::kJournalOnly:
        put("Api", "journal");
        break;
      case Kind::kLoopback:
        put("Api", utf8::FromUtf16(kLoopbackApi));
        put("Server", "https://" + s.Host() + "/");
        break;
      case Kind::kNostr:
        put("Api", "nostr");
        put("Relays", s.relays[0].url + "\r\n" + s.relays[1].url);
        StoreNostrKey(id, s);
        break;
    }
  }
  void StoreNostrKey(const std::string& id, const Service& s) {
    nostr::SecretKey secret;
    secret.bytes[31] = static_cast<std::uint8_t>(s.number);
    secret.bytes[30] = static_cast<std::uint8_t>(s.keyNumber);
    std::string key = id == "1" ? kAppKey : kAppKey + "\\Accounts\\" + id;
    p_->registry.Put(key, "NostrKey", platform::kRegBinary, p_->secrets.Protect(nostr::Nsec(secret)));
  }

  // Lines that could not be written to a full disk live only in the running program: killed, they
  // are gone. The person was told that the outbox could not be saved.
  void KilledWithAFullDisk() {
    std::set<std::string> inFile;
    for (const OutboxRecord& record : ParseOutbox(disk_.files["outbox.txt"]).records) inFile.insert(Identity(record));
    bool told = false;
    for (const auto& [record, balloon] : p_->shell.balloons)
      told = told || std::string(balloon.title) == "Quillet cannot save its outbox";
    for (const OutboxRecord& record : p_->program.outbox().Records()) {
      if (inFile.contains(Identity(record))) continue;
      EXPECT_TRUE(told) << utf8::FromUtf16(record.line) << " was lost to a full disk without a word";
      if (auto line = LineOf(record)) ++lostToFullDisk_[*line];
    }
  }

  int Roll(int sides) { return static_cast<int>(random_() % static_cast<std::uint64_t>(sides)); }

  void Step() {
    ++eventsRun;
    if (fullFor_ > 0 && --fullFor_ == 0) disk_.diskFull = false;
    int event = Roll(24);
    Trace("event " + std::to_string(event) + " at " + std::to_string(p_->clock.MonotonicMs()));
    switch (event) {
      case 0: case 1: case 2: Confirm(); break;
      case 3: case 4: case 5: case 6: case 7: Serve(false); break;
      case 8: case 9: Pass(1 + Roll(40)); break;
      case 10: Pass(60 * (1 + Roll(20))); break;
      case 11: Boot(); break;  // killed wherever it was, and started again
      case 12:  // set while Quillet runs and can note it down (set while it does not, nobody can tell)
        if (disk_.diskFull) break;
        p_->clock.JumpWall((Roll(2) ? 1 : -1) * 3'600'000LL * (1 + Roll(3)));
        lastJumpMs_ = serverMs_;  // the check of patience starts again
        Pass(1);
        break;
      case 13: disk_.diskFull = true, fullFor_ = 1 + Roll(6); break;  // for a few events
      case 14: if (!disk_.locked.erase("journal.csv")) disk_.locked.insert("journal.csv"); break;
      case 15: ClickBalloon(); break;
      case 16: AnswerRecall(); break;
      case 17: UseLinesWaitingWindow(); break;
      case 18: ChangeAccounts(); break;
      case 19: LongPass(); break;
      default: Pass(1); break;
    }
    if (p_) CheckPatience();
    if (p_)
      for (const OutboxRecord& record : p_->program.outbox().Records())
        if (record.state == OutboxState::kRefused || record.state == OutboxState::kUncertain) setAside_.insert(Identity(record));
  }

  // --- the person ---
  void Confirm() {
    if (p_->program.updateWindow().RecalledLine()) return;  // the box holds a kept line
    std::string text = kAnswers[Roll(static_cast<int>(std::size(kAnswers)))];
    // A journal-only account's line is in the journal at once, not in the outbox: counted here.
    std::vector<std::string> ticked = Accounts(p_->program.settings()).Ticked();
    if (ticked.empty()) ticked.emplace_back("1");
    for (const std::string& id : ticked)
      if (accounts_.contains(id) && services_[accounts_[id]].kind == Kind::kJournalOnly) ++confirmed_[{accounts_[id], text}];
    p_->program.updateWindow().PopUp();
    p_->statusBox.Type(utf8::ToUtf16(text));
    Pass(1);  // a deliberate Enter, not one meant for another window
    p_->statusBox.TypeChar(u'\r');
    Learn();
    Trace("confirmed " + text);
  }
  // The records made since: each is a confirmation of its text for its account's service, in
  // this order.
  void Learn() {
    for (const OutboxRecord& record : p_->program.outbox().Records()) {
      if (lineOf_.contains(Identity(record))) continue;
      auto account = accounts_.find(record.destination);
      if (account == accounts_.end() || services_[account->second].kind == Kind::kJournalOnly) continue;
      Line line{account->second, utf8::FromUtf16(record.line)};
      lineOf_[Identity(record)] = line;
      Trace("learnt " + Identity(record) + " for " + services_[line.first].Host() + ": " + line.second);
      order_[Identity(record)] = ++confirmations_;
      ++confirmed_[line];
    }
  }
  using Line = std::pair<int, std::string>;  // a service's number, a text
  std::optional<Line> LineOf(const OutboxRecord& record) {
    if (auto found = lineOf_.find(Identity(record)); found != lineOf_.end()) return found->second;
    // A journal-only account's line, kept waiting while the journal cannot be written.
    if (auto account = accounts_.find(record.destination); account != accounts_.end())
      return Line{account->second, utf8::FromUtf16(record.line)};
    return std::nullopt;
  }

  void ClickBalloon() {
    if (p_->shell.balloons.size() == balloonsSeen_ || !p_->trayForm) return;
    balloonsSeen_ = p_->shell.balloons.size();
    p_->trayForm->IconMessage(platform::kNinBalloonUserClick);
    // The line comes up in the update window, out of its turn: the others may go before it.
    if (auto recalled = p_->program.updateWindow().RecalledLine())
      if (const OutboxRecord* record = p_->program.outbox().Find(*recalled)) {
        touched_.insert(Identity(*record));
        if (auto line = LineOf(*record)) recalledLines_[*recalled] = *line;
      }
  }

  // The person ends a recall: sends it as it is or edited, or puts it away.
  void AnswerRecall() {
    auto recalled = p_->program.updateWindow().RecalledLine();
    if (!recalled) return;
    // The record is read before time passes: passing it may deliver the line and free the record.
    const OutboxRecord* record = p_->program.outbox().Find(*recalled);
    std::optional<Line> line = record ? LineOf(*record) : std::nullopt;
    if (auto known = recalledLines_.find(*recalled); !line && known != recalledLines_.end()) line = known->second;  // delivered meanwhile
    std::string identity = record ? Identity(*record) : std::string();
    if (record) touched_.insert(identity);
    Pass(1);
    int answer = Roll(3);
    Trace("recalled line " + std::to_string(*recalled) + (record ? " (" + identity + ")" : " (gone)") + ": answer " + std::to_string(answer));
    switch (answer) {
      case 0:
        if (line) ++resent_[*line];
        p_->statusBox.TypeChar(u'\r');
        break;
      case 1: {  // edited: a new line for the one account the kept line was for, which goes first
        std::string edit = kAnswers[Roll(static_cast<int>(std::size(kAnswers)))];
        if (line) ++(edit == line->second ? resent_ : released_)[*line];  // edited to the same words: sent again
        if (line && edit != line->second && services_[line->first].kind == Kind::kJournalOnly)
          ++confirmed_[{line->first, edit}];  // not learnt from the outbox, where it may not stay
        p_->statusBox.SetText(utf8::ToUtf16(edit));
        p_->statusBox.TypeChar(u'\r');
        const OutboxRecord* edited = p_->program.outbox().Find(*recalled);
        if (!edited && !p_->program.outbox().Records().empty()) edited = &p_->program.outbox().Records().back();
        if (edited) touched_.insert(Identity(*edited));
        break;
      }
      default:
        if (line) ++released_[*line];
        p_->statusBox.TypeChar(27);
        break;
    }
    Learn();
  }

  void UseLinesWaitingWindow() {
    if (!p_->menu || p_->program.outbox().Records().empty()) return;
    int action = Roll(4);
    p_->whileLinesWaiting = [&](FakeLinesWaitingView& view) {
      EXPECT_EQ(view.rows.size(), p_->program.outbox().Records().size()) << "every kept line is listed";
      if (view.rows.empty()) return;
      int row = Roll(static_cast<int>(view.rows.size()));
      view.SelectRow(row);
      const OutboxRecord& record = p_->program.outbox().Records()[static_cast<std::size_t>(row)];
      std::optional<Line> line = LineOf(record);
      if (action < 3) touched_.insert(Identity(record));
      Trace("lines waiting: action " + std::to_string(action) + " on " + std::to_string(record.id));
      switch (action) {
        case 0:
          if (line) ++resent_[*line];
          view.sendAgain.Click();
          break;
        case 1:
          if (line) ++released_[*line];
          // Removed while it is in the update window too, an edit sent from there is a new line for the first account.
          if (auto recalled = recalledLines_.find(record.id); recalled != recalledLines_.end() && accounts_.contains("1"))
            recalled->second.first = accounts_["1"];
          view.remove.Click();
          break;
        case 2:
          if (line) recalledLines_[record.id] = *line;
          view.edit.Click();  // the update window comes up with it, once this window has closed
          break;
        default:
          view.copy.Click();
          EXPECT_EQ(view.clipboard, record.line);
          break;
      }
    };
    p_->menu->Choose(u"Lines &waiting...");
    p_->whileLinesWaiting = nullptr;
  }

  // Accounts added (now and then a Bluesky one), removed, ticked off and on, as Options does.
  void ChangeAccounts() {
    Accounts accounts(p_->program.settings());
    std::vector<std::string> ids = accounts.Ids();
    switch (Roll(3)) {
      case 0:
        if (ids.size() < 4) {
          std::string id = accounts.Add();
          Configure(id, NewService(Roll(4) == 0 ? Kind::kLoopback
                                   : Roll(2)    ? Kind::kBluesky
                                                : static_cast<Kind>(1 + Roll(3))));
          Trace("account " + id + " added: " + services_[accounts_[id]].Host());
        }
        break;
      case 1:
        if (ids.size() > 1) {
          std::string id = ids[1 + static_cast<std::size_t>(Roll(static_cast<int>(ids.size()) - 1))];
          accounts.Remove(id);
          accounts_.erase(id);
          Trace("account " + id + " removed");
        }
        break;
      default: {
        std::string id = ids[static_cast<std::size_t>(Roll(static_cast<int>(ids.size())))];
        if (accounts_.contains(id) && services_[accounts_[id]].kind == Kind::kNostr && Roll(2)) {
          ++services_[accounts_[id]].keyNumber;  // a new key, stored from the account dialog
          StoreNostrKey(id, services_[accounts_[id]]);
          Trace("account " + id + " has a new key");
          break;
        }
        auto store = accounts.Store(id);
        store->SaveFlag(kPostHere, !store->Flag(kPostHere));
        break;
      }
    }
  }

  // --- time ---
  // Time passes; a long while in bigger steps (the timer is late, as a busy machine's is).
  void Pass(int seconds) {
    int step = seconds > 7200 ? 120 : seconds > 600 ? 30 : seconds > 60 ? 10 : 1;
    for (int i = 0; i < seconds && p_; i += step) {
      p_->clock.nowMs += 1000 * step;
      serverMs_ += 1000 * step;
      TakeLateLines();
      p_->deliveryTimer.Tick();
      if (p_) ServeRelays(calm_);  // relays answer whenever they are asked
    }
  }

  // Hours with nobody at the computer, long enough for a line to wait a day: where a Nostr
  // account is, whose relays may never say what they took. (Elsewhere such spells are left out
  // for now: they let a line be taken for found by a post of another with the same words made in
  // the second it left, which is still to be looked into.)
  void LongPass() {
    bool nostr = std::any_of(accounts_.begin(), accounts_.end(),
                             [&](const auto& account) { return services_[account.second].kind == Kind::kNostr; });
    Pass(nostr ? 3600 * (1 + Roll(12)) : 1);
  }

  // --- the services ---
  Service* ServiceAt(std::string_view host) {
    for (auto& [number, service] : services_)
      if (host.starts_with(service.Host())) return &service;
    return nullptr;
  }
  void Take(Service& service, const std::string& text, const std::string& key) {
    if (service.kind == Kind::kBluesky || service.kind == Kind::kLoopback) {  // the same key writes the same post again
      for (Service::Post& post : service.timeline)
        if (post.ours && post.key == key) return;
    } else if (service.kind == Kind::kMastodonSecure || service.kind == Kind::kMastodonPlain) {
      if (!key.empty() && service.dropsRepeatedKeys && service.keys.contains(key)) return;  // a repeat
      if (!key.empty()) service.keys.emplace(key, serverMs_);
    }
    Trace(service.Host() + " takes " + text + " key " + key);
    if (tracing && p_)
      for (const OutboxRecord& r : p_->program.outbox().Records())
        if (utf8::FromUtf16(r.line) == text) Trace("   record " + std::to_string(r.id) + " for " + r.destination + " key " + Identity(r) + " state " + static_cast<char>(r.state));
    service.timeline.push_back({.text = text, .atMs = serverMs_, .key = key});
  }
  // Taken late, after the request's answer was given up on (within a minute and a half).
  void TakeLate(Service& service, const std::string& text, const std::string& key) {
    late_.push_back({service.number, text, key, serverMs_ + 1000LL * (40 + Roll(50))});
  }
  void TakeLateLines() {
    for (auto late = late_.begin(); late != late_.end();) {
      if (late->atMs > serverMs_) {
        ++late;
        continue;
      }
      Take(services_[late->service], late->text, late->key);
      late = late_.erase(late);
    }
  }

  // The reply to a GET: who is signed in, the latest posts (dated by the service's clock), or a
  // Bluesky record.
  std::string ReadReply(Service& service, const std::string& path, int& status) {
    status = 200;
    if (path.find("verify_credentials") != std::string::npos) return "{\"id\":\"1\",\"username\":\"alice\"}";
    if (service.kind == Kind::kLoopback) {
      std::string key = path.substr(path.find("/lines/") + 7);
      for (const Service::Post& post : service.timeline)
        if (post.ours && post.key == key) return {};
      status = 404;
      return {};
    }
    if (path.find("getRecord") != std::string::npos) {
      std::string key = path.substr(path.find("rkey=") + 5);
      for (const Service::Post& post : service.timeline)
        if (post.ours && post.key == key) return "{\"uri\":\"at://x\",\"value\":{}}";
      status = 400;
      return "{\"error\":\"RecordNotFound\"}";
    }
    std::string body;
    int shown = 0;
    bool xml = service.kind == Kind::kTwitterPlain;
    body = xml ? "<?xml version=\"1.0\"?><statuses type=\"array\">" : "[";
    for (auto post = service.timeline.rbegin(); post != service.timeline.rend() && shown < 40; ++post, ++shown) {
      std::string text = service.Shown(post->text);
      if (xml) {
        body += "<status><text>" + text + "</text><created_at>" +
                Stamp(post->atMs, "%a %b %d %H:%M:%S +0000 %Y") + "</created_at></status>";
      } else {
        body += std::string(body.size() > 1 ? "," : "") + "{\"id\":\"9\",\"content\":\"<p>" + text +
                "</p>\",\"created_at\":\"" + Stamp(post->atMs, "%Y-%m-%dT%H:%M:%S.000Z") + "\"}";
      }
    }
    return body + (xml ? "</statuses>" : "]");
  }

  // Answers what is under way, at random, or (`calm`) as a working service does.
  void Serve(bool calm) {
    ServeRelays(calm);
    if (!p_) return;
    for (std::size_t i = 0; i < p_->sockets.size() && p_; ++i) {
      FakeSocket& socket = *p_->sockets[i];
      if (socket.state != FakeSocket::State::Connecting) continue;
      int roll = calm ? 0 : Roll(6);
      if (roll == 5) {
        socket.RaiseClose(SocketEnd::kNotConnected);
      } else if (roll < 4) {
        std::size_t before = socket.sent.size();
        socket.RaiseConnect();
        if (socket.sent.size() > before && ServeSocket(socket, socket.sent.back(), calm)) return;  // killed
      }  // else nobody answers the connection
    }
    ServeHttp(calm);
  }

  // Answers a request over the socket; true when Quillet was killed meanwhile.
  bool ServeSocket(FakeSocket& socket, const std::string& request, bool calm) {
    Service* service = ServiceAt(socket.lastHost);
    if (!service) return false;
    Trace("socket " + service->Host() + ": " + request.substr(0, request.find('\r')));
    if (!request.starts_with("POST")) {  // reading back
      if (!calm && Roll(5) == 0) {
        socket.RaiseClose(SocketEnd::kReset);
        return false;
      }
      int status = 0;
      std::string body = ReadReply(*service, request.substr(request.find(' ') + 1), status);
      socket.RaiseData("HTTP/1.0 " + std::to_string(status) + " X\r\nDate: " +
                       Stamp(serverMs_, "%a, %d %b %Y %H:%M:%S GMT") + "\r\n\r\n" + body);
      if (socket.state != FakeSocket::State::Closed) socket.PeerCloses();
      return false;
    }
    std::string body = request.substr(request.find("\r\n\r\n") + 4);
    std::string text = FormField(body, "status").value_or("");
    std::string key = HeaderValue(request, "Idempotency-Key");
    switch (calm ? 0 : Roll(11)) {
      case 0: case 1: case 2:
        Take(*service, text, key);
        socket.RaiseData("HTTP/1.0 200 OK\r\n\r\n");
        break;
      case 3:
        socket.RaiseData(Roll(2) ? "HTTP/1.0 503 Busy\r\nRetry-After: 120\r\n\r\n" : "HTTP/1.0 429 Slow\r\n\r\n");
        break;
      case 4:
        socket.RaiseData(Roll(2) ? "HTTP/1.0 401 No\r\n\r\n" : "HTTP/1.0 422 No\r\n\r\n");
        break;
      case 5:
        socket.allSent = false;  // reset before the request had left
        socket.RaiseClose(SocketEnd::kReset);
        socket.allSent = true;
        break;
      case 6:
        if (Roll(2)) Take(*service, text, key);
        socket.RaiseClose(Roll(2) ? SocketEnd::kReset : SocketEnd::kClosed);  // after the request left
        break;
      case 7:
        if (Roll(2)) TakeLate(*service, text, key);  // no answer: taken later, or never
        break;
      case 8:
        Take(*service, text, key);  // taken, and the proxy in front answers 502 or 504
        socket.RaiseData(Roll(2) ? "HTTP/1.0 502 Bad Gateway\r\n\r\n" : "HTTP/1.0 504 Timeout\r\n\r\n");
        break;
      case 9:
        Take(*service, text, key);
        Boot();  // taken, and Quillet killed before the answer arrived
        return true;
      default:
        Boot();  // killed after the request left, before the service took it
        return true;
    }
    return false;
  }

  void ServeHttp(bool calm) {
    // The requests made since the last look arrived now; an abandoned one is still answered (the
    // answer is dropped), but one that waited longer than the service keeps anything is not.
    while (answered_ < p_->http.requests.size()) arrivedAt_[answered_++] = serverMs_;
    std::vector<platform::fake::FakeHttpClient::Pending> pending = std::move(p_->http.pending);
    p_->http.pending.clear();
    for (auto& request : pending) {
      if (!p_) return;
      if (silent_.contains(request.number) || serverMs_ - arrivedAt_[request.number] > 90'000) continue;
      HttpReply reply = SecureReply(request.request, calm);
      if (reply.status == -2) return;  // Quillet was killed
      if (reply.status == -1) {        // no answer
        silent_.insert(request.number);
        continue;
      }
      request.done(reply);
    }
  }

  HttpReply SecureReply(const platform::HttpRequest& request, bool calm) {
    Service* service = ServiceAt(request.host);
    HttpReply ok{.outcome = HttpOutcome::kReplied, .status = 200, .requestSent = true,
                 .date = Stamp(serverMs_, "%a, %d %b %Y %H:%M:%S GMT")};
    if (!service) return {.outcome = HttpOutcome::kUnreachable};
    if (request.path.find("instance") != std::string::npos || request.path.find("config") != std::string::npos)
      return {.outcome = HttpOutcome::kReplied, .status = 404, .requestSent = true};
    if (request.path.find("createSession") != std::string::npos || request.path.find("refreshSession") != std::string::npos) {
      ok.body = R"({"did":"did:plc:walk","handle":"alice","accessJwt":"a","refreshJwt":"r"})";
      return ok;
    }
    int roll = calm ? 0 : Roll(12);
    if (request.method == "GET") {
      if (roll >= 10) return {.outcome = HttpOutcome::kReplied, .status = 503, .requestSent = true};
      ok.body = ReadReply(*service, request.path, ok.status);
      return ok;
    }
    bool bluesky = service->kind == Kind::kBluesky;
    std::string text = bluesky ? JsonField(request.body, "text").value_or("") : FormField(request.body, "status").value_or("");
    std::string key = bluesky ? JsonField(request.body, "rkey").value_or("") : "";
    for (const auto& [name, value] : request.headers)
      if (name == "Idempotency-Key") key = value;
    if (service->kind == Kind::kLoopback) {
      text = request.body;
      key = request.path.substr(request.path.find("/lines/") + 7);
    }
    switch (roll) {
      case 0: case 1: case 2:
        Take(*service, text, key);
        return ok;
      case 3:
        return {.outcome = HttpOutcome::kReplied, .status = Roll(2) ? 429 : 503, .requestSent = true};
      case 4:
        return {.outcome = HttpOutcome::kReplied, .status = Roll(2) ? 401 : 422, .requestSent = true};
      case 5:
        return {.outcome = HttpOutcome::kReplied, .status = 301, .location = "https://elsewhere/", .requestSent = true};
      case 6:
        if (Roll(2)) Take(*service, text, key);
        return {.outcome = HttpOutcome::kTimedOut, .requestSent = true};
      case 7:
        return {.outcome = HttpOutcome::kUnreachable, .requestSent = false};
      case 8:
        if (Roll(2)) TakeLate(*service, text, key);  // no answer: taken later, or never
        return {.status = -1};
      case 9:
        Take(*service, text, key);
        return {.outcome = HttpOutcome::kReplied, .status = 500 + 2 * Roll(3), .requestSent = true};
      case 10:
        Take(*service, text, key);  // taken, and Quillet killed before the answer was kept
        Boot();
        return {.status = -2};
      default:
        if (Roll(2)) Take(*service, text, key);
        return {.outcome = HttpOutcome::kUnreachable, .requestSent = true};  // reset after it left
    }
  }

  // Each relay answers what its connections sent: a working relay takes every event; otherwise
  // it may refuse, say nothing, answer only requests, drop the connection or not take it at all
  // (and come back later), answer for another event, or take one without a word, or wait.
  void ServeRelays(bool calm) {
    auto& wires = p_->webSockets.wires;
    for (std::size_t i = 0; i < wires.size(); ++i) {
      std::shared_ptr<platform::fake::FakeWebSocketWire> wire = wires[i];
      if (!wire->opening && !(wire->open && relayWiresSeen_[wire.get()] < wire->sent.size())) continue;
      for (auto& [number, service] : services_)
        for (std::size_t r = 0; r < service.relays.size(); ++r) {
          ModelRelay& relay = service.relays[r];
          if (relay.url != wire->url) continue;
          int roll = calm ? 0 : service.readOnly[r] ? 5 : Roll(12);
          if (roll == 11) continue;  // not now
          static constexpr ModelRelay::Answer kAnswersAtRandom[] = {
              ModelRelay::Answer::kTakes, ModelRelay::Answer::kTakesSilently, ModelRelay::Answer::kSilent,
              ModelRelay::Answer::kBlocks, ModelRelay::Answer::kRateLimits, ModelRelay::Answer::kOtherId,
              ModelRelay::Answer::kDrops, ModelRelay::Answer::kUnreachable};
          relay.answer = roll < 3 ? ModelRelay::Answer::kTakes : kAnswersAtRandom[roll - 3];
          std::optional<nostr::Event> taken = relay.Serve(*wire, relayWiresSeen_[wire.get()]);
          bool known = taken && std::any_of(service.timeline.begin(), service.timeline.end(),
                                            [&](const Service::Post& post) { return post.key == taken->id; });
          if (taken && !known) Take(service, taken->content, taken->id);
        }
    }
  }

  bool UnderWay() {
    for (const auto& wire : p_->webSockets.wires)
      if (wire->opening || (wire->open && relayWiresSeen_[wire.get()] < wire->sent.size())) return true;
    for (FakeSocket* socket : p_->sockets)
      if (socket->state == FakeSocket::State::Connecting) return true;
    for (const auto& request : p_->http.pending)
      if (!silent_.contains(request.number)) return true;
    return false;
  }

  // The services work, the disk too, and time passes: whatever can go goes.
  void Calm() {
    calm_ = true;
    disk_.diskFull = false;
    disk_.locked.clear();
    if (p_->program.updateWindow().RecalledLine()) {  // the person leaves the box as it is
      p_->program.updateWindow().PopUp();
      p_->window.Hide();
    }
    for (int round = 0; round < 400; ++round) {
      if (UnderWay()) {
        Serve(true);
        continue;
      }
      bool waiting = std::any_of(p_->program.outbox().Records().begin(), p_->program.outbox().Records().end(),
                                 [](const OutboxRecord& r) { return r.state != OutboxState::kRefused && r.state != OutboxState::kUncertain; });
      if (!waiting && late_.empty() && round > 2) break;
      Pass(30);  // nothing under way: time moves on in bigger steps
    }
  }

  // The person hears of an account's trouble within the same patience, whatever the service: the
  // line that goes next (and has for as long), unsent for 24 hours, is told about at its next
  // failure, an hour and a quarter at most later (or one before it, now in the update window, was). A wall clock set meanwhile moves the moment, and a kill may lose the note that the
  // person was told (to a full disk): for a while after either, it is left aside.
  void CheckPatience() {
    if (serverMs_ - lastJumpMs_ < 2 * 3'600'000LL) return;
    constexpr std::int64_t kPatienceMs = Outbox::kReportAfterMs + 75 * 60'000LL;
    std::map<std::string, bool> late, told;  // by account: the line that goes next; any line still waiting
    for (const OutboxRecord& record : p_->program.outbox().Records()) {
      if (record.state == OutboxState::kRefused || record.state == OutboxState::kUncertain) continue;
      told[record.destination] = told[record.destination] || record.reported;
      if (record.held || late.contains(record.destination)) continue;
      auto& [first, since] = nextSince_[record.destination];  // a line behind others waits its turn
      if (first != Identity(record)) first = Identity(record), since = serverMs_;
      late[record.destination] = p_->clock.nowMs - record.confirmedMs > kPatienceMs && serverMs_ - since > kPatienceMs;
    }
    for (const auto& [account, isLate] : late)
      EXPECT_TRUE(!isLate || told[account]) << "account " << account << " has had a line unsent for over a day, untold at " << serverMs_ << ":\n"
                                 << FormatOutbox(p_->program.outbox().Records());
  }

  // --- the promise ---
  void Check() {
    if (tracing)
      for (const std::string& line : p_->log.lines) Trace("log: " + line);
    if (tracing) Trace("journal: " + disk_.files["journal.csv"] + "\noutbox: " + FormatOutbox(p_->program.outbox().Records()));
    SCOPED_TRACE("seed " + std::to_string(seed_) + " (QUILLET_MODEL_SEED=" + std::to_string(seed_) + ")");
    std::map<Line, int> taken, inHands;
    std::map<int, std::vector<std::string>> keysTaken;
    for (const auto& [number, service] : services_)
      for (const Service::Post& post : service.timeline) {
        if (!post.ours) continue;
        ++taken[{number, post.text}];
        keysTaken[number].push_back(post.key);
      }
    if (services_[1].kind == Kind::kJournalOnly) {  // the first service, when it is the journal
      std::string journal = disk_.files.contains("journal.csv") ? disk_.files["journal.csv"] : "";
      for (const char* answer : kAnswers) {
        std::string field = answer[0] == '@' ? "\"'" + std::string(answer) + "\"" : answer;  // kept as text
        const std::string row = field + ",kept in the journal only";
        for (std::size_t at = journal.find(row); at != std::string::npos; at = journal.find(row, at + 1))
          ++taken[{1, answer}];
      }
    }
    for (const OutboxRecord& record : p_->program.outbox().Records()) {
      std::string line = utf8::FromUtf16(record.line);
      bool hands = record.state == OutboxState::kRefused || record.state == OutboxState::kUncertain;
      EXPECT_TRUE(hands) << line << " still waits after the calm spell: " << static_cast<char>(record.state);
      EXPECT_TRUE(!hands || record.reported) << line << " is in the person's hands and they were told";
      if (auto found = LineOf(record)) ++inHands[*found];
    }
    for (const auto& [line, times] : taken) {
      SCOPED_TRACE(services_[line.first].Host() + ": " + line.second);
      int confirmed = confirmed_[line];
      EXPECT_GT(confirmed, 0) << "taken by an account it was never confirmed for";
      EXPECT_LE(times, confirmed + resent_[line]) << "taken more often than it was confirmed";
    }
    for (const auto& [line, confirmed] : confirmed_) {
      SCOPED_TRACE(services_[line.first].Host() + ": " + line.second);
      EXPECT_GE(taken[line] + inHands[line] + released_[line] + lostToFullDisk_[line], confirmed)
          << "a confirmation neither taken nor in the person's hands";
    }
    // Each account took its lines in the order they were confirmed (but those the person sent
    // again or edited, which go first, and those set aside for the person, which a start sends
    // again when they were refused).
    for (const auto& [number, keys] : keysTaken) {
      int last = 0;
      for (const std::string& key : keys) {
        if (!order_.contains(key) || touched_.contains(key) || setAside_.contains(key)) continue;
        EXPECT_GT(order_[key], last) << services_[number].Host() << " took a line before one confirmed earlier";
        last = std::max(last, order_[key]);
      }
    }
    const std::string& file = disk_.files["outbox.txt"];
    ParsedOutbox parsed = ParseOutbox(file);
    EXPECT_FALSE(parsed.damaged);
    EXPECT_EQ(FormatOutbox(parsed.records), file) << "the file round-trips";
    EXPECT_EQ(parsed.records.size(), p_->program.outbox().Records().size());
    std::size_t listed = 0;
    p_->whileLinesWaiting = [&](FakeLinesWaitingView& view) { listed = view.rows.size(); };
    if (!p_->program.outbox().Records().empty()) p_->menu->Choose(u"Lines &waiting...");
    EXPECT_EQ(listed, p_->program.outbox().Records().size()) << "every line in the person's hands is listed";
  }

  struct Late {
    int service;
    std::string text, key;
    std::int64_t atMs;
  };
  std::uint64_t seed_;
  std::mt19937_64 random_;
  LoopbackListed loopbackListed_;  // the tests' own kind of network, among the accounts added
  FakeFiles disk_;
  std::unique_ptr<FakeProgram> p_;
  std::unique_ptr<platform::fake::FakeRegistry> registry_;  // as the last run left it
  bool calm_ = false;  // the calm spell: every service works
  int fullFor_ = 0;                                         // events until the full disk has room again
  std::size_t balloonsSeen_ = 0;
  std::int64_t serverMs_ = 1'796'000'000'000;  // the services' clock, which setting Quillet's moves not
  std::map<std::string, std::pair<std::string, std::int64_t>> nextSince_;  // by account: its next line, and since when
  std::int64_t lastJumpMs_ = 0;                // on the services' clock: Quillet's clock last set, or started
  std::map<int, Service> services_;            // by number
  std::map<std::string, int> accounts_;        // an account's id: its service's number
  std::vector<Late> late_;
  std::size_t answered_ = 0;                   // of the HTTP client's requests, those seen arriving
  std::map<std::size_t, std::int64_t> arrivedAt_;
  std::set<std::size_t> silent_;               // requests the services never answer
  std::map<const platform::fake::FakeWebSocketWire*, std::size_t> relayWiresSeen_;  // of each connection's texts
  std::map<std::string, Line> lineOf_;         // by a record's key: the confirmation it is
  std::map<std::string, int> order_;           // by a record's key: when it was confirmed
  int confirmations_ = 0;
  std::map<LineId, Line> recalledLines_;       // what each line taken into the update window was
  std::set<std::string> touched_;              // keys of records the person sent again or edited
  std::set<std::string> setAside_;             // keys of records that were in the person's hands
  std::map<Line, int> confirmed_, resent_, released_, lostToFullDisk_;
};

TEST(DeliveryModel, EveryConfirmedLineIsDeliveredOnceOrInThePersonsHands) {
  std::uint64_t first = 1, walks = 3000;
  if (const char* seed = std::getenv("QUILLET_MODEL_SEED")) {
    first = std::strtoull(seed, nullptr, 10);
    walks = 1;
  }
  if (const char* count = std::getenv("QUILLET_MODEL_WALKS")) walks = std::strtoull(count, nullptr, 10);
  long long events = 0;
  for (std::uint64_t seed = first; seed < first + walks && !HasFailure(); ++seed) {
    Walk walk(seed);
    walk.Run(120);
    events += walk.eventsRun;
    if (HasFailure()) std::printf("delivery model: walk with seed %llu failed\n", static_cast<unsigned long long>(seed));
  }
  std::printf("delivery model: %llu walks, %lld events\n", static_cast<unsigned long long>(walks), events);
}

}  // namespace
}  // namespace quillet::testing
