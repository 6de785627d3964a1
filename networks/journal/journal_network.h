#pragma once
// The journal-only kind: its lines are sent nowhere and kept in the journal alone.
#include "networks/network.h"

namespace quillet {
const Network& JournalNetwork();
}  // namespace quillet
