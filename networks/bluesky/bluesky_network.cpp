#include "networks/bluesky/bluesky_network.h"

#include <algorithm>

#include "common/catalog.h"
#include "common/codepage.h"
#include "common/steps.h"
#include "common/utf8.h"
#include "networks/bluesky/bluesky_api.h"
#include "networks/bluesky/bluesky_session.h"
#include "networks/delivery_account.h"

namespace quillet {
namespace {

class BlueskyLink : public AccountLink {
 public:
  explicit BlueskyLink(LinkServices services) : s_(std::move(services)) {}

  NetworkTraits Traits() const override {
    bool server = Service().server.has_value();
    return {.canReadBack = server, .honoursRepeatKeys = server, .keysNeverExpire = server, .findsByKey = true};
  }
  std::string Host() const override { return Service().HostForMessages(s_.builtIn.connectHost); }

  std::string Prepare(Preparing& line) override {
    if (line.record.keys.record.empty()) {
      // A TID of the moment the line is made ready (later than any made before in this run),
      // which also gives the post its createdAt.
      std::int64_t& last = line.memory["bluesky.tid"];
      last = std::max(line.nowMs * 1000, last + 1);
      line.record.keys.record = bluesky::MakeTid(last, static_cast<unsigned>(line.random() & 0x3FF));
    }
    return line.record.keys.record;
  }
  std::string KeyOf(const LineKeys& keys) const override { return keys.record; }

  void Send(const std::u16string& line, const std::string& key, std::shared_ptr<const PreparedLine>,
            Callback<bool()> leaving, LineDone done) override {
    account_ = ReadDeliveryAccount(s_.account, s_.secrets, s_.accountId);
    service_ = account_;
    if (!account_.server) {
      done({Delivery::kPermanent, Translatable(u"the server address in the options cannot be used")});
      return;
    }
    if (!bluesky::IsTid(key)) {
      done({Delivery::kPermanent, Translatable(u"the line has no key to post it to Bluesky under")});
      return;
    }
    bluesky::PostServices services{.settings = s_.account,
                                   .secrets = s_.secrets,
                                   .clock = s_.clock,
                                   .exchange = [this](platform::HttpRequest request, LinkServices::Reply reply) {
                                     s_.exchange(std::move(request), nullptr, std::move(reply));
                                   }};
    bluesky::Post(std::move(services), bluesky::AccountOf(account_), key, utf8::FromUtf16(line), std::move(leaving),
                  HeldBackOutcome(), std::move(done));
  }

  void ReadBack(ReadBackQuestion question, ReadBackDone done) override {
    account_ = ReadDeliveryAccount(s_.account, s_.secrets, s_.accountId);
    service_ = account_;
    const std::string& key = question.key;
    if (!bluesky::IsTid(key)) {
      done({ReadBackAnswer::kFailed, {Delivery::kPermanent, Translatable(u"the line has no key to look for it on Bluesky")}});
      return;
    }
    // The post is public: it is asked for without the session, by the account's DID when a session
    // holds it, else by the handle.
    bluesky::Account account = bluesky::AccountOf(account_);
    std::optional<bluesky::Session> session = bluesky::LoadSession(s_.account, s_.secrets, account);
    std::string repo = session ? session->did : account.identifier;
    s_.exchange(bluesky::GetPost(account.server, repo, key), nullptr, [this, done = std::move(done)](const platform::HttpReply& reply) {
      if (reply.outcome == platform::HttpOutcome::kReplied && reply.status == 200) return done({ReadBackAnswer::kFound, {}});
      if (reply.outcome == platform::HttpOutcome::kReplied && reply.status == 400 &&
          bluesky::ErrorName(reply.body) == "RecordNotFound")
        return done({ReadBackAnswer::kNotFound, {}});
      DeliveryOutcome outcome = bluesky::Outcome(reply, Host(), s_.clock.NowMs());
      if (outcome.kind == Delivery::kDelivered) outcome = {Delivery::kPermanent, Translatable(u"the server's answer cannot be read")};
      if (outcome.kind == Delivery::kAmbiguous) outcome.kind = Delivery::kTemporary;
      done({ReadBackAnswer::kFailed, outcome});
    });
  }

 private:
  // The account's service, read when it is first asked for (an exchange reads it with the rest).
  const AccountService& Service() const {
    if (!service_) service_ = ReadAccountService(s_.account, s_.accountId);
    return *service_;
  }

  LinkServices s_;
  mutable std::optional<AccountService> service_;
  DeliveryAccount account_;
};

// A session a test made, with the account it was made for.
struct TestedSession : TestedSignIn {
  TestedSession(bluesky::Account account_, bluesky::Session session_)
      : TestedSignIn(&BlueskyNetwork()), account(std::move(account_)), session(std::move(session_)) {}
  void KeepWith(SettingsStore& stored, platform::ISecrets& secrets) const override {
    std::optional<bluesky::Account> now;
    Step([&] { now = bluesky::StoredAccount(stored, secrets); });
    if (now && SameAccount(*now, account)) bluesky::SaveSession(stored, secrets, *now, session);
  }
  // A session is kept only for the server, handle and app password it was made with.
  static bool SameAccount(const bluesky::Account& a, const bluesky::Account& b) {
    return a.serverText == b.serverText && a.identifier == b.identifier && a.appPassword == b.appPassword;
  }
  bluesky::Account account;
  bluesky::Session session;
};

class BlueskyKind : public Network {
 public:
  std::u16string_view KindName() const override { return Translatable(u"Bluesky"); }
  std::u16string ServerText(std::u16string stored) const override {
    return AccountServerText(ServiceApi::kBluesky, std::move(stored));
  }
  std::u16string_view SecretInClear(bool) const override {
    return Translatable(
        u"Your app password will travel unencrypted to %1 (the address starts with http://): anyone on the way can read it.");
  }

  void Test(const AccountTestServices& s, const AccountEntries& entries, const TestTold& told) const override {
    const Catalog& words = s.app.Words();
    std::u16string address = ServerText(entries.server);
    ParsedServer parsed = ParseServer(address);
    if (!parsed.address) {
      told(words.Tr(parsed.problem), std::nullopt);
      return;
    }
    if (entries.credentials.userName.empty() || entries.credentials.password.empty()) {
      told(
          words.Tr(u"Enter your handle as the user name and an app password as the password (make one in "
          u"Bluesky: Settings, Privacy and security, App passwords)."),
          std::nullopt);
      return;
    }
    bluesky::Account account{.server = *parsed.address,
                             .serverText = utf8::FromUtf16(address),
                             .identifier = utf8::FromUtf16(entries.credentials.userName),
                             .appPassword = utf8::FromUtf16(entries.credentials.password)};
    std::u16string inClear = ClearCredentialsWarning(words, entries.server, *this, "");
    told(FillIn(words.Tr(u"Testing %1 ..."), {Widen(parsed.address->Url())}), std::nullopt);
    Step([&] {
      std::optional<bluesky::Session> kept;
      const TestedSignIn* last = s.sessions.tested.get();
      if (last && last->MadeBy(this) && TestedSession::SameAccount(static_cast<const TestedSession*>(last)->account, account)) {
        kept = static_cast<const TestedSession*>(last)->session;
      } else if (s.sessions.stored && s.sessions.secrets) {
        kept = bluesky::LoadSession(*s.sessions.stored, *s.sessions.secrets, account);
      }
      auto made = [sessions = s.sessions, account](const bluesky::Session& session) {
        if (sessions.keep) {
          sessions.keep(std::make_shared<TestedSession>(account, session));
        } else if (sessions.stored && sessions.secrets) {
          bluesky::SaveSession(*sessions.stored, *sessions.secrets, account, session);
        }
      };
      bluesky::Test(
          std::move(kept),
          [&http = s.http](platform::HttpRequest request, Callback<void(const platform::HttpReply&)> reply) {
            http.Send(std::move(request), std::move(reply));
          },
          account, made,
          [told, inClear, &app = s.app](std::u16string result) {
            std::u16string shown = app.Words().TrFilled(result);  // the result in the person's words
            if (!inClear.empty()) shown += u" " + inClear;
            told(std::move(shown), std::nullopt);
          });
    });
  }

 public:
  std::u16string_view ApiName() const override { return u"bluesky"; }
  LineLimit Limit(SettingsStore&) const override { return bluesky::kLineLimit; }
  std::u16string_view Choice() const override { return Translatable(u"Bluesky"); }
  AccountFields Fields() const override {
    return {.otherServer = true,
            .server = true,
            .credentials = AccountFields::Credentials::kHandleAndAppPassword,
            .language = true,
            .test = true};
  }
  std::unique_ptr<AccountLink> Open(LinkServices services) const override {
    return std::make_unique<BlueskyLink>(std::move(services));
  }
};

}  // namespace

const Network& BlueskyNetwork() {
  static const BlueskyKind network;
  return network;
}

}  // namespace quillet
