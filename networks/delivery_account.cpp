#include "networks/delivery_account.h"

#include <algorithm>

#include "common/steps.h"
#include "networks/bluesky/bluesky_api.h"
#include "networks/nostr/nostr_account.h"
#include "networks/registry.h"
#include "settings/access_token.h"
#include "settings/accounts.h"
#include "settings/setting_names.h"

namespace quillet {

static_assert(kTextLimit.lowest == 1 && kTextLimit.highest == kLargestTextLimit,
              "a stored limit is kept within the limits a server's reply is");

std::u16string AccountServerText(ServiceApi api, std::u16string stored) {
  if (stored.empty() && api == ServiceApi::kBluesky) return std::u16string(kBlueskyServer);
  return stored;
}

AccountService ReadAccountService(SettingsStore& settings, std::string id) {
  AccountService service;
  service.id = std::move(id);
  service.api = ParseApi(settings.Get(kApi));
  service.serverText = AccountServerText(service.api, settings.Get(kServer));
  service.builtIn = service.serverText.empty() && service.api != ServiceApi::kNostr;
  if (!service.builtIn && !service.serverText.empty()) service.server = ParseServer(service.serverText).address;
  return service;
}

DeliveryAccount ReadDeliveryAccount(SettingsStore& settings, platform::ISecrets& secrets, std::string id) {
  DeliveryAccount account{ReadAccountService(settings, std::move(id))};
  account.credentials = {.userName = settings.Get(kUserName),
                         .password = LoadPassword(settings, secrets),
                         .token = access_token::Load(settings, secrets)};
  account.limit = ChosenLineLimit(settings);
  if (account.api == ServiceApi::kNostr) {
    account.nostrKey = nostr::LoadKey(settings, secrets);
    account.relays = nostr::RelaysOf(settings.Get(kRelays));
  }
  if (account.api == ServiceApi::kMastodon) account.options.visibility = UsableVisibility(settings.Get(kVisibility));
  if (account.api == ServiceApi::kMastodon || account.api == ServiceApi::kBluesky)
    account.options.language = UsableLanguage(settings.Get(kPostLanguage));
  return account;
}

LineLimit ChosenLineLimit(SettingsStore& settings) {
  if (ParseApi(settings.Get(kApi)) == ServiceApi::kBluesky) return bluesky::kLineLimit;
  if (settings.Get(kServer).empty()) return {.count = kBuiltInTextLimit};
  LineLimit limit{.count = kBuiltInTextLimit};
  Step([&] { limit.count = std::clamp<int>(settings.Number(kTextLimit), kTextLimit.lowest, kTextLimit.highest); });
  return limit;
}

LineLimit TickedLineLimit(SettingsStore& settings) {
  std::vector<LineLimit> limits;
  Step([&] {
    Accounts accounts(settings);
    std::vector<std::string> ticked = accounts.Ticked();
    if (ticked.empty()) ticked.emplace_back(kFirstAccountId);  // the outbox keeps such lines for the first
    for (const std::string& id : ticked) {
      std::unique_ptr<SettingsStore> account = accounts.Store(id);
      limits.push_back(NetworkOf(*account).Limit(*account));
    }
  });
  if (limits.empty()) limits.push_back(NetworkOf(settings).Limit(settings));
  return SmallestLineLimit(limits);
}

}  // namespace quillet
