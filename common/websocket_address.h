#pragma once
// A WebSocket server's address as a connection needs it: "wss://relay.example.org/",
// "ws://127.0.0.1:7447", "wss://[::1]:8443/path?query". Only ws and wss, a host, an optional
// port and an optional path (with its query); a fragment is not sent. Anything that could not
// be put safely into the handshake's request line (blanks, control characters, a user name) is
// refused with the reason in words.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quillet {

struct WebSocketAddress {
  bool secure = false;  // wss
  std::string host;     // lower case; an IPv6 address without its brackets
  std::uint16_t port = 0;
  std::string path;  // begins with "/"; the query, if any, included
};

struct ParsedWebSocketAddress {
  std::optional<WebSocketAddress> address;
  std::string problem;  // why the text cannot be used, in English, when there is no address
};

ParsedWebSocketAddress ParseWebSocketAddress(std::string_view url);

}  // namespace quillet
