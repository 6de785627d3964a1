#include "networks/registry.h"

#include <algorithm>
#include <vector>

#include "networks/bluesky/bluesky_network.h"
#include "networks/journal/journal_network.h"
#include "networks/mastodon/mastodon_network.h"
#include "networks/nostr/nostr_network.h"
#include "networks/twitter/twitter_network.h"
#include "settings/setting_names.h"

namespace quillet {

namespace {

std::vector<const Network*>& Listed() {
  // One line a kind, in the order the account dialog lists them; the first is an account's
  // without an "Api" value.
  static std::vector<const Network*> networks{&TwitterNetwork(), &MastodonNetwork(), &JournalNetwork(),
                                              &BlueskyNetwork(), &NostrNetwork()};
  return networks;
}

}  // namespace

std::span<const Network* const> Networks() { return Listed(); }

void AddNetwork(const Network& network) {
  std::vector<const Network*>& listed = Listed();
  if (std::find(listed.begin(), listed.end(), &network) == listed.end()) listed.push_back(&network);
}

void RemoveNetwork(const Network& network) {
  std::vector<const Network*>& listed = Listed();
  listed.erase(std::remove(listed.begin() + 1, listed.end(), &network), listed.end());
}

const Network& NetworkNamed(std::u16string_view api) {
  auto lower = [](char16_t ch) { return ch >= u'A' && ch <= u'Z' ? static_cast<char16_t>(ch - u'A' + u'a') : ch; };
  for (const Network* network : Networks()) {
    std::u16string_view name = network->ApiName();
    if (name.size() == api.size() &&
        std::equal(name.begin(), name.end(), api.begin(), [&](char16_t a, char16_t b) { return a == lower(b); }))
      return *network;
  }
  return *Networks().front();
}

const Network& NetworkSigningIn() {
  for (const Network* network : Networks())
    if (network->Fields().signIn) return *network;
  return *Networks().front();
}

const Network& NetworkOf(SettingsStore& account) { return NetworkNamed(account.Get(kApi)); }

}  // namespace quillet
