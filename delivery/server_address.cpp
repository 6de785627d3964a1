#include "delivery/server_address.h"

#include <algorithm>

#include "common/catalog.h"

namespace quillet {
namespace {

bool IsAlnum(char16_t ch) {
  return (ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z') || (ch >= u'0' && ch <= u'9');
}
bool IsHex(char16_t ch) {
  return (ch >= u'0' && ch <= u'9') || (ch >= u'a' && ch <= u'f') || (ch >= u'A' && ch <= u'F');
}

// Characters a path may hold as they are (unreserved, sub-delimiters, ":", "@", "/", and "%"
// followed by two hex digits, checked separately).
bool IsPathChar(char16_t ch) {
  return IsAlnum(ch) || std::u16string_view(u"-._~!$&'()*+,;=:@/%").find(ch) != std::u16string_view::npos;
}

char Lower(char16_t ch) { return static_cast<char>(ch >= u'A' && ch <= u'Z' ? ch - u'A' + u'a' : ch); }

std::u16string_view Trim(std::u16string_view text) {
  while (!text.empty() && (text.front() == u' ' || text.front() == u'\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == u' ' || text.back() == u'\t')) text.remove_suffix(1);
  return text;
}

ParsedServer Refuse(std::u16string problem) { return {std::nullopt, std::move(problem)}; }

bool ValidHostName(std::u16string_view host) {
  if (host.empty() || host.size() > 253) return false;
  std::size_t labelLength = 0;
  for (std::size_t i = 0; i < host.size(); ++i) {
    char16_t ch = host[i];
    if (ch == u'.') {
      if (labelLength == 0) return false;
      labelLength = 0;
    } else if (IsAlnum(ch) || ch == u'-' || ch == u'_') {
      if (++labelLength > 63) return false;
    } else {
      return false;
    }
  }
  return true;
}

bool ValidIpv6(std::u16string_view host) {
  if (host.size() < 2) return false;
  return std::all_of(host.begin(), host.end(), [](char16_t ch) { return IsHex(ch) || ch == u':' || ch == u'.'; }) &&
         host.find(u':') != std::u16string_view::npos;
}

}  // namespace

std::string ServerAddress::HostHeader() const {
  std::string text = host.find(':') != std::string::npos ? "[" + host + "]" : host;
  if (port != (secure ? 443 : 80)) text += ":" + std::to_string(port);
  return text;
}

std::string ServerAddress::Url(std::string_view path) const {
  return std::string(secure ? "https://" : "http://") + HostHeader() + basePath + std::string(path);
}

ParsedServer ParseServer(std::u16string_view typed) {
  std::u16string_view text = Trim(typed);
  constexpr std::u16string_view kSchemeHelp = Translatable(u"The server address must begin with https:// (or http://).");
  std::size_t schemeEnd = text.find(u"://");
  if (schemeEnd == std::u16string_view::npos) return Refuse(std::u16string(kSchemeHelp));
  std::string scheme;
  for (char16_t ch : text.substr(0, schemeEnd)) scheme.push_back(Lower(ch));
  ServerAddress address;
  if (scheme == "https") {
    address.secure = true;
    address.port = 443;
  } else if (scheme == "http") {
    address.port = 80;
  } else {
    return Refuse(std::u16string(kSchemeHelp));
  }
  text.remove_prefix(schemeEnd + 3);

  std::size_t authorityEnd = text.find_first_of(u"/?#");
  std::u16string_view authority = text.substr(0, authorityEnd);
  std::u16string_view rest = authorityEnd == std::u16string_view::npos ? u"" : text.substr(authorityEnd);
  if (authority.find(u'@') != std::u16string_view::npos)
    return Refuse(Translatable(u"Leave the user name out of the server address; Quillet sends it itself."));

  std::u16string_view host, port;
  bool hasPort = false;
  if (!authority.empty() && authority.front() == u'[') {
    std::size_t close = authority.find(u']');
    if (close == std::u16string_view::npos) return Refuse(Translatable(u"The server address has no closing \"]\"."));
    host = authority.substr(1, close - 1);
    std::u16string_view after = authority.substr(close + 1);
    if (!after.empty() && after.front() != u':') return Refuse(Translatable(u"The server address has text after \"]\"."));
    hasPort = !after.empty();
    if (hasPort) port = after.substr(1);
    if (!ValidIpv6(host)) return Refuse(Translatable(u"The server address has no valid host."));
  } else {
    std::size_t colon = authority.rfind(u':');
    host = authority.substr(0, colon);
    hasPort = colon != std::u16string_view::npos;
    if (hasPort) port = authority.substr(colon + 1);
    if (host.empty()) return Refuse(Translatable(u"The server address has no host name."));
    if (!ValidHostName(host))
      return Refuse(
          Translatable(u"The host name may hold only letters a to z, digits, \"-\" and \".\" (use the xn-- form of "
          u"international names)."));
  }
  for (char16_t ch : host) address.host.push_back(Lower(ch));

  if (hasPort) {
    long value = 0;
    bool digits = !port.empty() && port.size() <= 5 &&
                  std::all_of(port.begin(), port.end(), [](char16_t ch) { return ch >= u'0' && ch <= u'9'; });
    if (digits)
      for (char16_t ch : port) value = value * 10 + (ch - u'0');
    if (!digits || value < 1 || value > 65535) return Refuse(Translatable(u"The port must be a number from 1 to 65535."));
    address.port = static_cast<std::uint16_t>(value);
  }

  if (!rest.empty() && rest.front() != u'/')
    return Refuse(Translatable(u"The server address may not have a query (\"?\") or a fragment (\"#\")."));
  for (std::size_t i = 0; i < rest.size(); ++i) {
    char16_t ch = rest[i];
    if (!IsPathChar(ch)) {
      if (ch == u'?' || ch == u'#')
        return Refuse(Translatable(u"The server address may not have a query (\"?\") or a fragment (\"#\")."));
      return Refuse(Translatable(u"The server address may not hold blanks or characters outside a to z, digits and - . _ ~ / :"));
    }
    if (ch == u'%' && (i + 2 >= rest.size() || !IsHex(rest[i + 1]) || !IsHex(rest[i + 2])))
      return Refuse(Translatable(u"A \"%\" in the server address must be followed by two hex digits."));
  }
  address.basePath = rest.empty() ? "/" : std::string(rest.begin(), rest.end());  // plain ASCII, checked above
  if (address.basePath.back() != '/') address.basePath.push_back('/');
  return {std::move(address), {}};
}

}  // namespace quillet
