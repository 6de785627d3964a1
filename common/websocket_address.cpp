#include "common/websocket_address.h"

#include <algorithm>
#include <charconv>

namespace quillet {
namespace {

ParsedWebSocketAddress RefusedAddress(std::string why) { return {std::nullopt, std::move(why)}; }

char LowerCaseLetter(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
           return LowerCaseLetter(a) == LowerCaseLetter(b);
         });
}

}  // namespace

ParsedWebSocketAddress ParseWebSocketAddress(std::string_view url) {
  if (std::any_of(url.begin(), url.end(), [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == 0x7f; }))
    return RefusedAddress("the address contains a blank or a control character");
  WebSocketAddress address;
  if (StartsWithIgnoringCase(url, "wss://")) {
    address.secure = true;
    url.remove_prefix(6);
  } else if (StartsWithIgnoringCase(url, "ws://")) {
    url.remove_prefix(5);
  } else {
    return RefusedAddress("the address does not begin with wss:// or ws://");
  }
  url = url.substr(0, url.find('#'));
  std::size_t authorityEnd = std::min(url.find('/'), url.find('?'));
  std::string_view authority = url.substr(0, authorityEnd);
  std::string_view rest = authorityEnd == std::string_view::npos ? std::string_view{} : url.substr(authorityEnd);
  if (authority.find('@') != std::string_view::npos) return RefusedAddress("the address contains a user name");

  std::string_view host = authority, port;
  bool portGiven = false;
  if (authority.starts_with('[')) {
    std::size_t close = authority.find(']');
    if (close == std::string_view::npos) return RefusedAddress("the address's IPv6 host has no closing bracket");
    host = authority.substr(1, close - 1);
    std::string_view after = authority.substr(close + 1);
    if (!after.empty() && !after.starts_with(':'))
      return RefusedAddress("the address's host is followed by something else");
    portGiven = !after.empty();
    if (portGiven) port = after.substr(1);
    if (host.find_first_not_of("0123456789abcdefABCDEF:.") != std::string_view::npos)
      return RefusedAddress("the address's IPv6 host is not an IPv6 address");
  } else if (std::size_t colon = authority.find(':'); colon != std::string_view::npos) {
    host = authority.substr(0, colon);
    port = authority.substr(colon + 1);
    portGiven = true;
  }
  if (host.empty()) return RefusedAddress("the address has no host");
  if (host.find_first_of("[]\"<>\\^`{|}%") != std::string_view::npos)
    return RefusedAddress("the address's host contains a character a host name cannot have");
  address.host.resize(host.size());
  std::transform(host.begin(), host.end(), address.host.begin(), LowerCaseLetter);

  address.port = address.secure ? 443 : 80;
  if (portGiven) {
    unsigned value = 0;
    auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (port.empty() || error != std::errc{} || end != port.data() + port.size() || value == 0 || value > 65535)
      return RefusedAddress("the address's port is not a number from 1 to 65535");
    address.port = static_cast<std::uint16_t>(value);
  }
  address.path = rest.starts_with('/') ? std::string(rest) : "/" + std::string(rest);
  return {std::move(address), {}};
}

}  // namespace quillet
