#pragma once
// The Bluesky kind (the AT Protocol): a line is a record written under a key made when the line
// is confirmed, so that a repeat, however late, writes the same post again; it is looked for by
// that key.
#include "networks/network.h"

namespace quillet {
const Network& BlueskyNetwork();
}  // namespace quillet
