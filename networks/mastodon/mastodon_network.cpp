#include "networks/mastodon/mastodon_network.h"

#include "networks/status_api_network.h"

namespace quillet {

const Network& MastodonNetwork() {
  static const StatusApiNetwork network(ServiceApi::kMastodon);
  return network;
}

}  // namespace quillet
