#include "networks/service_api.h"

#include <algorithm>

#include "common/catalog.h"
#include "common/codepage.h"
#include "common/json_lookup.h"
#include "common/utf8.h"
#include "delivery/base64.h"
#include "delivery/status_request.h"

namespace quillet {

ServiceApi ParseApi(std::u16string_view stored) {
  std::u16string lower(stored);
  for (char16_t& ch : lower)
    if (ch >= u'A' && ch <= u'Z') ch = static_cast<char16_t>(ch - u'A' + u'a');
  if (lower == u"mastodon") return ServiceApi::kMastodon;
  if (lower == u"journal") return ServiceApi::kJournal;
  if (lower == u"bluesky") return ServiceApi::kBluesky;
  if (lower == u"nostr") return ServiceApi::kNostr;
  return ServiceApi::kTwitter;
}

std::u16string ApiValue(ServiceApi api) {
  switch (api) {
    case ServiceApi::kMastodon:
      return u"mastodon";
    case ServiceApi::kJournal:
      return u"journal";
    case ServiceApi::kBluesky:
      return u"bluesky";
    case ServiceApi::kNostr:
      return u"nostr";
    default:
      return u"twitter";
  }
}

namespace {

std::string LowerAscii(std::u16string_view text) {
  std::string lower;
  for (char16_t ch : text) {
    if (ch >= u'A' && ch <= u'Z') ch = static_cast<char16_t>(ch - u'A' + u'a');
    if (ch > 0x7F) return {};
    lower.push_back(static_cast<char>(ch));
  }
  return lower;
}

}  // namespace

std::string UsableVisibility(std::u16string_view stored) {
  std::string value = LowerAscii(stored);
  return value == "public" || value == "unlisted" || value == "private" ? value : std::string();
}

std::string UsableLanguage(std::u16string_view stored) {
  std::string value = LowerAscii(stored);
  bool letters = std::all_of(value.begin(), value.end(), [](char ch) { return ch >= 'a' && ch <= 'z'; });
  return letters && (value.size() == 2 || value.size() == 3) ? value : std::string();
}

namespace service_requests {
namespace {

constexpr std::string_view kFormType = "application/x-www-form-urlencoded";

std::string Authorization(ServiceApi api, const Credentials& credentials) {
  if (api == ServiceApi::kMastodon && !credentials.token.empty()) {
    // Only visible ASCII goes into a header: a token pasted with a line break cannot add lines.
    std::string token;
    for (char ch : credentials.token)
      if (ch > 0x20 && ch < 0x7F) token.push_back(ch);
    return "Bearer " + token;
  }
  // In UTF-8, as servers decode them (RFC 7617); only the built-in service takes the code page's bytes.
  return "Basic " + base64::EncodeBytes(utf8::FromUtf16(credentials.userName + u":" + credentials.password));
}

}  // namespace

platform::HttpRequest Request(const ServerAddress& server, std::string method, std::string_view path) {
  platform::HttpRequest request;
  request.method = std::move(method);
  request.secure = server.secure;
  request.host = server.host;
  request.port = server.port;
  request.path = server.basePath + std::string(path);
  return request;
}

platform::HttpRequest StatusUpdate(const ServerAddress& server, ServiceApi api, const Credentials& credentials,
                                   std::u16string_view status, const PostOptions& options) {
  bool mastodon = api == ServiceApi::kMastodon;
  auto request = Request(server, "POST", mastodon ? "api/v1/statuses" : "statuses/update.xml");
  request.headers = {{"Authorization", Authorization(api, credentials)}, {"Content-Type", std::string(kFormType)}};
  if (!mastodon) {
    request.body = status_request::StatusBody(status);
    return request;
  }
  request.body = "status=" + status_request::FormEncode(status);
  // Only what the account chose: without them the body is what it always was.
  for (auto [name, value] : {std::pair{"visibility", &options.visibility}, std::pair{"language", &options.language}})
    if (!value->empty()) request.body += "&" + std::string(name) + "=" + status_request::FormEncode(Widen(*value));
  return request;
}

platform::HttpRequest VerifyCredentials(const ServerAddress& server, ServiceApi api, const Credentials& credentials) {
  auto request =
      Request(server, "GET",
              api == ServiceApi::kMastodon ? "api/v1/accounts/verify_credentials" : "account/verify_credentials.xml");
  request.headers = {{"Authorization", Authorization(api, credentials)}};
  return request;
}

platform::HttpRequest TextLimit(const ServerAddress& server, ServiceApi api) {
  return Request(server, "GET", api == ServiceApi::kMastodon ? "api/v1/instance" : "statusnet/config.json");
}

}  // namespace service_requests

namespace service_replies {
namespace {

std::string DecodeXmlText(std::string_view text) {
  static constexpr std::pair<std::string_view, char> kEntities[] = {
      {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    bool replaced = false;
    for (auto [entity, ch] : kEntities) {
      if (text.substr(i, entity.size()) == entity) {
        out.push_back(ch);
        i += entity.size();
        replaced = true;
        break;
      }
    }
    if (!replaced) out.push_back(text[i++]);
  }
  return out;
}

// The text of the first <tag>...</tag> element.
std::optional<std::string> XmlElementText(std::string_view body, std::string_view tag) {
  std::string open = "<" + std::string(tag) + ">", close = "</" + std::string(tag) + ">";
  std::size_t start = body.find(open);
  if (start == std::string_view::npos) return std::nullopt;
  start += open.size();
  std::size_t end = body.find(close, start);
  if (end == std::string_view::npos) return std::nullopt;
  return DecodeXmlText(body.substr(start, end - start));
}

bool IsPrintableName(std::string_view name) {
  return !name.empty() && name.size() <= 200 &&
         std::none_of(name.begin(), name.end(), [](char ch) { return static_cast<unsigned char>(ch) < 0x20; });
}

std::u16string Words(std::string_view ascii) { return utf8::ToUtf16(ascii); }

}  // namespace

std::optional<std::u16string> SignedInName(ServiceApi api, std::string_view body) {
  std::optional<std::string> name =
      api == ServiceApi::kMastodon ? json::Lookup(body, {"acct"}) : XmlElementText(body, "screen_name");
  if (!name && api == ServiceApi::kMastodon) name = json::Lookup(body, {"username"});
  if (!name || !IsPrintableName(*name)) return std::nullopt;
  return utf8::ToUtf16(*name);
}

std::string DefaultVisibility(std::string_view body) {
  std::optional<std::string> privacy = json::Lookup(body, {"source", "privacy"});
  if (!privacy || privacy->empty() || privacy->size() > 20 ||
      !std::all_of(privacy->begin(), privacy->end(), [](char ch) { return ch >= 'a' && ch <= 'z'; }))
    return {};
  return *privacy;
}

std::optional<int> TextLimit(ServiceApi api, std::string_view body) {
  auto value = api == ServiceApi::kMastodon ? json::Lookup(body, {"configuration", "statuses", "max_characters"})
                                            : json::Lookup(body, {"site", "textlimit"});
  if (!value || value->empty() || value->size() > 9) return std::nullopt;
  if (!std::all_of(value->begin(), value->end(), [](char ch) { return ch >= '0' && ch <= '9'; })) return std::nullopt;
  int limit = std::stoi(*value);
  if (limit <= 0) return std::nullopt;  // 0 means "no limit" to some servers: keep the one we have
  return std::min(limit, kLargestTextLimit);
}

std::u16string DescribeTest(const ServerAddress& server, ServiceApi api, bool usedToken,
                            const platform::HttpReply& reply) {
  std::u16string host = Words(server.host);
  bool mastodon = api == ServiceApi::kMastodon;
  switch (reply.outcome) {
    case platform::HttpOutcome::kReplied:
      break;
    case platform::HttpOutcome::kUnreachable:
      return FillIn(Translatable(u"No answer from %1: the name is unknown or the connection was refused."), {host});
    case platform::HttpOutcome::kTimedOut:
      return FillIn(Translatable(u"No answer from %1 within 30 seconds."), {host});
    case platform::HttpOutcome::kCertificateUntrusted:
      return FillIn(Translatable(u"The certificate of %1 is not trusted. Nothing was sent."), {host});
    case platform::HttpOutcome::kCertificateExpired:
      return FillIn(Translatable(u"The certificate of %1 has expired or is not yet valid. Nothing was sent."), {host});
    case platform::HttpOutcome::kCertificateWrongName:
      return FillIn(Translatable(u"The certificate of %1 is made out for another name. Nothing was sent."), {host});
    case platform::HttpOutcome::kSecureChannelFailed:
      return FillIn(Translatable(u"No secure connection to %1 could be made (its certificate may be untrusted, expired or "
                                 u"for another name)."),
                    {host});
    case platform::HttpOutcome::kUnreadable:
      return Translatable(u"The server answered, but not in HTTP.");
    case platform::HttpOutcome::kFailed:
      return Translatable(u"The test could not be made.");
  }
  int status = reply.status;
  if (status >= 200 && status < 300) {
    auto name = SignedInName(api, reply.body);
    if (!name)
      return mastodon ? Translatable(u"The server answered, but not as a Mastodon-compatible service would.")
                      : Translatable(u"The server answered, but not as a Twitter-compatible service would.");
    return FillIn(Translatable(u"Signed in as @%1."), {*name});
  }
  if (status == 401 || status == 403) {
    return FillIn(usedToken ? Translatable(u"The server refused the access token (%1).")
                            : Translatable(u"The server refused the user name or password (%1)."),
                  {Words(std::to_string(status))});
  }
  if (status == 404)
    return mastodon ? Translatable(u"This address does not answer as a Mastodon-compatible service (404).")
                    : Translatable(u"This address does not answer as a Twitter-compatible service (404).");
  if (status >= 300 && status < 400) {
    if (reply.location.empty())
      return Translatable(u"The server redirects to another address. Enter that address instead; Quillet does not follow it.");
    return FillIn(Translatable(u"The server redirects to %1. Enter that address instead; Quillet does not follow it."),
                  {utf8::ToUtf16(reply.location)});
  }
  return FillIn(Translatable(u"The server answered %1."), {Words(std::to_string(status))});
}

}  // namespace service_replies
}  // namespace quillet
