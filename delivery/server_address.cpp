#include "delivery/server_address.h"

#include <algorithm>

#include "common/catalog.h"
#include "common/web_address.h"

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
  ParsedWebAddress parsed = ParseWebAddress(Trim(typed), {u"https", u"http"}, ValidHostName);
  if (!parsed.parts) {
    switch (parsed.fault) {
      case WebAddressFault::kScheme:
        return Refuse(Translatable(u"The server address must begin with https:// (or http://)."));
      case WebAddressFault::kUserName:
        return Refuse(Translatable(u"Leave the user name out of the server address; Quillet sends it itself."));
      case WebAddressFault::kNoClosingBracket:
        return Refuse(Translatable(u"The server address has no closing \"]\"."));
      case WebAddressFault::kTextAfterBracket:
        return Refuse(Translatable(u"The server address has text after \"]\"."));
      case WebAddressFault::kNotIpv6:
        return Refuse(Translatable(u"The server address has no valid host."));
      case WebAddressFault::kNoHost:
        return Refuse(Translatable(u"The server address has no host name."));
      case WebAddressFault::kHost:
        return Refuse(
            Translatable(u"The host name may hold only letters a to z, digits, \"-\" and \".\" (use the xn-- form of "
            u"international names)."));
      case WebAddressFault::kPort:
        return Refuse(Translatable(u"The port must be a number from 1 to 65535."));
    }
  }
  ServerAddress address{.secure = parsed.parts->secure,
                        .host = std::string(parsed.parts->host.begin(), parsed.parts->host.end()),  // plain ASCII
                        .port = parsed.parts->port};
  std::u16string_view rest = parsed.parts->rest;
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
