// The built-in service's endpoint, set when the program is built (QUILLET_CONNECT_HOST,
// QUILLET_HOST_HEADER, QUILLET_PORT): alone in this file, so that a copy of the program for
// another endpoint compiles nothing else.
#include "delivery/status_sender.h"

namespace quillet {

Endpoint BuiltInEndpoint() { return {QUILLET_CONNECT_HOST, QUILLET_HOST_HEADER, QUILLET_PORT}; }

}  // namespace quillet
