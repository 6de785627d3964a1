#include "tests/unit/test_network/loopback_network.h"

#include "common/utf8.h"
#include "delivery/server_address.h"
#include "settings/setting_names.h"

namespace quillet::testing {
namespace {

class LoopbackLink : public AccountLink {
 public:
  explicit LoopbackLink(LinkServices services)
      : s_(std::move(services)), server_(ParseServer(s_.account.Get(kServer)).address) {}

  NetworkTraits Traits() const override {
    bool server = server_.has_value();
    // A line is put under its key: a repeat, however late, puts the same line again.
    return {.canReadBack = server, .honoursRepeatKeys = server, .keysNeverExpire = server, .findsByKey = true};
  }
  std::string Host() const override { return server_ ? server_->host : "the loopback service"; }
  std::string Prepare(Preparing& line) override {
    // Made when the line is confirmed, of the line's own (so that no two lines share one).
    if (line.record.keys.record.empty()) line.record.keys.record = "line-" + NewLineKey(line.record, line.random);
    return line.record.keys.record;
  }
  std::string KeyOf(const LineKeys& keys) const override { return keys.record; }

  void Send(const std::u16string& line, const std::string& key, std::shared_ptr<const PreparedLine>,
            Callback<bool()> leaving, LineDone done) override {
    if (!server_ || key.empty()) return done({Delivery::kPermanent, u"the loopback service needs a server and a key"});
    platform::HttpRequest request = At("PUT", key);
    request.headers = {{"Content-Type", "text/plain; charset=utf-8"}};
    request.body = utf8::FromUtf16(line);
    request.headOnly = true;
    s_.exchange(std::move(request), std::move(leaving), [this, done = std::move(done)](const platform::HttpReply& reply) {
      done(s_.heldBack() ? HeldBackOutcome() : FromHttpReply(reply, Host(), s_.clock.NowMs()));
    });
  }

  void ReadBack(ReadBackQuestion question, ReadBackDone done) override {
    s_.exchange(At("GET", question.key), nullptr, [this, done = std::move(done)](const platform::HttpReply& reply) {
      bool replied = reply.outcome == platform::HttpOutcome::kReplied;
      if (replied && reply.status == 200) return done({ReadBackAnswer::kFound, {}});
      if (replied && reply.status == 404) return done({ReadBackAnswer::kNotFound, {}});
      DeliveryOutcome outcome = FromHttpReply(reply, Host(), s_.clock.NowMs());
      if (outcome.kind != Delivery::kPermanent) outcome.kind = Delivery::kTemporary;
      done({ReadBackAnswer::kFailed, outcome});
    });
  }

 private:
  platform::HttpRequest At(std::string method, const std::string& key) const {
    return {.method = std::move(method),
            .secure = server_->secure,
            .host = server_->host,
            .port = server_->port,
            .path = server_->basePath + "lines/" + key};
  }

  LinkServices s_;
  std::optional<ServerAddress> server_;
};

class Loopback : public Network {
 public:
  std::u16string_view ApiName() const override { return kLoopbackApi; }
  LineLimit Limit(SettingsStore&) const override { return {.count = 500}; }
  std::u16string_view Choice() const override { return u"Loopback service (the tests' own)"; }
  std::u16string_view KindName() const override { return u"Loopback"; }
  void Test(const AccountTestServices&, const AccountEntries&, const TestTold& told) const override {
    told(u"The loopback service is not tested.", std::nullopt);
  }
  AccountFields Fields() const override {
    return {.server = true, .credentials = AccountFields::Credentials::kUserNameAndPassword};
  }
  std::unique_ptr<AccountLink> Open(LinkServices services) const override {
    return std::make_unique<LoopbackLink>(std::move(services));
  }
};

}  // namespace

const Network& LoopbackNetwork() {
  static const Loopback network;
  return network;
}

}  // namespace quillet::testing
