#pragma once
// The Twitter-compatible kind (GNU social, Friendica), and the built-in service, which speaks it
// when no server is stored.
#include "networks/network.h"

namespace quillet {
const Network& TwitterNetwork();
}  // namespace quillet
