#include "networks/bluesky/bluesky_session.h"

#include <memory>

#include "common/steps.h"
#include "common/trace.h"
#include "common/utf8.h"
#include "networks/service_api.h"
#include "settings/accounts.h"
#include "settings/setting_names.h"

namespace quillet::bluesky {
namespace {

// One line on its way, shared by the steps of its exchange.
struct Posting {
  PostServices s;
  Account account;
  std::string tid;
  std::string text;
  Callback<bool()> leaving;
  DeliveryOutcome heldBack;
  Callback<void(const DeliveryOutcome&)> done;
  bool renewed = false;  // the session was renewed or made for this line: a refused token is not renewed twice
};
using PostingPtr = std::shared_ptr<Posting>;

void Finish(const PostingPtr& p, const DeliveryOutcome& outcome) {
  auto done = std::move(p->done);
  p->done = nullptr;
  if (done) done(outcome);
}

DeliveryOutcome OutcomeOf(const PostingPtr& p, const platform::HttpReply& reply) {
  return Outcome(reply, p->account.server.host, p->s.clock.NowMs());
}

void PutRecord(const PostingPtr& p, const Session& session);

void SignIn(const PostingPtr& p) {
  p->renewed = true;
  p->s.exchange(CreateSession(p->account.server, p->account.identifier, p->account.appPassword),
                [p](const platform::HttpReply& reply) {
                  std::optional<Session> session;
                  if (reply.outcome == platform::HttpOutcome::kReplied && reply.status / 100 == 2)
                    session = ReadSession(reply.body);
                  if (!session) {
                    DeliveryOutcome outcome = OutcomeOf(p, reply);
                    if (outcome.kind == Delivery::kDelivered)
                      outcome = {Delivery::kPermanent, u"the server did not answer the sign-in as a Bluesky server would"};
                    if (outcome.kind == Delivery::kAmbiguous) outcome.kind = Delivery::kTemporary;  // no line left
                    return Finish(p, outcome);
                  }
                  SaveSession(p->s.settings, p->s.secrets, p->account, *session);
                  PutRecord(p, *session);
                });
}

void Refresh(const PostingPtr& p, const Session& session) {
  p->renewed = true;
  p->s.exchange(RefreshSession(p->account.server, session.refreshJwt), [p](const platform::HttpReply& reply) {
    std::optional<Session> renewed;
    if (reply.outcome == platform::HttpOutcome::kReplied && reply.status / 100 == 2) renewed = ReadSession(reply.body);
    if (renewed) {
      SaveSession(p->s.settings, p->s.secrets, p->account, *renewed);
      return PutRecord(p, *renewed);
    }
    if (SignInAgain(reply)) return SignIn(p);
    DeliveryOutcome outcome = OutcomeOf(p, reply);
    if (outcome.kind != Delivery::kPermanent) outcome.kind = Delivery::kTemporary;  // no line left
    Finish(p, outcome);
  });
}

void PutRecord(const PostingPtr& p, const Session& session) {
  platform::HttpRequest request = PutPost(p->account.server, session, p->tid, p->text, p->account.language);
  if (p->leaving && !p->leaving()) return Finish(p, p->heldBack);
  p->s.exchange(std::move(request), [p, session](const platform::HttpReply& reply) {
    if (AccessExpired(reply) && !p->renewed) return Refresh(p, session);
    Finish(p, OutcomeOf(p, reply));
  });
}

}  // namespace

std::optional<Account> StoredAccount(SettingsStore& settings, platform::ISecrets& secrets) {
  std::u16string server = AccountServerText(ServiceApi::kBluesky, settings.Get(kServer));
  auto address = ParseServer(server).address;
  if (!address) return std::nullopt;
  return Account{.server = *address,
                 .serverText = utf8::FromUtf16(server),
                 .identifier = utf8::FromUtf16(settings.Get(kUserName)),
                 .appPassword = utf8::FromUtf16(LoadPassword(settings, secrets)),
                 .language = UsableLanguage(settings.Get(kPostLanguage))};
}

Account AccountOf(const DeliveryAccount& account) {
  return Account{.server = account.server.value_or(ServerAddress{}),
                 .serverText = utf8::FromUtf16(account.serverText),
                 .identifier = utf8::FromUtf16(account.credentials.userName),
                 .appPassword = utf8::FromUtf16(account.credentials.password),
                 .language = account.options.language};
}

std::optional<Session> LoadSession(SettingsStore& settings, platform::ISecrets& secrets, const Account& account) {
  std::optional<Session> session;
  Step([&] {
    auto stored = settings.ReadBytes(kSession);
    if (stored && !stored->empty())
      session = ReadSessionRecord(secrets.Unprotect(*stored), account.serverText, account.identifier);
  });
  return session;
}

void SaveSession(SettingsStore& settings, platform::ISecrets& secrets, const Account& account, const Session& session) {
  Step([&] {
    settings.SaveBytes(kSession, secrets.Protect(SessionRecord(session, account.serverText, account.identifier)));
  });
}

void Post(PostServices services, Account account, std::string tid, std::string text, Callback<bool()> leaving,
          DeliveryOutcome heldBack, Callback<void(const DeliveryOutcome&)> done) {
  auto p = std::make_shared<Posting>(Posting{.s = std::move(services),
                                             .account = std::move(account),
                                             .tid = std::move(tid),
                                             .text = std::move(text),
                                             .leaving = std::move(leaving),
                                             .heldBack = std::move(heldBack),
                                             .done = std::move(done)});
  if (std::optional<Session> session = LoadSession(p->s.settings, p->s.secrets, p->account)) {
    PutRecord(p, *session);
  } else {
    SignIn(p);
  }
}

void Test(std::optional<Session> kept, Exchange exchange, Account account, Callback<void(const Session&)> made,
          Callback<void(std::u16string words)> told) {
  auto ask = [exchange, account, told](const Session& session) {
    exchange(GetSession(account.server, session.accessJwt),
             [account, told](const platform::HttpReply& reply) { told(DescribeTest(account.server, reply)); });
  };
  auto signIn = [exchange, account, made, told, ask] {
    exchange(CreateSession(account.server, account.identifier, account.appPassword),
             [account, made, told, ask](const platform::HttpReply& reply) {
               std::optional<Session> session;
               if (reply.outcome == platform::HttpOutcome::kReplied && reply.status / 100 == 2)
                 session = ReadSession(reply.body);
               if (!session) return told(DescribeTest(account.server, reply));
               if (made) Step([&] { made(*session); });
               ask(*session);
             });
  };
  if (!kept) return signIn();
  // The kept session first; a used-up one is replaced by signing in (Test is asked for rarely).
  exchange(GetSession(account.server, kept->accessJwt), [account, told, signIn](const platform::HttpReply& reply) {
    if (AccessExpired(reply)) return signIn();
    told(DescribeTest(account.server, reply));
  });
}

}  // namespace quillet::bluesky
