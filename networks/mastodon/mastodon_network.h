#pragma once
// The Mastodon-compatible kind (Mastodon, Pleroma, Akkoma): a line goes with its Idempotency-Key,
// and is read back among the signed-in account's own posts.
#include "networks/network.h"

namespace quillet {
const Network& MastodonNetwork();
}  // namespace quillet
