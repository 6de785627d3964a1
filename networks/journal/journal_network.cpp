#include "networks/journal/journal_network.h"

#include "common/catalog.h"
#include "networks/delivery_account.h"

namespace quillet {
namespace {

class JournalLink : public AccountLink {
 public:
  explicit JournalLink(LinkServices services)
      : s_(std::move(services)), service_(ReadAccountService(s_.account, s_.accountId)) {}
  NetworkTraits Traits() const override { return {.journalOnly = true}; }
  std::string Host() const override { return service_.HostForMessages(s_.builtIn.connectHost); }
  std::string Prepare(Preparing& line) override {
    if (line.record.keys.idempotency.empty()) line.record.keys.idempotency = NewLineKey(line.record, line.random);
    return line.record.keys.idempotency;
  }
  std::string KeyOf(const LineKeys& keys) const override { return keys.idempotency; }
  void Send(const std::u16string&, const std::string&, std::shared_ptr<const PreparedLine>, Callback<bool()>,
            LineDone done) override {
    done({Delivery::kPermanent, Translatable(u"the service cannot be asked which lines it has")});
  }
  void ReadBack(ReadBackQuestion, ReadBackDone done) override {
    done({ReadBackAnswer::kFailed, {Delivery::kPermanent, Translatable(u"the service cannot be asked which lines it has")}});
  }

 private:
  LinkServices s_;
  AccountService service_;
};

class JournalKind : public Network {
 public:
  std::u16string_view ApiName() const override { return u"journal"; }
  bool JournalOnly() const override { return true; }
  std::u16string_view Choice() const override { return Translatable(u"Journal only, post nowhere"); }
  std::u16string_view KindName() const override { return Translatable(u"Journal only"); }
  AccountFields Fields() const override { return {.journalPlace = true}; }
  void Test(const AccountTestServices& s, const AccountEntries&, const TestTold& told) const override {
    told(s.app.Words().Tr(u"Journal only: lines go to journal.csv in your local application data, and nowhere else."),
         std::nullopt);
  }
  LineLimit Limit(SettingsStore& account) const override { return ChosenLineLimit(account); }
  std::unique_ptr<AccountLink> Open(LinkServices services) const override {
    return std::make_unique<JournalLink>(std::move(services));
  }
};

}  // namespace

const Network& JournalNetwork() {
  static const JournalKind network;
  return network;
}

}  // namespace quillet
