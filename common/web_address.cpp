#include "common/web_address.h"

#include <algorithm>

namespace quillet {
namespace {

char16_t LowerCase(char16_t ch) { return ch >= u'A' && ch <= u'Z' ? static_cast<char16_t>(ch - u'A' + u'a') : ch; }

bool IsIpv6Character(char16_t ch) {
  return (ch >= u'0' && ch <= u'9') || (ch >= u'a' && ch <= u'f') || (ch >= u'A' && ch <= u'F') || ch == u':' ||
         ch == u'.';
}

ParsedWebAddress Fault(WebAddressFault fault) { return {std::nullopt, fault}; }

}  // namespace

ParsedWebAddress ParseWebAddress(std::u16string_view text, WebSchemes schemes,
                                 bool (*hostAllowed)(std::u16string_view host)) {
  std::size_t schemeEnd = text.find(u"://");
  if (schemeEnd == std::u16string_view::npos) return Fault(WebAddressFault::kScheme);
  std::u16string scheme(text.substr(0, schemeEnd));
  std::transform(scheme.begin(), scheme.end(), scheme.begin(), LowerCase);
  WebAddressParts parts;
  if (scheme == schemes.secure) {
    parts.secure = true;
    parts.port = 443;
  } else if (scheme == schemes.plain) {
    parts.port = 80;
  } else {
    return Fault(WebAddressFault::kScheme);
  }
  text.remove_prefix(schemeEnd + 3);

  std::size_t authorityEnd = text.find_first_of(u"/?#");
  std::u16string_view authority = text.substr(0, authorityEnd);
  parts.rest = authorityEnd == std::u16string_view::npos ? std::u16string_view{} : text.substr(authorityEnd);
  if (authority.find(u'@') != std::u16string_view::npos) return Fault(WebAddressFault::kUserName);

  std::u16string_view host = authority, port;
  bool portGiven = false;
  if (authority.starts_with(u'[')) {
    std::size_t close = authority.find(u']');
    if (close == std::u16string_view::npos) return Fault(WebAddressFault::kNoClosingBracket);
    host = authority.substr(1, close - 1);
    std::u16string_view after = authority.substr(close + 1);
    if (!after.empty() && !after.starts_with(u':')) return Fault(WebAddressFault::kTextAfterBracket);
    portGiven = !after.empty();
    if (portGiven) port = after.substr(1);
    if (host.size() < 2 || host.find(u':') == std::u16string_view::npos ||
        !std::all_of(host.begin(), host.end(), IsIpv6Character))
      return Fault(WebAddressFault::kNotIpv6);
  } else {
    // A host name never holds a ":": the first one begins the port.
    std::size_t colon = authority.find(u':');
    host = authority.substr(0, colon);
    portGiven = colon != std::u16string_view::npos;
    if (portGiven) port = authority.substr(colon + 1);
    if (host.empty()) return Fault(WebAddressFault::kNoHost);
    if (!hostAllowed(host)) return Fault(WebAddressFault::kHost);
  }
  parts.host.resize(host.size());
  std::transform(host.begin(), host.end(), parts.host.begin(), LowerCase);

  if (portGiven) {
    long value = 0;
    bool digits = !port.empty() && port.size() <= 5 &&
                  std::all_of(port.begin(), port.end(), [](char16_t ch) { return ch >= u'0' && ch <= u'9'; });
    if (digits)
      for (char16_t ch : port) value = value * 10 + (ch - u'0');
    if (!digits || value < 1 || value > 65535) return Fault(WebAddressFault::kPort);
    parts.port = static_cast<std::uint16_t>(value);
  }
  return {std::move(parts), {}};
}

}  // namespace quillet
