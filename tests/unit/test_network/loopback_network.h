#pragma once
// A kind of network that lives only in the tests: a loopback service that keeps each line at
// "<server>lines/<key>" (PUT with the line as its plain-text body; GET answers 200 when it holds
// the line, 404 when not), so that a repeat under the same key, however late, is the same line.
// It plugs in through networks/registry.h's AddNetwork, nothing else.
#include "networks/network.h"
#include "networks/registry.h"

namespace quillet::testing {

inline constexpr std::u16string_view kLoopbackApi = u"loopback";
const Network& LoopbackNetwork();

// The loopback kind listed in the registry while it lives.
class LoopbackListed {
 public:
  LoopbackListed() { AddNetwork(LoopbackNetwork()); }
  ~LoopbackListed() { RemoveNetwork(LoopbackNetwork()); }
  LoopbackListed(const LoopbackListed&) = delete;
  LoopbackListed& operator=(const LoopbackListed&) = delete;
};

}  // namespace quillet::testing
