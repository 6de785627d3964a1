#include "networks/read_back.h"

#include <charconv>

#include "common/catalog.h"
#include "common/civil_date.h"
#include "common/codepage.h"
#include "common/json_lookup.h"
#include "common/utf8.h"
#include "delivery/status_request.h"

namespace quillet::read_back {
namespace {

bool IsBlank(char16_t ch) {
  return ch == u' ' || ch == u'\t' || ch == u'\r' || ch == u'\n' || ch == u'\u00A0' || ch == u'\u3000' ||
         (ch >= u'\u2000' && ch <= u'\u200A') || ch == u'\u2028' || ch == u'\u2029' || ch == u'\u202F';
}
bool IsAsciiWord(char16_t ch) {
  return (ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z') || (ch >= u'0' && ch <= u'9') || ch == u'_';
}
// A letter or digit of any script, as far as a comparison needs: ASCII ones, and every other
// character of the basic plane but punctuation, symbols, blanks and the marks emoji are made of.
bool IsLetterOrDigit(char16_t ch) {
  if (ch < 0x80) return IsAsciiWord(ch) && ch != u'_';
  if (ch <= 0xBF || ch == 0xD7 || ch == 0xF7) return false;       // Latin-1's punctuation and signs
  if (ch >= 0x2000 && ch <= 0x2BFF) return false;                 // punctuation, arrows, symbols, dingbats
  if (ch >= 0x3000 && ch <= 0x303F) return false;                 // CJK punctuation
  if (ch >= 0xD800 && ch <= 0xDFFF) return false;                 // emoji and others beyond the plane
  if (ch >= 0xFE00 && ch <= 0xFE0F) return false;                 // variation selectors
  if ((ch >= 0xFF00 && ch <= 0xFF0F) || (ch >= 0xFF1A && ch <= 0xFF20)) return false;  // fullwidth punctuation
  return true;
}
// A character a mention's "@" may not follow: a letter, digit or "_" of a word, or "/" of a link.
bool MentionCannotFollow(char16_t ch) { return ch == u'/' || IsAsciiWord(ch) || (ch >= 0x80 && IsLetterOrDigit(ch)); }
bool IsHostCharacter(char16_t ch) {
  return (ch >= u'a' && ch <= u'z') || (ch >= u'A' && ch <= u'Z') || (ch >= u'0' && ch <= u'9') || ch == u'-' ||
         ch == u'.';
}
char16_t Lower(char16_t ch) { return ch >= u'A' && ch <= u'Z' ? static_cast<char16_t>(ch - u'A' + u'a') : ch; }

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

// A mention in `text` at `at`: "@name" or "@name@host".
struct Mention {
  std::size_t end = 0;  // just past it
  std::u16string name;  // in lower case
  std::u16string host;  // in lower case; empty when none is written
};
std::optional<Mention> MentionAt(std::u16string_view text, std::size_t at) {
  if (text[at] != u'@' || (at > 0 && MentionCannotFollow(text[at - 1]))) return std::nullopt;
  Mention mention;
  std::size_t end = at + 1;
  while (end < text.size() && (IsAsciiWord(text[end]) ||
                               ((text[end] == u'.' || text[end] == u'-') && end + 1 < text.size() &&
                                IsAsciiWord(text[end + 1]))))
    mention.name += Lower(text[end++]);
  if (mention.name.empty()) return std::nullopt;
  if (end + 1 < text.size() && text[end] == u'@' && IsHostCharacter(text[end + 1])) {
    std::size_t hostEnd = end + 1;
    while (hostEnd < text.size() && IsHostCharacter(text[hostEnd])) ++hostEnd;
    while (text[hostEnd - 1] == u'.' || text[hostEnd - 1] == u'-') --hostEnd;  // a full stop ends the sentence
    for (std::size_t i = end + 1; i < hostEnd; ++i) mention.host += Lower(text[i]);
    end = hostEnd;
  }
  mention.end = end;
  return mention;
}

// The text with each mention written out in full, "@name@host" (`ownHost` when none is written),
// or (`ownHost` empty) with every mention's host left out.
std::u16string WithMentions(std::u16string_view text, std::u16string_view ownHost) {
  std::u16string out;
  for (std::size_t at = 0; at < text.size();) {
    if (auto mention = MentionAt(text, at)) {
      out += u"@" + mention->name;
      if (!ownHost.empty()) out += u"@" + (mention->host.empty() ? std::u16string(ownHost) : mention->host);
      at = mention->end;
    } else {
      out += text[at++];
    }
  }
  return out;
}

// What is left to compare when rendering is set aside: the letters and digits, in lower case.
std::u16string Words(std::u16string_view text) {
  std::u16string out;
  for (char16_t ch : WithMentions(text, u""))
    if (IsLetterOrDigit(ch)) out += Lower(ch);
  return out;
}

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
std::string Decoded(std::string_view text) {
  std::string out;
  AppendDecoded(out, text);
  return out;
}

// The tag's name in lower case, without "/" ("br", "p", "a").
std::string TagName(std::string_view tag) {
  std::string name;
  std::size_t at = tag.starts_with('/') ? 1 : 0;
  while (at < tag.size() && tag[at] != ' ' && tag[at] != '/' && tag[at] != '\t' && tag[at] != '\n')
    name += static_cast<char>(Lower(static_cast<char16_t>(tag[at++])));
  return name;
}

// An attribute's value in a tag (name="value" or name='value'), decoded; empty when absent.
std::string Attribute(std::string_view tag, std::string_view name) {
  for (std::size_t at = tag.find(name); at != std::string_view::npos; at = tag.find(name, at + 1)) {
    bool starts = at > 0 && (tag[at - 1] == ' ' || tag[at - 1] == '\t' || tag[at - 1] == '\n');
    std::size_t equals = at + name.size();
    if (!starts || equals + 1 >= tag.size() || tag[equals] != '=' || (tag[equals + 1] != '"' && tag[equals + 1] != '\''))
      continue;
    std::size_t close = tag.find(tag[equals + 1], equals + 2);
    if (close == std::string_view::npos) return {};
    return Decoded(tag.substr(equals + 2, close - equals - 2));
  }
  return {};
}

// The host of a link like "https://other.example/@bob".
std::string LinkHost(std::string_view link) {
  std::size_t start = link.find("://");
  if (start == std::string_view::npos) return {};
  start += 3;
  std::size_t end = link.find_first_of(":/?#", start);
  return std::string(link.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
}

bool HasClass(std::string_view tag, std::string_view wanted) {
  std::string classes = " " + Attribute(tag, "class") + " ";
  return classes.find(" " + std::string(wanted) + " ") != std::string::npos;
}

// The text of the first element so named in `xml`, decoded; nothing when there is none.
std::optional<std::string> ElementText(std::string_view xml, std::string_view name) {
  std::string open = "<" + std::string(name) + ">", close = "</" + std::string(name) + ">";
  std::size_t at = xml.find(open);
  if (at == std::string_view::npos) return std::nullopt;
  at += open.size();
  std::size_t end = xml.find(close, at);
  if (end == std::string_view::npos) return std::nullopt;
  return Decoded(xml.substr(at, end - at));
}

// The statuses of a Twitter-compatible timeline. A repeat holds the repeated post in a
// <retweeted_status> of its own: the repeat is not the account's own, and the post inside is
// someone else's.
std::vector<Post> XmlPosts(std::string_view body) {
  std::vector<Post> posts;
  for (std::size_t at = body.find("<status>"); at != std::string_view::npos; at = body.find("<status>", at)) {
    at += 8;
    std::size_t end = body.find("</status>", at);
    if (end == std::string_view::npos) break;
    std::string status(body.substr(at, end - at));
    at = end;
    Post post;
    std::size_t repeated = status.find("<retweeted_status>");
    if (repeated != std::string::npos) {
      post.own = false;
      std::size_t repeatedEnd = status.find("</retweeted_status>", repeated);
      status.erase(repeated, repeatedEnd == std::string::npos ? std::string::npos : repeatedEnd + 19 - repeated);
    }
    post.text = utf8::ToUtf16(ElementText(status, "text").value_or(""));
    if (auto created = ElementText(status, "created_at")) post.createdMs = PostTimeMs(*created);
    posts.push_back(std::move(post));
  }
  return posts;
}

// A fixed number of digits at `at`; advances past them.
std::optional<int> Digits(std::string_view text, std::size_t& at, std::size_t count) {
  if (at + count > text.size()) return std::nullopt;
  int value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    char ch = text[at + i];
    if (ch < '0' || ch > '9') return std::nullopt;
    value = value * 10 + (ch - '0');
  }
  at += count;
  return value;
}
bool Expect(std::string_view text, std::size_t& at, char ch) {
  if (at >= text.size() || text[at] != ch) return false;
  ++at;
  return true;
}
// "+0100", "+01:00" or "Z" at `at`, as minutes east of UTC.
std::optional<int> Offset(std::string_view text, std::size_t& at) {
  if (at < text.size() && text[at] == 'Z') return ++at, 0;
  if (at >= text.size() || (text[at] != '+' && text[at] != '-')) return std::nullopt;
  int sign = text[at++] == '-' ? -1 : 1;
  auto hours = Digits(text, at, 2);
  if (at < text.size() && text[at] == ':') ++at;
  auto minutes = Digits(text, at, 2);
  if (!hours || !minutes) return std::nullopt;
  return sign * (*hours * 60 + *minutes);
}
std::optional<std::int64_t> Moment(int year, int month, int day, int hour, int minute, int second, int millis,
                                   int offsetMinutes) {
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) return std::nullopt;
  std::int64_t seconds = DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
  return (seconds - offsetMinutes * 60LL) * 1000 + millis;
}

}  // namespace

platform::HttpRequest LatestPosts(const ServerAddress& server, ServiceApi api, const Credentials& credentials,
                                  std::string_view accountId) {
  platform::HttpRequest request = service_requests::VerifyCredentials(server, api, credentials);
  std::string count = std::to_string(kLatestPosts);
  request.path = server.basePath + (api == ServiceApi::kMastodon
                                        ? "api/v1/accounts/" + status_request::FormEncode(utf8::ToUtf16(accountId)) +
                                              "/statuses?exclude_reblogs=true&limit=" + count
                                        : "statuses/user_timeline.xml?count=" + count);
  return request;
}

std::optional<std::string> AccountId(std::string_view body) {
  auto id = json::Lookup(body, {"id"});
  if (!id || id->empty()) return std::nullopt;
  return id;
}

std::optional<std::vector<Post>> Posts(ServiceApi api, std::string_view body) {
  if (api != ServiceApi::kMastodon) {
    if (body.find("<statuses") == std::string_view::npos) return std::nullopt;
    return XmlPosts(body);
  }
  auto elements = json::Elements(body);
  if (!elements) return std::nullopt;
  std::vector<Post> posts;
  for (std::string_view element : *elements) {
    Post post;
    post.text = PlainTextOfHtml(json::Lookup(element, {"content"}).value_or(""));
    if (auto created = json::Lookup(element, {"created_at"})) post.createdMs = PostTimeMs(*created);
    post.own = !json::Lookup(element, {"reblog", "id"}).has_value();
    posts.push_back(std::move(post));
  }
  return posts;
}

std::u16string PlainTextOfHtml(std::string_view html) {
  std::string text;
  std::size_t mentionStart = std::string::npos;  // where the text of a mention's link began; npos: outside one
  std::string mentionHost;
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
    if (name == "a" && !tag.starts_with('/') && HasClass(tag, "mention") && !HasClass(tag, "hashtag")) {
      mentionStart = text.size();
      mentionHost = LinkHost(Attribute(tag, "href"));
    } else if (name == "a" && tag.starts_with('/') && mentionStart != std::string::npos) {
      std::string_view shown = std::string_view(text).substr(mentionStart);
      if (shown.starts_with('@') && shown.find('@', 1) == std::string_view::npos && !mentionHost.empty())
        text += "@" + mentionHost;
      mentionStart = std::string::npos;
    }
    at = close + 1;
  }
  return utf8::ToUtf16(text);
}

Likeness Compare(std::u16string_view posted, std::u16string_view line, std::string_view ownHost) {
  std::u16string host = Widen(std::string(ownHost));
  for (char16_t& ch : host) ch = Lower(ch);
  if (WithMentions(Evened(posted), host) == WithMentions(Evened(line), host)) return Likeness::kSame;
  if (Words(posted) == Words(line)) return Likeness::kRendered;
  return Likeness::kDifferent;
}

Finding FindLine(const std::vector<Post>& posts, std::u16string_view line, std::int64_t firstAttemptMs,
                 std::string_view ownHost) {
  int same = 0, rendered = 0, undated = 0;
  for (const Post& post : posts) {
    // A post's time may be cut to the second: made a whole second before the first request, it
    // was made before it for certain.
    if (!post.own || (post.createdMs && *post.createdMs + 1000 <= firstAttemptMs)) continue;
    Likeness likeness = Compare(post.text, line, ownHost);
    if (likeness == Likeness::kDifferent) continue;
    if (!post.createdMs) {
      ++undated;
    } else if (likeness == Likeness::kSame) {
      ++same;
    } else {
      ++rendered;
    }
  }
  if (same == 1) return {Finding::kFound, {}};
  if (same > 1) return {Finding::kUnsure, Translatable(u"the account has two posts since then that read the same")};
  if (rendered > 0)
    return {Finding::kUnsure, Translatable(u"a post of the account since then reads the same but for how the server shows it")};
  if (undated > 0) return {Finding::kUnsure, Translatable(u"a post of the account reads the same, but the server does not say when it was made")};
  return {Finding::kNotFound, {}};
}

std::optional<std::int64_t> PostTimeMs(std::string_view text) {
  std::size_t at = 0;
  if (text.size() >= 19 && text[4] == '-') {  // 2026-12-08T14:30:05.123Z
    auto year = Digits(text, at, 4);
    bool ok = Expect(text, at, '-');
    auto month = Digits(text, at, 2);
    ok = ok && Expect(text, at, '-');
    auto day = Digits(text, at, 2);
    ok = ok && (Expect(text, at, 'T') || Expect(text, at, ' '));
    auto hour = Digits(text, at, 2);
    ok = ok && Expect(text, at, ':');
    auto minute = Digits(text, at, 2);
    ok = ok && Expect(text, at, ':');
    auto second = Digits(text, at, 2);
    int millis = 0;
    if (at < text.size() && text[at] == '.') {
      ++at;
      for (int place = 100; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at, place /= 10)
        millis += (text[at] - '0') * place;
    }
    auto offset = Offset(text, at);
    if (!ok || !year || !month || !day || !hour || !minute || !second || !offset || at != text.size())
      return std::nullopt;
    return Moment(*year, *month, *day, *hour, *minute, *second, millis, *offset);
  }
  // Tue Dec 08 14:30:05 +0000 2026
  static constexpr std::string_view kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  if (text.size() != 30) return std::nullopt;
  int month = 0;
  for (int i = 0; i < 12; ++i)
    if (text.substr(4, 3) == kMonths[i]) month = i + 1;
  at = 8;
  auto day = Digits(text, at, 2);
  bool ok = Expect(text, at, ' ');
  auto hour = Digits(text, at, 2);
  ok = ok && Expect(text, at, ':');
  auto minute = Digits(text, at, 2);
  ok = ok && Expect(text, at, ':');
  auto second = Digits(text, at, 2);
  ok = ok && Expect(text, at, ' ');
  auto offset = Offset(text, at);
  ok = ok && Expect(text, at, ' ');
  auto year = Digits(text, at, 4);
  if (!ok || month == 0 || !day || !hour || !minute || !second || !offset || !year) return std::nullopt;
  return Moment(*year, month, *day, *hour, *minute, *second, 0, *offset);
}

}  // namespace quillet::read_back
