#include "networks/bluesky/bluesky_api.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "common/catalog.h"
#include "common/json_lookup.h"
#include "common/json_quote.h"
#include "common/utf8.h"
#include "networks/service_api.h"

namespace quillet::bluesky {
namespace {

constexpr std::string_view kTidAlphabet = "234567abcdefghijklmnopqrstuvwxyz";
constexpr std::string_view kJsonType = "application/json";
// Where an app password is made; looked up in the person's words where a reason naming it is shown.
constexpr std::u16string_view kAppPasswordPlace = Translatable(u"Bluesky: Settings, Privacy and security, App passwords");

std::u16string Words(std::string_view ascii) { return utf8::ToUtf16(ascii); }

platform::HttpRequest Request(const ServerAddress& server, std::string method, std::string_view nsid) {
  return service_requests::Request(server, std::move(method), "xrpc/" + std::string(nsid));
}

// Only visible ASCII goes into a header: a token that came back with a line break cannot add lines.
std::string Bearer(std::string_view token) {
  std::string out = "Bearer ";
  for (char ch : token)
    if (ch > 0x20 && ch < 0x7F) out.push_back(ch);
  return out;
}

std::string QueryEncode(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char ch : text) {
    auto byte = static_cast<unsigned char>(ch);
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
        byte == '-' || byte == '.' || byte == '_' || byte == '~') {
      out.push_back(ch);
    } else {
      out += {'%', kHex[byte >> 4], kHex[byte & 15]};
    }
  }
  return out;
}

// Unicode's White_Space: the no-break, typographic and ideographic spaces and the line and
// paragraph separators end an address as a blank does.
bool IsWhiteSpace(char32_t ch) {
  return (ch >= 0x09 && ch <= 0x0D) || ch == 0x20 || ch == 0x85 || ch == 0xA0 || ch == 0x1680 ||
         (ch >= 0x2000 && ch <= 0x200A) || ch == 0x2028 || ch == 0x2029 || ch == 0x202F || ch == 0x205F ||
         ch == 0x3000;
}

// Whether the last character of an address is the punctuation after it rather than a part of it:
// what ends a sentence or a quotation (ASCII, ideographic, fullwidth and halfwidth), or a closing
// bracket that the address does not open.
bool EndsSentence(std::u32string_view address) {
  static constexpr std::u32string_view kClosing =
      U".,;:!?'\"\u2019\u201D\u00BB\u203A\u2026\u3001\u3002\uFF01\uFF0C\uFF0E\uFF1A\uFF1B\uFF1F\uFF61\uFF64";
  static constexpr std::pair<char32_t, char32_t> kBrackets[] = {
      {U'(', U')'},           {U'[', U']'},           {U'\uFF08', U'\uFF09'}, {U'\uFF3B', U'\uFF3D'},
      {U'\u3008', U'\u3009'}, {U'\u300A', U'\u300B'}, {U'\u300C', U'\u300D'}, {U'\u300E', U'\u300F'},
      {U'\u3010', U'\u3011'}};
  char32_t last = address.back();
  if (kClosing.find(last) != std::u32string_view::npos) return true;
  for (auto [open, close] : kBrackets)
    if (last == close && std::count(address.begin(), address.end(), open) < std::count(address.begin(), address.end(), close))
      return true;
  return false;
}

// A value kept as one line of a record: no line breaks, not empty.
bool OneLine(std::string_view value) {
  return !value.empty() && value.find_first_of("\r\n") == std::string_view::npos;
}

std::string Message(std::string_view body) {
  std::string message = json::Lookup(body, {"message"}).value_or("");
  std::erase_if(message, [](char ch) { return static_cast<unsigned char>(ch) < 0x20; });
  return message;  // cut where it is kept (ServerWords)
}

}  // namespace

std::string MakeTid(std::int64_t microsSinceEpoch, unsigned clockId) {
  auto micros = static_cast<std::uint64_t>(std::max<std::int64_t>(microsSinceEpoch, 0)) & ((1ULL << 53) - 1);
  std::uint64_t value = (micros << 10) | (clockId & 0x3FF);
  std::string tid(13, '2');
  for (int i = 12; i >= 0; --i, value >>= 5) tid[static_cast<std::size_t>(i)] = kTidAlphabet[value & 31];
  return tid;
}

bool IsTid(std::string_view key) {
  if (key.size() != 13) return false;
  if (kTidAlphabet.find(key.front()) >= 8) return false;  // the top bit of the 64 is 0
  return std::all_of(key.begin(), key.end(), [](char ch) { return kTidAlphabet.find(ch) != std::string_view::npos; });
}

std::int64_t TidMicros(std::string_view tid) {
  std::uint64_t value = 0;
  for (char ch : tid) value = (value << 5) | (kTidAlphabet.find(ch) & 31);
  return static_cast<std::int64_t>(value >> 10);
}

std::string IsoTimeUtc(std::int64_t msSinceEpoch) {
  std::int64_t days = msSinceEpoch / 86'400'000, msOfDay = msSinceEpoch % 86'400'000;
  if (msOfDay < 0) {
    msOfDay += 86'400'000;
    --days;
  }
  // The civil date of a day count (Howard Hinnant's days_from_civil, inverted).
  std::int64_t z = days + 719468;
  std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  std::int64_t doe = z - era * 146097;
  std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  std::int64_t mp = (5 * doy + 2) / 153;
  std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
  std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
  std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  char text[32];
  auto two = [](char* at, std::int64_t value) {
    at[0] = static_cast<char>('0' + value / 10);
    at[1] = static_cast<char>('0' + value % 10);
  };
  std::int64_t seconds = msOfDay / 1000;
  // YYYY-MM-DDTHH:MM:SS.mmmZ
  std::string y = std::to_string(year);
  while (y.size() < 4) y.insert(y.begin(), '0');
  std::string out = y + "-00-00T00:00:00.000Z";
  std::size_t at = y.size();
  two(text, month);
  out[at + 1] = text[0], out[at + 2] = text[1];
  two(text, day);
  out[at + 4] = text[0], out[at + 5] = text[1];
  two(text, seconds / 3600);
  out[at + 7] = text[0], out[at + 8] = text[1];
  two(text, seconds / 60 % 60);
  out[at + 10] = text[0], out[at + 11] = text[1];
  two(text, seconds % 60);
  out[at + 13] = text[0], out[at + 14] = text[1];
  std::int64_t ms = msOfDay % 1000;
  out[at + 16] = static_cast<char>('0' + ms / 100);
  out[at + 17] = static_cast<char>('0' + ms / 10 % 10);
  out[at + 18] = static_cast<char>('0' + ms % 10);
  return out;
}

std::vector<LinkFacet> FindLinks(std::string_view text) {
  std::vector<LinkFacet> links;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t start = std::min(text.find("http://", at), text.find("https://", at));
    if (start == std::string_view::npos) break;
    std::size_t scheme = text.compare(start, 7, "http://") == 0 ? 7 : 8;
    bool wordStart = start == 0 || !std::isalnum(static_cast<unsigned char>(text[start - 1]));
    // The address's characters up to white space, and where each one's bytes begin.
    std::u32string characters;
    std::vector<std::size_t> begins;
    std::size_t end = start;
    while (end < text.size()) {
      std::size_t next = end;
      char32_t character = utf8::NextCodePoint(text, next);
      if (IsWhiteSpace(character)) break;
      characters.push_back(character);
      begins.push_back(end);
      end = next;
    }
    // Punctuation that ends a sentence, and a closing bracket that opens nowhere in the address
    // (the scheme is ASCII: as many characters as bytes).
    while (characters.size() > scheme && EndsSentence(characters)) {
      characters.pop_back();
      end = begins.back();
      begins.pop_back();
    }
    if (wordStart && end > start + scheme)
      links.push_back({.byteStart = start, .byteEnd = end, .uri = std::string(text.substr(start, end - start))});
    at = std::max(end, start + scheme);
  }
  return links;
}

platform::HttpRequest CreateSession(const ServerAddress& server, std::string_view identifier, std::string_view password) {
  auto request = Request(server, "POST", "com.atproto.server.createSession");
  request.headers = {{"Content-Type", std::string(kJsonType)}};
  request.body = "{\"identifier\":" + json::Quote(identifier) + ",\"password\":" + json::Quote(password) + "}";
  return request;
}

platform::HttpRequest RefreshSession(const ServerAddress& server, std::string_view refreshJwt) {
  auto request = Request(server, "POST", "com.atproto.server.refreshSession");
  request.headers = {{"Authorization", Bearer(refreshJwt)}};
  return request;
}

platform::HttpRequest GetSession(const ServerAddress& server, std::string_view accessJwt) {
  auto request = Request(server, "GET", "com.atproto.server.getSession");
  request.headers = {{"Authorization", Bearer(accessJwt)}};
  return request;
}

platform::HttpRequest PutPost(const ServerAddress& server, const Session& session, std::string_view tid,
                              std::string_view text, std::string_view language) {
  std::string record = "{\"$type\":\"app.bsky.feed.post\",\"text\":" + json::Quote(text) +
                       ",\"createdAt\":" + json::Quote(IsoTimeUtc(TidMicros(tid) / 1000));
  if (!language.empty()) record += ",\"langs\":[" + json::Quote(language) + "]";
  std::vector<LinkFacet> links = FindLinks(text);
  if (!links.empty()) {
    record += ",\"facets\":[";
    for (std::size_t i = 0; i < links.size(); ++i) {
      if (i > 0) record += ",";
      record += "{\"index\":{\"byteStart\":" + std::to_string(links[i].byteStart) +
                ",\"byteEnd\":" + std::to_string(links[i].byteEnd) +
                "},\"features\":[{\"$type\":\"app.bsky.richtext.facet#link\",\"uri\":" + json::Quote(links[i].uri) + "}]}";
    }
    record += "]";
  }
  record += "}";
  auto request = Request(server, "POST", "com.atproto.repo.putRecord");
  request.headers = {{"Authorization", Bearer(session.accessJwt)}, {"Content-Type", std::string(kJsonType)}};
  request.body = "{\"repo\":" + json::Quote(session.did) + ",\"collection\":\"app.bsky.feed.post\",\"rkey\":" +
                 json::Quote(tid) + ",\"record\":" + record + "}";
  return request;
}

platform::HttpRequest GetPost(const ServerAddress& server, std::string_view did, std::string_view tid) {
  auto request = Request(server, "GET", "com.atproto.repo.getRecord");
  request.path += "?repo=" + QueryEncode(did) + "&collection=app.bsky.feed.post&rkey=" + QueryEncode(tid);
  return request;
}

std::optional<Session> ReadSession(std::string_view body) {
  Session session;
  for (auto [field, value] : {std::pair{"did", &session.did}, std::pair{"handle", &session.handle},
                              std::pair{"accessJwt", &session.accessJwt}, std::pair{"refreshJwt", &session.refreshJwt}}) {
    auto found = json::Lookup(body, {field});
    if (!found || !OneLine(*found)) return std::nullopt;
    *value = std::move(*found);
  }
  return session;
}

std::optional<std::string> SignedInHandle(std::string_view body) {
  auto handle = json::Lookup(body, {"handle"});
  if (!handle || !OneLine(*handle) || handle->size() > 253) return std::nullopt;
  if (std::any_of(handle->begin(), handle->end(), [](char ch) { return static_cast<unsigned char>(ch) < 0x20; }))
    return std::nullopt;
  return handle;
}

std::string ErrorName(std::string_view body) {
  std::string name = json::Lookup(body, {"error"}).value_or("");
  bool plain = name.size() <= 64 && std::all_of(name.begin(), name.end(), [](char ch) {
                 return (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9');
               });
  return plain ? name : std::string();
}

bool AccessExpired(const platform::HttpReply& reply) {
  if (reply.outcome != platform::HttpOutcome::kReplied) return false;
  std::string error = ErrorName(reply.body);
  if (reply.status == 400) return error == "ExpiredToken" || error == "InvalidToken";
  return reply.status == 401 && error != "AuthFactorTokenRequired";
}

bool SignInAgain(const platform::HttpReply& reply) {
  return reply.outcome == platform::HttpOutcome::kReplied && (reply.status == 400 || reply.status == 401);
}

DeliveryOutcome Outcome(const platform::HttpReply& reply, std::string_view host, std::int64_t wallNowMs) {
  if (reply.outcome != platform::HttpOutcome::kReplied) return FromHttpReply(reply, host, wallNowMs);
  std::string error = ErrorName(reply.body);
  if (reply.status == 401 && error == "AuthFactorTokenRequired")
    return {Delivery::kPermanent,
            FillIn(Translatable(u"the password asks for a second factor: use an app password (%1)"), {kAppPasswordPlace})};
  if (reply.status == 401)
    return {Delivery::kPermanent, Translatable(u"the server refused the handle or app password; check them in the settings")};
  if (reply.status == 429 || error == "RateLimitExceeded") {
    int wait = RetryAfterSeconds(reply.retryAfter, wallNowMs);
    std::int64_t reset = 0;
    std::string_view value = reply.rateLimitReset;
    auto [end, failure] = std::from_chars(value.data(), value.data() + value.size(), reset);
    if (failure == std::errc{} && end == value.data() + value.size() && reset > wallNowMs / 1000)
      wait = static_cast<int>(std::min<std::int64_t>(reset - wallNowMs / 1000, 24 * 3600));
    return {Delivery::kTemporary, FillIn(Translatable(u"%1 asked to wait: too many requests (429)"), {Words(host)}), wait};
  }
  if (reply.status == 400) {
    std::string message = Message(reply.body);
    if (message.find("longer than") != std::string::npos || message.find("too long") != std::string::npos)
      return {Delivery::kPermanent, Translatable(u"the line is too long for Bluesky (300 characters, 3,000 bytes at most)")};
    if (error == "ExpiredToken" || error == "InvalidToken")
      return {Delivery::kTemporary, Translatable(u"the server did not take the session; Quillet will sign in again")};
    if (message.empty()) return {Delivery::kPermanent, Translatable(u"the server refused the line (400)")};
    return {Delivery::kPermanent, FillIn(Translatable(u"the server refused the line (400: %1)"), {ServerWords(message)})};
  }
  return FromStatus(reply.status, host, RetryAfterSeconds(reply.retryAfter, wallNowMs));
}

std::u16string DescribeTest(const ServerAddress& server, const platform::HttpReply& reply) {
  if (reply.outcome == platform::HttpOutcome::kReplied && reply.status / 100 == 2) {
    auto handle = SignedInHandle(reply.body);
    if (!handle) return Translatable(u"The server answered, but not as a Bluesky server would.");
    return FillIn(Translatable(u"Signed in as @%1. Lines may be up to 300 characters long."), {utf8::ToUtf16(*handle)});
  }
  if (reply.outcome == platform::HttpOutcome::kReplied) {
    std::string error = ErrorName(reply.body);
    if (reply.status == 401 && error == "AuthFactorTokenRequired")
      return FillIn(Translatable(u"This password asks for a second factor. Use an app password instead (%1)."),
                    {kAppPasswordPlace});
    if (reply.status == 401 || reply.status == 400 || reply.status == 403)
      return FillIn(Translatable(u"The server refused the handle or app password (%1). Make an app password in %2, and "
                                 u"enter it as the password."),
                    {Words(std::to_string(reply.status)), kAppPasswordPlace});
    if (reply.status == 404 || reply.status == 501)
      return FillIn(Translatable(u"This address does not answer as a Bluesky server (%1)."),
                    {Words(std::to_string(reply.status))});
  }
  // Everything else (no answer, certificates, redirects) is told as for any server.
  return service_replies::DescribeTest(server, ServiceApi::kMastodon, false, reply);
}

std::string SessionRecord(const Session& session, std::string_view server, std::string_view identifier) {
  std::string record = "Quillet session 1\n";
  for (std::string_view value : {server, identifier, std::string_view(session.did), std::string_view(session.handle),
                                 std::string_view(session.accessJwt), std::string_view(session.refreshJwt)})
    record.append(value).append("\n");
  return record;
}

std::optional<Session> ReadSessionRecord(std::string_view record, std::string_view server, std::string_view identifier) {
  std::vector<std::string_view> lines;
  for (std::size_t at = 0; at < record.size();) {
    std::size_t end = record.find('\n', at);
    if (end == std::string_view::npos) return std::nullopt;
    lines.push_back(record.substr(at, end - at));
    at = end + 1;
  }
  if (lines.size() != 7 || lines[0] != "Quillet session 1" || lines[1] != server || lines[2] != identifier)
    return std::nullopt;
  Session session{std::string(lines[3]), std::string(lines[4]), std::string(lines[5]), std::string(lines[6])};
  for (const std::string& value : {session.did, session.handle, session.accessJwt, session.refreshJwt})
    if (!OneLine(value)) return std::nullopt;
  return session;
}

}  // namespace quillet::bluesky
