#include "networks/status_api_network.h"

#include <algorithm>

#include "common/catalog.h"
#include "common/codepage.h"
#include "common/convert.h"
#include "common/steps.h"
#include "delivery/base64.h"
#include "delivery/status_request.h"
#include "networks/delivery_account.h"
#include "networks/read_back.h"
#include "settings/setting_names.h"

namespace quillet {
namespace {

class StatusApiLink : public AccountLink {
 public:
  explicit StatusApiLink(LinkServices services) : s_(std::move(services)) {}

  NetworkTraits Traits() const override {
    return {.canReadBack = Service().CanReadBack(), .honoursRepeatKeys = Service().HonoursRepeatKeys()};
  }
  std::string Host() const override { return Service().HostForMessages(s_.builtIn.connectHost); }

  std::string Prepare(Preparing& line) override {
    if (line.record.keys.idempotency.empty()) line.record.keys.idempotency = NewLineKey(line.record, line.random);
    return line.record.keys.idempotency;
  }
  std::string KeyOf(const LineKeys& keys) const override { return keys.idempotency; }

  void Send(const std::u16string& line, const std::string& key, std::shared_ptr<const PreparedLine>,
            Callback<bool()> leaving, LineDone done) override {
    account_ = ReadDeliveryAccount(s_.account, s_.secrets, s_.accountId);
    service_ = account_;
    if (!account_.builtIn && !account_.server) {
      done({Delivery::kPermanent, Translatable(u"the server address in the options cannot be used")});
      return;
    }
    s_.exchange(StatusRequest(line, key), std::move(leaving),
                [this, done = std::move(done)](const platform::HttpReply& reply) {
                  done(s_.heldBack() ? HeldBackOutcome() : Outcome(reply));
                });
  }

  void ReadBack(ReadBackQuestion question, ReadBackDone done) override {
    account_ = ReadDeliveryAccount(s_.account, s_.secrets, s_.accountId);
    service_ = account_;
    if (account_.api != ServiceApi::kMastodon) return ReadPosts(std::move(question), "", std::move(done));
    s_.exchange(service_requests::VerifyCredentials(*account_.server, account_.api, account_.credentials), nullptr,
                [this, question = std::move(question), done = std::move(done)](const platform::HttpReply& reply) mutable {
                  DeliveryOutcome outcome = Outcome(reply);
                  std::optional<std::string> id;
                  if (outcome.kind == Delivery::kDelivered) id = read_back::AccountId(reply.body);
                  if (!id) {
                    if (outcome.kind == Delivery::kDelivered) outcome = {Delivery::kPermanent, Translatable(u"the server did not say who is signed in")};
                    if (outcome.kind == Delivery::kAmbiguous) outcome.kind = Delivery::kTemporary;
                    return done({ReadBackAnswer::kFailed, outcome});
                  }
                  ReadPosts(std::move(question), *id, std::move(done));
                });
  }

 private:
  DeliveryOutcome Outcome(const platform::HttpReply& reply) const {
    return FromHttpReply(reply, Host(), s_.clock.NowMs());
  }

  platform::HttpRequest StatusRequest(const std::u16string& status, const std::string& key) const {
    platform::HttpRequest request;
    if (account_.builtIn) {
      // The built-in service's own request: its credentials through the code page, as they always were.
      std::u16string credentials = account_.credentials.userName + u":" + account_.credentials.password;
      request = {.method = "POST",
                 .host = s_.builtIn.connectHost,
                 .port = s_.builtIn.port,
                 .path = "/statuses/update.xml",
                 .headers = {{"Authorization", "Basic " + Narrow(base64::Encode(credentials))}},
                 .body = status_request::StatusBody(status),
                 .hostHeader = s_.builtIn.hostHeader};
    } else {
      request =
          service_requests::StatusUpdate(*account_.server, account_.api, account_.credentials, status, account_.options);
      if (account_.api == ServiceApi::kMastodon && !key.empty()) request.headers.emplace_back("Idempotency-Key", key);
    }
    request.headOnly = true;  // what became of the line is in the reply's status
    return request;
  }

  // When the line's first request could have left, on the server's clock, from the Date of its reply.
  std::int64_t FirstAttemptOnServer(const ReadBackQuestion& question, const platform::HttpReply& reply) const {
    std::int64_t wallNow = s_.clock.NowMs();
    std::int64_t serverNow = HttpDateMs(reply.date, wallNow).value_or(wallNow);
    std::int64_t since = s_.clock.MonotonicMs() - question.firstSentMonotonicMs;
    return serverNow - std::max<std::int64_t>(since, 0);
  }

  void ReadPosts(ReadBackQuestion question, std::string accountId, ReadBackDone done) {
    s_.exchange(read_back::LatestPosts(*account_.server, account_.api, account_.credentials, accountId), nullptr,
                [this, question = std::move(question), done = std::move(done)](const platform::HttpReply& reply) {
                  DeliveryOutcome outcome = Outcome(reply);
                  std::optional<std::vector<read_back::Post>> posts;
                  if (outcome.kind == Delivery::kDelivered) posts = read_back::Posts(account_.api, reply.body);
                  if (!posts) {
                    if (outcome.kind == Delivery::kDelivered) outcome = {Delivery::kPermanent, Translatable(u"the server's list of posts cannot be read")};
                    if (outcome.kind == Delivery::kAmbiguous) outcome.kind = Delivery::kTemporary;
                    return done({ReadBackAnswer::kFailed, outcome});
                  }
                  read_back::Finding finding = read_back::FindLine(*posts, question.line,
                                                                   FirstAttemptOnServer(question, reply), account_.server->host);
                  switch (finding.kind) {
                    case read_back::Finding::kFound:
                      return done({ReadBackAnswer::kFound, {}});
                    case read_back::Finding::kUnsure:
                      return done({ReadBackAnswer::kUnsure, {Delivery::kAmbiguous, finding.reason}});
                    case read_back::Finding::kNotFound:
                    default:
                      return done({ReadBackAnswer::kNotFound, {}});
                  }
                });
  }

  // The account's service, read when it is first asked for (an exchange reads it with the rest).
  const AccountService& Service() const {
    if (!service_) service_ = ReadAccountService(s_.account, s_.accountId);
    return *service_;
  }

  LinkServices s_;
  mutable std::optional<AccountService> service_;
  DeliveryAccount account_;  // as read when the exchange began
};

}  // namespace

std::u16string_view StatusApiNetwork::ApiName() const { return api_ == ServiceApi::kMastodon ? u"mastodon" : u"twitter"; }

LineLimit StatusApiNetwork::Limit(SettingsStore& account) const { return ChosenLineLimit(account); }

std::u16string_view StatusApiNetwork::Choice() const {
  return api_ == ServiceApi::kMastodon ? Translatable(u"Mastodon-compatible (Mastodon, Pleroma, Akkoma)")
                                       : Translatable(u"Twitter-compatible (GNU social, Friendica)");
}

std::u16string_view StatusApiNetwork::KindName() const {
  return api_ == ServiceApi::kMastodon ? Translatable(u"Mastodon-compatible") : Translatable(u"Twitter-compatible");
}

bool StatusApiNetwork::HomeIsProfile() const { return api_ == ServiceApi::kMastodon; }

std::u16string_view StatusApiNetwork::SecretInClear(bool token) const {
  if (api_ == ServiceApi::kMastodon && token)
    return Translatable(
        u"Your access token will travel unencrypted to %1 (the address starts with http://): anyone on the way can read it.");
  return Network::SecretInClear(token);
}

std::optional<platform::HttpRequest> StatusApiNetwork::WhoseToken(const ServerAddress& server,
                                                                  const std::string& token) const {
  Credentials credentials;
  credentials.token = token;
  return service_requests::VerifyCredentials(server, api_, credentials);
}

std::optional<std::u16string> StatusApiNetwork::SignedInName(std::string_view body) const {
  return service_replies::SignedInName(api_, body);
}

void StatusApiNetwork::Test(const AccountTestServices& s, const AccountEntries& entries, const TestTold& told) const {
  const Catalog& words = s.app.Words();
  if (entries.server.empty()) {
    told(words.Tr(u"Enter your server's address first. Without one, Quillet posts to its built-in service."), std::nullopt);
    return;
  }
  ParsedServer parsed = ParseServer(entries.server);
  if (!parsed.address) {
    told(words.Tr(parsed.problem), std::nullopt);
    return;
  }
  ServiceApi api = api_;
  bool usedToken = api == ServiceApi::kMastodon && !entries.credentials.token.empty();
  std::u16string inClear = ClearCredentialsWarning(words, entries.server, *this, entries.credentials.token);
  told(FillIn(words.Tr(u"Testing %1 ..."), {Widen(parsed.address->Url())}), std::nullopt);
  ServerAddress address = *parsed.address;
  platform::IHttpClient& http = s.http;
  const platform::IApplication& app = s.app;
  Step([&] {
    http.Send(service_requests::VerifyCredentials(address, api, entries.credentials),
              [&http, &app, address, api, usedToken, inClear, told](const platform::HttpReply& reply) {
                // The result in the person's words (a server's own words in it stay as they are).
                std::u16string words = app.Words().TrFilled(service_replies::DescribeTest(address, api, usedToken, reply));
                if (!inClear.empty() && reply.requestSent) words += u" " + inClear;
                if (!told(words, std::nullopt)) return;
                bool signedIn = reply.outcome == platform::HttpOutcome::kReplied && reply.status / 100 == 2 &&
                                service_replies::SignedInName(api, reply.body);
                if (!signedIn) return;
                Step([&] {
                  http.Send(service_requests::TextLimit(address, api),
                            [api, words, told, &app](const platform::HttpReply& limitReply) {
                              std::optional<int> limit;
                              if (limitReply.outcome == platform::HttpOutcome::kReplied && limitReply.status / 100 == 2)
                                limit = service_replies::TextLimit(api, limitReply.body);
                              int shown = limit.value_or(kBuiltInTextLimit);
                              auto most = static_cast<unsigned long>(shown);
                              told(words + u" " +
                                       FillIn(app.Words().TrPlural(u"Lines may be up to %1 character long.",
                                                                   u"Lines may be up to %1 characters long.", most),
                                              {DecimalText(shown)}),
                                   limit);
                            });
                });
              });
  });
}

AccountFields StatusApiNetwork::Fields() const {
  if (api_ != ServiceApi::kMastodon)
    return {.server = true, .credentials = AccountFields::Credentials::kUserNameAndPassword, .test = true};
  return {.server = true, .signIn = true, .tokenInstead = true, .token = true, .visibility = true, .language = true, .test = true};
}

std::unique_ptr<AccountLink> StatusApiNetwork::Open(LinkServices services) const {
  return std::make_unique<StatusApiLink>(std::move(services));
}

void StatusApiNetwork::RefreshTextLimit(std::shared_ptr<SettingsStore> settings, platform::IHttpClient& http,
                                        platform::ISecrets&, const std::string& accountId) const {
  AccountService account = ReadAccountService(*settings, accountId);
  if (account.builtIn || !account.server) return;
  std::u16string server = account.serverText;
  http.Send(service_requests::TextLimit(*account.server, account.api),
            [settings, server, api = account.api](const platform::HttpReply& reply) {
              if (reply.outcome != platform::HttpOutcome::kReplied || reply.status / 100 != 2) return;
              auto limit = service_replies::TextLimit(api, reply.body);
              // Kept only while the server it came from is still the chosen one.
              if (limit && settings->Get(kServer) == server) Step([&] { settings->SaveNumber(kTextLimit, *limit); });
            });
}

}  // namespace quillet
