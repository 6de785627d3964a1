// A model check of delivery: seeded random walks over everything that can happen to confirmed
// lines (each kind of reply, no reply, resets, Quillet killed at any point and started again, the
// wall clock set either way, a full disk, a locked journal, the person recalling, editing, sending
// again and removing lines), on the fake platform, against a model service that records every
// post it accepts. After each walk, and a calm spell in which the service works, every confirmed
// line was accepted exactly once by each account it was for, or is in the person's hands and
// listed in the lines-waiting window (every other walk posts to two accounts: the second a
// Twitter-compatible server of its own); none was accepted twice unless the person sent it again; the outbox file round-trips.
//
// A failing walk prints its seed; QUILLET_MODEL_SEED=<seed> replays that walk alone, and
// QUILLET_MODEL_WALKS=<n> runs more of them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "common/utf8.h"
#include "delivery/outbox_file.h"
#include "tests/unit/fake_program.h"

namespace quillet::testing {
namespace {

using platform::HttpOutcome;
using platform::HttpReply;
using platform::SocketEnd;
using platform::fake::FakeFiles;
using platform::fake::FakeSocket;

// Where the walk's lines go.
enum class Service { kBuiltIn, kTwitterPlain, kMastodonSecure, kMastodonPlain, kJournalOnly };

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

// The status a POST carries, or nothing for another request.
std::optional<std::string> PostedStatus(std::string_view bodyOrRequest) {
  std::size_t at = bodyOrRequest.find("status=");
  if (at == std::string_view::npos) return std::nullopt;
  std::string_view rest = bodyOrRequest.substr(at + 7);
  return FormDecoded(rest.substr(0, rest.find('&')));
}

std::string HeaderValue(std::string_view request, std::string_view name) {
  std::size_t at = request.find(std::string(name) + ": ");
  if (at == std::string_view::npos) return {};
  at += name.size() + 2;
  return std::string(request.substr(at, request.find("\r\n", at) - at));
}

// QUILLET_MODEL_TRACE=1 prints what a walk does, to follow a failing seed.
const bool tracing = std::getenv("QUILLET_MODEL_TRACE") != nullptr;
void Trace(const std::string& what) {
  if (tracing) std::fprintf(stderr, "  %s\n", what.c_str());
}

class Walk {
 public:
  Walk(std::uint64_t seed)
      : seed_(seed), random_(seed), service_(static_cast<Service>(seed % 5)), twoAccounts_(seed / 5 % 2 == 1) {}

  void Run(int events) {
    Boot();
    for (int event = 0; event < events && !::testing::Test::HasFatalFailure(); ++event) Step();
    Calm();
    Check();
  }

  int eventsRun = 0;

 private:
  // --- the program, started anew after every kill ---
  void Boot() {
    if (p_) KilledWithAFullDisk();
    if (tracing) Trace("boot with " + disk_.files["outbox.txt"] + (disk_.diskFull ? " (disk full)" : ""));
    std::int64_t now = p_ ? p_->clock.nowMs : 1'796'000'000'000;
    p_.reset();  // killed: nothing of the old run is carried over but its files
    p_ = std::make_unique<FakeProgram>(Endpoint{"built.in", "built.in", 80}, &disk_);
    p_->clock.nowMs = now;
    p_->clock.offsetMinutes = 60;
    Store("Username", "alice");
    Store("Password", "");
    switch (service_) {
      case Service::kBuiltIn:
        break;
      case Service::kTwitterPlain:
        Store("Server", "http://social.example/api/");
        break;
      case Service::kMastodonSecure:
        Store("Api", "mastodon");
        Store("Server", "https://m.example/");
        break;
      case Service::kMastodonPlain:
        Store("Api", "mastodon");
        Store("Server", "http://m.example/");
        break;
      case Service::kJournalOnly:
        Store("Api", "journal");
        break;
    }
    if (twoAccounts_) {
      const std::string second = kAppKey + "\\Accounts\\2";
      p_->registry.Put(second, "Server", platform::kRegSz, std::string("http://") + kSecondHost + "/api/");
      p_->registry.Put(second, "Username", platform::kRegSz, "bob");
    }
    p_->program.Start();
    ++starts_;
    requestsSeen_ = 0;
  }

  // Lines that could not be written to a full disk live only in the running program: killed, they
  // are gone. The person was told that the outbox could not be saved.
  void KilledWithAFullDisk() {
    std::set<std::string> inFile;
    for (const OutboxRecord& record : ParseOutbox(disk_.files["outbox.txt"]).records)
      inFile.insert(utf8::FromUtf16(record.line));
    bool told = false;
    for (const auto& [record, balloon] : p_->shell.balloons)
      told = told || std::string(balloon.title) == "Quillet cannot save its outbox";
    for (const OutboxRecord& record : p_->program.outbox().Records()) {
      std::string line = utf8::FromUtf16(record.line);
      if (inFile.contains(line)) continue;
      EXPECT_TRUE(told) << line << " was lost to a full disk without a word";
      lostToFullDisk_.insert(line);
    }
  }

  void Store(const std::string& name, const std::string& value) {
    p_->registry.Put(kAppKey, name, platform::kRegSz, value);
  }

  int Roll(int sides) { return static_cast<int>(random_() % static_cast<std::uint64_t>(sides)); }

  void Step() {
    ++eventsRun;
    if (fullFor_ > 0 && --fullFor_ == 0) disk_.diskFull = false;
    int event = Roll(20);
    Trace("event " + std::to_string(event) + " at " + std::to_string(p_->clock.MonotonicMs()));
    switch (event) {
      case 0:
      case 1:
      case 2:
        Confirm();
        break;
      case 3:
      case 4:
      case 5:
      case 6:
      case 7:
        Serve(false);
        break;
      case 8:
      case 9:
        Pass(1 + Roll(40));
        break;
      case 10:
        Pass(60 * (1 + Roll(70)));
        break;
      case 11:
        Boot();  // killed wherever it was, and started again
        break;
      case 12:
        p_->clock.JumpWall((Roll(2) ? 1 : -1) * 3'600'000LL * (1 + Roll(3)));
        break;
      case 13:
        disk_.diskFull = true;  // for a few events
        fullFor_ = 1 + Roll(6);
        break;
      case 14:
        if (!disk_.locked.erase("journal.csv")) disk_.locked.insert("journal.csv");
        break;
      case 15:
        ClickBalloon();
        break;
      case 16:
        AnswerRecall();
        break;
      case 17:
        UseLinesWaitingWindow();
        break;
      default:
        Pass(1);
        break;
    }
  }

  // --- the person ---
  void Confirm() {
    if (p_->program.updateWindow().RecalledLine()) return;  // the box holds a kept line
    std::string tag = "m" + std::to_string(seed_) + "-" + std::to_string(++lines_);
    p_->program.updateWindow().PopUp();
    p_->statusBox.Type(utf8::ToUtf16(tag));
    Pass(1);  // a deliberate Enter, not one meant for another window
    p_->statusBox.TypeChar(u'\r');
    confirmed_.insert(tag);
    Trace("confirmed " + tag + ", " + std::to_string(p_->program.outbox().Waiting()) + " in the outbox");
  }

  void ClickBalloon() {
    if (p_->shell.balloons.size() == balloonsSeen_ || !p_->trayForm) return;
    balloonsSeen_ = p_->shell.balloons.size();
    p_->trayForm->IconMessage(platform::kNinBalloonUserClick);
  }

  // The person ends a recall: sends it as it is or edited, or puts it away.
  void AnswerRecall() {
    auto recalled = p_->program.updateWindow().RecalledLine();
    if (!recalled) return;
    if (const OutboxRecord* record = p_->program.outbox().Find(*recalled))
      heldFor_[*recalled] = record->destination == "2" ? 2 : 1;
    std::string text = utf8::FromUtf16(p_->statusBox.Text());
    Pass(1);
    switch (Roll(3)) {
      case 0:
        resent_.insert(text);
        p_->statusBox.TypeChar(u'\r');
        break;
      case 1: {
        std::string edited = "m" + std::to_string(seed_) + "-" + std::to_string(++lines_) + "e";
        // An edit is a new line for the one account the kept line was for.
        if (const OutboxRecord* record = p_->program.outbox().Find(*recalled))
          onlyTo_[edited] = record->destination == "2" ? 2 : 1;
        else
          onlyTo_[edited] = heldFor_[*recalled];
        p_->statusBox.SetText(utf8::ToUtf16(edited));
        p_->statusBox.TypeChar(u'\r');
        released_.insert(text);
        confirmed_.insert(edited);
        break;
      }
      default:
        released_.insert(text);
        p_->statusBox.TypeChar(27);
        break;
    }
  }

  void UseLinesWaitingWindow() {
    if (!p_->menu || p_->program.outbox().Records().empty()) return;
    int action = Roll(4);
    p_->whileLinesWaiting = [&](FakeLinesWaitingView& view) {
      EXPECT_EQ(view.rows.size(), p_->program.outbox().Records().size()) << "every kept line is listed";
      if (view.rows.empty()) return;
      int row = Roll(static_cast<int>(view.rows.size()));
      view.SelectRow(row);
      std::string text = utf8::FromUtf16(view.rows[static_cast<std::size_t>(row)].line);
      switch (action) {
        case 0:
          resent_.insert(text);
          view.sendAgain.Click();
          break;
        case 1:
          released_.insert(text);
          view.remove.Click();
          break;
        case 2:
          view.edit.Click();  // the update window comes up with it, once this window has closed
          break;
        default:
          view.copy.Click();
          EXPECT_EQ(utf8::FromUtf16(view.clipboard), text);
          break;
      }
    };
    p_->menu->Choose(u"Lines &waiting...");
    p_->whileLinesWaiting = nullptr;
  }

  // --- time ---
  // Time passes; a long while in bigger steps (the timer is late, as a busy machine's is).
  void Pass(int seconds) {
    int step = seconds > 600 ? 30 : seconds > 60 ? 10 : 1;
    for (int i = 0; i < seconds; i += step) {
      p_->clock.nowMs += 1000 * step;
      serverMs_ += 1000 * step;
      p_->deliveryTimer.Tick();
      ForgetUnansweredRequests();
    }
  }

  // A request the service has not taken within the HTTP client's deadline never will be.
  void ForgetUnansweredRequests() {
    if (p_->http.requests.size() != requestsSeen_) {
      requestsSeen_ = p_->http.requests.size();
      newestRequestMs_ = serverMs_;
    }
    if (serverMs_ - newestRequestMs_ > 35'000) p_->http.pending.clear();
  }

  // --- the service ---
  // The account a request is for: the second has a host of its own.
  static int Destination(std::string_view hostOrRequest) {
    return hostOrRequest.find(kSecondHost) != std::string_view::npos ? 2 : 1;
  }
  Service KindOf(int destination) const { return destination == 2 ? Service::kTwitterPlain : service_; }

  void Accept(int destination, const std::string& status, const std::string& key) {
    Trace("service " + std::to_string(destination) + " takes " + status + " key " + key);
    if (destination == 2) {
      ++accepted_[{2, status}];
      timelines_[2].push_back(status);
      return;
    }
    if (service_ == Service::kMastodonSecure || service_ == Service::kMastodonPlain) {
      auto seen = keys_.find(key);
      if (!key.empty() && seen != keys_.end() && serverMs_ - seen->second < 60 * 60'000) return;  // a repeat
      if (!key.empty()) keys_[key] = serverMs_;
    }
    ++accepted_[{1, status}];
    timelines_[1].push_back(status);
  }

  std::string Timeline(int destination) const {
    std::string body;
    auto found = timelines_.find(destination);
    const std::vector<std::string> none;
    const std::vector<std::string>& timeline_ = found == timelines_.end() ? none : found->second;
    if (KindOf(destination) == Service::kTwitterPlain) {
      body = "<?xml version=\"1.0\"?><statuses type=\"array\">";
      for (auto it = timeline_.rbegin(); it != timeline_.rend() && it - timeline_.rbegin() < 40; ++it)
        body += "<status><text>" + *it + "</text></status>";
      return body + "</statuses>";
    }
    body = "[";
    for (auto it = timeline_.rbegin(); it != timeline_.rend() && it - timeline_.rbegin() < 40; ++it)
      body += std::string(body.size() > 1 ? "," : "") + "{\"id\":\"9\",\"content\":\"\\u003cp\\u003e" + *it +
              "\\u003c/p\\u003e\"}";
    return body + "]";
  }

  // The reply a GET gets: the account, or its latest posts.
  std::string ReadReply(std::string_view request) const {
    if (request.find("verify_credentials") != std::string_view::npos) return "{\"id\":\"1\",\"username\":\"alice\"}";
    return Timeline(Destination(request));
  }

  // Answers what is under way, at random, or (`calm`) as a working service does.
  void Serve(bool calm) {
    ForgetUnansweredRequests();
    FakeSocket& socket = p_->socket;
    if (socket.state == FakeSocket::State::Connecting) {
      int roll = calm ? 0 : Roll(6);
      if (roll == 5) {
        socket.RaiseClose(SocketEnd::kNotConnected);
      } else if (roll == 4) {
        Pass(31);  // nobody answers the connection
      } else {
        std::size_t before = socket.sent.size();
        socket.RaiseConnect();
        if (socket.sent.size() > before) Reply(socket.sent.back(), calm);
      }
      return;
    }
    if (!p_->http.pending.empty()) {
      // Only the newest request is still waited for: the ones before it were given up.
      auto pending = std::move(p_->http.pending.back());
      p_->http.pending.clear();
      std::string key;
      for (const auto& [name, value] : pending.request.headers)
        if (name == "Idempotency-Key") key = value;
      HttpReply reply = SecureReply(pending.request, key, calm);
      Trace(pending.request.method + " " + pending.request.path + " -> " + std::to_string(reply.status) + " outcome " +
            std::to_string(static_cast<int>(reply.outcome)));
      if (reply.outcome != HttpOutcome::kFailed || reply.status != -1) pending.done(reply);
    }
  }

  HttpReply SecureReply(const platform::HttpRequest& request, const std::string& key, bool calm) {
    bool post = request.method == "POST";
    int roll = calm ? 0 : Roll(10);
    if (!post) {
      if (roll >= 8) return {.outcome = HttpOutcome::kReplied, .status = 503, .requestSent = true};
      return {.outcome = HttpOutcome::kReplied, .status = 200, .body = ReadReply(request.path + " " + request.host),
              .requestSent = true};
    }
    auto status = PostedStatus(request.body);
    int to = Destination(request.host);
    switch (roll) {
      case 0:
      case 1:
      case 2:
        Accept(to, *status, key);
        return {.outcome = HttpOutcome::kReplied, .status = 200, .requestSent = true};
      case 3:
        return {.outcome = HttpOutcome::kReplied, .status = Roll(2) ? 429 : 503, .requestSent = true};
      case 4:
        return {.outcome = HttpOutcome::kReplied, .status = Roll(2) ? 401 : 422, .requestSent = true};
      case 5:
        return {.outcome = HttpOutcome::kReplied, .status = 301, .location = "https://elsewhere/", .requestSent = true};
      case 6:
        if (Roll(2)) Accept(to, *status, key);
        return {.outcome = HttpOutcome::kTimedOut, .requestSent = true};
      case 7:
        return {.outcome = HttpOutcome::kUnreachable, .requestSent = false};
      case 8:
        if (Roll(2)) Accept(to, *status, key);
        Pass(36);  // no answer at all: the sender gives up on its own
        return {.status = -1};  // dropped: the attempt was abandoned
      default:
        Accept(to, *status, key);  // accepted, and Quillet killed before the answer was kept
        Boot();
        return {.status = -1};
    }
  }

  void Reply(const std::string& request, bool calm) {
    FakeSocket& socket = p_->socket;
    auto status = PostedStatus(request);
    int to = Destination(HeaderValue(request, "Host"));
    Trace("socket: " + request.substr(0, request.find('\r')));
    if (!request.starts_with("POST")) {  // reading back
      if (!calm && Roll(5) == 0) return socket.RaiseClose(SocketEnd::kReset);
      socket.RaiseData("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n" + ReadReply(request));
      if (socket.state != FakeSocket::State::Closed) socket.PeerCloses();
      return;
    }
    std::string key = HeaderValue(request, "Idempotency-Key");
    int roll = calm ? 0 : Roll(10);
    Trace("socket reply " + std::to_string(roll));
    switch (roll) {
      case 0:
      case 1:
      case 2:
        Accept(to, *status, key);
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
        if (Roll(2)) Accept(to, *status, key);
        socket.RaiseClose(Roll(2) ? SocketEnd::kReset : SocketEnd::kClosed);  // after the request left
        break;
      case 7:
        if (Roll(2)) Accept(to, *status, key);
        Pass(31);  // no answer
        break;
      case 8:
        Accept(to, *status, key);
        Boot();  // accepted, and Quillet killed before the answer arrived
        break;
      default:
        Boot();  // killed after the request left, before the service took it
        break;
    }
  }

  // The service works, the disk too, and time passes: whatever can go goes.
  void Calm() {
    disk_.diskFull = false;
    disk_.locked.clear();
    if (p_->program.updateWindow().RecalledLine()) {  // the person leaves the box as it is
      p_->program.updateWindow().PopUp();
      p_->window.Hide();
    }
    for (int round = 0; round < 500; ++round) {
      if (p_->socket.state == FakeSocket::State::Connecting || !p_->http.pending.empty()) {
        Serve(true);
        continue;
      }
      p_->clock.nowMs += 30'000;  // nothing under way: time moves on in bigger steps
      serverMs_ += 30'000;
      p_->deliveryTimer.Tick();
    }
  }

  // --- the promise ---
  void Check() {
    SCOPED_TRACE("seed " + std::to_string(seed_) + " (QUILLET_MODEL_SEED=" + std::to_string(seed_) + ")");
    std::map<std::pair<int, std::string>, const OutboxRecord*> kept;
    for (const OutboxRecord& record : p_->program.outbox().Records())
      kept[{record.destination == "2" ? 2 : 1, utf8::FromUtf16(record.line)}] = &record;
    std::string journal = disk_.files.contains("journal.csv") ? disk_.files["journal.csv"] : "";
    std::vector<int> destinations{1};
    if (twoAccounts_) destinations.push_back(2);
    for (const std::string& line : confirmed_)
      for (int destination : destinations) {
      if (onlyTo_.contains(line) && onlyTo_[line] != destination) continue;
      SCOPED_TRACE("account " + std::to_string(destination));
      int taken = accepted_[{destination, line}];
      if (destination == 1 && service_ == Service::kJournalOnly) {
        const std::string row = line + ",kept in the journal only";
        for (std::size_t at = journal.find(row); at != std::string::npos; at = journal.find(row, at + 1)) ++taken;
      }
      auto record = kept.find({destination, line});
      bool inHands = record != kept.end() && (record->second->state == OutboxState::kRefused ||
                                              record->second->state == OutboxState::kUncertain);
      bool personChose = resent_.contains(line) || released_.contains(line) || lostToFullDisk_.contains(line);
      if (inHands) {
        EXPECT_TRUE(record->second->reported) << line << " is in the person's hands and they were told";
      } else if (record != kept.end()) {
        ADD_FAILURE() << line << " still waits after the calm spell: " << static_cast<char>(record->second->state);
      } else if (!personChose) {
        EXPECT_EQ(taken, 1) << line << " was accepted " << taken << " times";
      }
      if (!resent_.contains(line)) {
        EXPECT_LE(taken, 1) << line << " went twice without the person";
      }
    }
    for (const auto& [where, times] : accepted_)
      EXPECT_TRUE(confirmed_.contains(where.second)) << where.second << " was posted but never confirmed";
    const std::string& file = disk_.files["outbox.txt"];
    ParsedOutbox parsed = ParseOutbox(file);
    EXPECT_FALSE(parsed.damaged);
    EXPECT_EQ(FormatOutbox(parsed.records), file) << "the file round-trips";
    EXPECT_EQ(parsed.records.size(), p_->program.outbox().Records().size());
    std::size_t listed = 0;
    p_->whileLinesWaiting = [&](FakeLinesWaitingView& view) { listed = view.rows.size(); };
    if (!kept.empty()) p_->menu->Choose(u"Lines &waiting...");
    EXPECT_EQ(listed, kept.size()) << "every line in the person's hands is listed";
  }

  std::uint64_t seed_;
  std::mt19937_64 random_;
  Service service_;
  FakeFiles disk_;
  std::unique_ptr<FakeProgram> p_;
  int starts_ = 0;
  int fullFor_ = 0;
  std::size_t requestsSeen_ = 0;   // of the HTTP client's requests, in this run
  std::int64_t newestRequestMs_ = 0;  // when the newest was sent, on the service's clock  // events until the full disk has room again
  int lines_ = 0;
  std::size_t balloonsSeen_ = 0;
  std::int64_t serverMs_ = 0;
  std::set<std::string> confirmed_, resent_, released_, lostToFullDisk_;
  bool twoAccounts_;
  static constexpr const char* kSecondHost = "two.example";
  std::map<std::pair<int, std::string>, int> accepted_;  // by account (1, 2) and line
  std::map<std::string, std::int64_t> keys_;
  std::map<int, std::vector<std::string>> timelines_;
  std::map<std::string, int> onlyTo_;  // an edited line: the one account it is for
  std::map<LineId, int> heldFor_;      // the account of a recalled line
};

TEST(DeliveryModel, EveryConfirmedLineIsDeliveredOnceOrInThePersonsHands) {
  std::uint64_t first = 1, walks = 1000;
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
