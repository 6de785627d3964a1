#include "delivery/read_back.h"

#include <charconv>

#include "common/json_lookup.h"
#include "common/utf8.h"
#include "delivery/status_request.h"

namespace quillet::read_back {
namespace {

bool IsBlank(char16_t ch) { return ch == u' ' || ch == u'\t' || ch == u'\r' || ch == u'\n' || ch == u'\u00A0'; }

bool IsHostCharacter(char16_t ch) {
  return (ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z') || (ch >= u'0' && ch <= u'9') || ch == u'-' ||
         ch == u'.';
}

char Lower(char ch) { return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch; }

// The character a reference such as "amp", "#39" or "#x1F600" stands for; nothing for one not known.
std::optional<char32_t> Referenced(std::string_view name) {
  if (name.starts_with('#')) {
    bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
    std::string_view digits = name.substr(hex ? 2 : 1);
    std::uint32_t code = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
    if (error != std::errc{} || end != digits.data() + digits.size() || digits.empty() || code == 0 ||
        code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
      return std::nullopt;
    return static_cast<char32_t>(code);
  }
  struct Named {
    std::string_view name;
    char32_t ch;
  };
  static constexpr Named kNamed[] = {{"amp", U'&'}, {"lt", U'<'},  {"gt", U'>'},
                                     {"quot", U'"'}, {"apos", U'\''}, {"nbsp", U'\u00A0'}};
  for (const Named& named : kNamed)
    if (named.name == name) return named.ch;
  return std::nullopt;
}

// Appends `text` with its character references decoded; one that is not known stays as written.
void AppendDecoded(std::string& out, std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    std::size_t semicolon = text[at] == '&' ? text.find(';', at) : std::string_view::npos;
    if (semicolon != std::string_view::npos && semicolon - at <= 10) {
      if (auto ch = Referenced(text.substr(at + 1, semicolon - at - 1))) {
        utf8::Append(out, *ch);
        at = semicolon + 1;
        continue;
      }
    }
    out += text[at++];
  }
}

// The tag's name in lower case, without "/" ("br", "p", "a").
std::string TagName(std::string_view tag) {
  std::string name;
  std::size_t at = tag.starts_with('/') ? 1 : 0;
  while (at < tag.size() && tag[at] != ' ' && tag[at] != '/' && tag[at] != '\t' && tag[at] != '\n')
    name += Lower(tag[at++]);
  return name;
}

// "@name@host" as a server shows it: "@name".
std::u16string WithoutMentionHosts(std::u16string_view text) {
  std::u16string out;
  std::size_t at = 0;
  while (at < text.size()) {
    bool mention = text[at] == u'@' && (at == 0 || IsBlank(text[at - 1]) || text[at - 1] == u'(');
    out += text[at++];
    if (!mention) continue;
    while (at < text.size() && !IsBlank(text[at]) && text[at] != u'@') out += text[at++];  // the name
    if (at + 1 < text.size() && text[at] == u'@' && IsHostCharacter(text[at + 1])) {
      std::size_t end = at + 1;
      while (end < text.size() && IsHostCharacter(text[end])) ++end;
      if (text[end - 1] == u'.') --end;  // a full stop after the host ends the sentence
      at = end;  // the host, left out
    }
  }
  return out;
}

// Blanks and line breaks evened out to single blanks, none at either end.
std::u16string Evened(std::u16string_view text) {
  std::u16string out;
  for (char16_t ch : text) {
    if (IsBlank(ch)) {
      if (!out.empty() && out.back() != u' ') out += u' ';
    } else {
      out += ch;
    }
  }
  if (!out.empty() && out.back() == u' ') out.pop_back();
  return out;
}

// The text of each <text> element of a Twitter-compatible timeline.
std::vector<std::u16string> XmlTexts(std::string_view body) {
  std::vector<std::u16string> texts;
  for (std::size_t at = body.find("<text>"); at != std::string_view::npos; at = body.find("<text>", at)) {
    at += 6;
    std::size_t end = body.find("</text>", at);
    if (end == std::string_view::npos) break;
    std::string decoded;
    AppendDecoded(decoded, body.substr(at, end - at));
    texts.push_back(utf8::ToUtf16(decoded));
    at = end;
  }
  return texts;
}

}  // namespace

platform::HttpRequest LatestPosts(const ServerAddress& server, ServiceApi api, const Credentials& credentials,
                                  std::string_view accountId) {
  platform::HttpRequest request = service_requests::VerifyCredentials(server, api, credentials);
  std::string count = std::to_string(kLatestPosts);
  request.path = server.basePath + (api == ServiceApi::kMastodon
                                        ? "api/v1/accounts/" + status_request::FormEncode(utf8::ToUtf16(accountId)) +
                                              "/statuses?limit=" + count
                                        : "statuses/user_timeline.xml?count=" + count);
  return request;
}

std::optional<std::string> AccountId(std::string_view body) {
  auto id = json::Lookup(body, {"id"});
  if (!id || id->empty()) return std::nullopt;
  return id;
}

std::optional<std::vector<std::u16string>> PostedTexts(ServiceApi api, std::string_view body) {
  if (api != ServiceApi::kMastodon) {
    if (body.find("<statuses") == std::string_view::npos) return std::nullopt;
    return XmlTexts(body);
  }
  std::size_t first = body.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos || body[first] != '[') return std::nullopt;
  std::vector<std::u16string> texts;
  for (const std::string& content : json::LookupEach(body, {"content"})) texts.push_back(PlainTextOfHtml(content));
  return texts;
}

std::u16string PlainTextOfHtml(std::string_view html) {
  std::string text;
  for (std::size_t at = 0; at < html.size();) {
    if (html[at] != '<') {
      std::size_t next = html.find('<', at);
      AppendDecoded(text, html.substr(at, next == std::string_view::npos ? std::string_view::npos : next - at));
      at = next == std::string_view::npos ? html.size() : next;
      continue;
    }
    std::size_t close = html.find('>', at);
    if (close == std::string_view::npos) break;  // a tag that never ends shows nothing
    std::string_view tag = html.substr(at + 1, close - at - 1);
    std::string name = TagName(tag);
    if (name == "br") text += '\n';
    if (name == "p" && tag.starts_with('/')) text += "\n\n";
    at = close + 1;
  }
  return utf8::ToUtf16(text);
}

bool SameText(std::u16string_view posted, std::u16string_view line) {
  return Evened(WithoutMentionHosts(posted)) == Evened(WithoutMentionHosts(line));
}

}  // namespace quillet::read_back
