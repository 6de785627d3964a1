// A relay's address as the WebSocket connection reads it.
#include <gtest/gtest.h>

#include "common/websocket_address.h"

namespace quillet {
namespace {

TEST(WebSocketAddress, ReadsSchemeHostPortAndPathOrSaysWhyNot) {
  struct Case {
    const char* url;
    bool secure;
    const char* host;
    int port;
    const char* path;
  };
  const Case cases[] = {
      {"wss://Relay.Example.ORG", true, "relay.example.org", 443, "/"},
      {"WS://127.0.0.1:7447", false, "127.0.0.1", 7447, "/"},
      {"wss://[::1]:8443/nostr?x=1#part", true, "::1", 8443, "/nostr?x=1"},
      {"wss://relay.example?x", true, "relay.example", 443, "/?x"},
      {"ws://[fe80::1]/", false, "fe80::1", 80, "/"},
  };
  for (const Case& c : cases) {
    ParsedWebSocketAddress parsed = ParseWebSocketAddress(c.url);
    ASSERT_TRUE(parsed.address) << c.url << ": " << parsed.problem;
    EXPECT_EQ(parsed.address->secure, c.secure) << c.url;
    EXPECT_EQ(parsed.address->host, c.host) << c.url;
    EXPECT_EQ(parsed.address->port, c.port) << c.url;
    EXPECT_EQ(parsed.address->path, c.path) << c.url;
  }
  for (const char* url : {"https://relay.example", "relay.example", "wss://", "wss://:443", "wss://relay.example:0",
                          "wss://relay.example:65536", "wss://relay.example:", "wss://relay.example:44x",
                          "wss://alice@relay.example", "wss://relay.example/a b", "wss://relay.example/\r\nX: y",
                          "wss://[::1", "wss://[::1]x", "wss://[relay.example]", "wss://re%6cay.example"}) {
    ParsedWebSocketAddress parsed = ParseWebSocketAddress(url);
    EXPECT_FALSE(parsed.address) << url;
    EXPECT_FALSE(parsed.problem.empty()) << url;
  }
}

}  // namespace
}  // namespace quillet
