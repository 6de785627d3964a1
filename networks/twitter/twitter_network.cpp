#include "networks/twitter/twitter_network.h"

#include "networks/status_api_network.h"

namespace quillet {

const Network& TwitterNetwork() {
  static const StatusApiNetwork network(ServiceApi::kTwitter);
  return network;
}

}  // namespace quillet
