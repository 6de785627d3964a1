#include "common/websocket_address.h"

#include <algorithm>

#include "common/web_address.h"

namespace quillet {
namespace {

ParsedWebSocketAddress RefusedAddress(std::string why) { return {std::nullopt, std::move(why)}; }

// Any host the handshake can carry: the checks on the whole address have kept out blanks and
// control characters, and these would break the request line or the URL.
bool HostCarried(std::u16string_view host) { return host.find_first_of(u"[]\"<>\\^`{|}%") == std::u16string_view::npos; }

}  // namespace

ParsedWebSocketAddress ParseWebSocketAddress(std::string_view url) {
  if (std::any_of(url.begin(), url.end(), [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == 0x7f; }))
    return RefusedAddress("the address contains a blank or a control character");
  // Each byte as one character and back, so that a UTF-8 path goes through unchanged.
  std::u16string wide(url.size(), u'\0');
  std::transform(url.begin(), url.end(), wide.begin(), [](char c) { return static_cast<char16_t>(static_cast<unsigned char>(c)); });
  auto narrow = [](std::u16string_view text) {
    std::string bytes(text.size(), '\0');
    std::transform(text.begin(), text.end(), bytes.begin(), [](char16_t ch) { return static_cast<char>(ch); });
    return bytes;
  };
  ParsedWebAddress parsed = ParseWebAddress(wide, {u"wss", u"ws"}, HostCarried);
  if (!parsed.parts) {
    switch (parsed.fault) {
      case WebAddressFault::kScheme: return RefusedAddress("the address does not begin with wss:// or ws://");
      case WebAddressFault::kUserName: return RefusedAddress("the address contains a user name");
      case WebAddressFault::kNoClosingBracket: return RefusedAddress("the address's IPv6 host has no closing bracket");
      case WebAddressFault::kTextAfterBracket: return RefusedAddress("the address's host is followed by something else");
      case WebAddressFault::kNotIpv6: return RefusedAddress("the address's IPv6 host is not an IPv6 address");
      case WebAddressFault::kNoHost: return RefusedAddress("the address has no host");
      case WebAddressFault::kHost: return RefusedAddress("the address's host contains a character a host name cannot have");
      case WebAddressFault::kPort: return RefusedAddress("the address's port is not a number from 1 to 65535");
    }
  }
  // A fragment is not sent; the path and its query are.
  std::u16string_view rest = parsed.parts->rest;
  rest = rest.substr(0, rest.find(u'#'));
  WebSocketAddress address{.secure = parsed.parts->secure, .host = narrow(parsed.parts->host), .port = parsed.parts->port,
                           .path = rest.starts_with(u'/') ? narrow(rest) : "/" + narrow(rest)};
  return {std::move(address), {}};
}

}  // namespace quillet
