// The one parser under a server's and a relay's address: what both read alike, and where they
// differ on purpose (a query and a fragment, which a request line refuses and a handshake takes).
#include <gtest/gtest.h>

#include <string>

#include "common/websocket_address.h"
#include "delivery/server_address.h"

namespace quillet {
namespace {

TEST(WebAddress, ServersAndRelaysSplitAlikeAndDifferOnlyInWhatFollowsTheHost) {
  struct Case {
    const char* after;       // the text after "https:" and after "wss:"
    const char* host;        // nullptr: both refuse
    int port;
    const char* basePath;    // the server's; nullptr: the server refuses
    const char* socketPath;  // the relay's
  };
  const Case cases[] = {
      {"//H.Example:8443/a", "h.example", 8443, "/a/", "/a"},
      {"//h_x.example:00443", "h_x.example", 443, "/", "/"},
      {"//[::1]", "::1", 443, "/", "/"},
      {"//h.example?x=1", "h.example", 443, nullptr, "/?x=1"},
      {"//h.example/a#part", "h.example", 443, nullptr, "/a"},
      {"//b\xC3\xBC" "cher.example/\xC3\xA9", "b\xC3\xBC" "cher.example", 443, nullptr, "/\xC3\xA9"},
      {"//a:b:80/", nullptr},  // the first ":" begins the port
      {"//[abc]/", nullptr},   // brackets hold an IPv6 address only
      {"//[]/", nullptr},
      {"//[::1]:/", nullptr},
      {"//h.example:000443/", nullptr},
      {"//h.example:+80/", nullptr},
      {"//:80/", nullptr},
      {"//h.example@/", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.after);
    std::string https = std::string("https:") + c.after;
    ParsedServer server = ParseServer(std::u16string(https.begin(), https.end()));  // each byte one character
    ParsedWebSocketAddress relay = ParseWebSocketAddress(std::string("wss:") + c.after);
    if (!c.host) {
      EXPECT_FALSE(server.address);
      EXPECT_FALSE(relay.address);
      continue;
    }
    ASSERT_TRUE(relay.address) << relay.problem;
    EXPECT_EQ(relay.address->host, c.host);
    EXPECT_EQ(relay.address->port, c.port);
    EXPECT_EQ(relay.address->path, c.socketPath);
    EXPECT_EQ(server.address.has_value(), c.basePath != nullptr);
    if (server.address && c.basePath) {
      EXPECT_EQ(server.address->host, c.host);
      EXPECT_EQ(server.address->port, c.port);
      EXPECT_EQ(server.address->basePath, c.basePath);
    }
  }
}

}  // namespace
}  // namespace quillet
