#pragma once
// The Nostr kind: a line is an event signed once with the account's key and published to its
// relays; every repeat sends the same event, which a relay that has it drops, and a line is looked
// for by the event's id.
#include "networks/network.h"

namespace quillet {
const Network& NostrNetwork();
}  // namespace quillet
