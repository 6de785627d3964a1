#pragma once
// What the Twitter-compatible and the Mastodon-compatible kinds share (service_api.h): a line is
// one request to the account's server (or the built-in endpoint), read back from its latest posts
// (read_back.h); the server's own limit on a line's length is asked for and kept.
#include "networks/network.h"
#include "networks/service_api.h"

namespace quillet {

class StatusApiNetwork : public Network {
 public:
  explicit StatusApiNetwork(ServiceApi api) : api_(api) {}
  std::u16string_view ApiName() const override;
  LineLimit Limit(SettingsStore& account) const override;
  std::u16string_view Choice() const override;
  std::u16string_view KindName() const override;
  AccountFields Fields() const override;
  bool HomeIsProfile() const override;
  std::u16string_view SecretInClear(bool token) const override;
  void Test(const AccountTestServices& services, const AccountEntries& entries, const TestTold& told) const override;
  std::optional<platform::HttpRequest> WhoseToken(const ServerAddress& server, const std::string& token) const override;
  std::optional<std::u16string> SignedInName(std::string_view body) const override;
  std::unique_ptr<AccountLink> Open(LinkServices services) const override;
  void RefreshTextLimit(std::shared_ptr<SettingsStore> account, platform::IHttpClient& http, platform::ISecrets& secrets,
                        const std::string& accountId) const override;

 private:
  ServiceApi api_;
};

}  // namespace quillet
