#include "tray/update_check.h"

#include <charconv>
#include <exception>
#include <utility>

#include "common/json_lookup.h"
#include "common/steps.h"
#include "common/trace.h"
#include "common/utf8.h"
#include "settings/setting_names.h"

namespace quillet {

namespace {

constexpr std::string_view kLogPlace = "update_check";

bool IsDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char ch : text)
    if (ch < '0' || ch > '9') return false;
  return true;
}

// Identifiers of letters, digits and "-", none empty.
bool SplitIdentifiers(std::string_view text, std::vector<std::string>& out) {
  while (true) {
    std::size_t dot = text.find('.');
    std::string_view part = text.substr(0, dot);
    if (part.empty()) return false;
    for (char ch : part) {
      bool letter = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z');
      if (!letter && !(ch >= '0' && ch <= '9') && ch != '-') return false;
    }
    out.emplace_back(part);
    if (dot == std::string_view::npos) return true;
    text.remove_prefix(dot + 1);
  }
}

int CompareIdentifiers(const std::string& a, const std::string& b) {
  bool numericA = IsDigits(a), numericB = IsDigits(b);
  if (numericA && numericB) {
    // By value: the longer number (without leading zeros) is larger, and so on digit by digit.
    std::string_view x = a, y = b;
    while (x.size() > 1 && x.front() == '0') x.remove_prefix(1);
    while (y.size() > 1 && y.front() == '0') y.remove_prefix(1);
    if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
    return x.compare(y) < 0 ? -1 : (x == y ? 0 : 1);
  }
  if (numericA != numericB) return numericA ? -1 : 1;  // numbers come before words
  return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

// "https://host[:port]/path?query": what a GET needs, or nothing for anything else.
std::optional<platform::HttpRequest> FeedRequest(std::string_view url) {
  platform::HttpRequest request{.method = "GET"};
  if (url.starts_with("https://")) {
    request.secure = true;
    url.remove_prefix(8);
  } else if (url.starts_with("http://")) {
    url.remove_prefix(7);
  } else {
    return std::nullopt;
  }
  for (char ch : url)
    if (static_cast<unsigned char>(ch) <= ' ' || static_cast<unsigned char>(ch) >= 0x7f || ch == '#') return std::nullopt;
  std::size_t slash = url.find('/');
  std::string_view authority = url.substr(0, slash);
  request.path = slash == std::string_view::npos ? "/" : std::string(url.substr(slash));
  if (authority.find('@') != std::string_view::npos) return std::nullopt;
  std::string_view host = authority, port;
  if (authority.starts_with('[')) {
    std::size_t close = authority.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    host = authority.substr(1, close - 1);
    std::string_view rest = authority.substr(close + 1);
    if (!rest.empty() && (rest.front() != ':' || rest.size() == 1)) return std::nullopt;
    if (!rest.empty()) port = rest.substr(1);
  } else if (std::size_t colon = authority.rfind(':'); colon != std::string_view::npos) {
    host = authority.substr(0, colon);
    port = authority.substr(colon + 1);
    if (port.empty()) return std::nullopt;
  }
  if (host.empty()) return std::nullopt;
  request.host = std::string(host);
  request.port = request.secure ? 443 : 80;
  if (!port.empty()) {
    unsigned value = 0;
    auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (error != std::errc{} || end != port.data() + port.size() || value == 0 || value > 65535) return std::nullopt;
    request.port = static_cast<std::uint16_t>(value);
  }
  return request;
}

std::string_view OutcomeWords(platform::HttpOutcome outcome) {
  switch (outcome) {
    case platform::HttpOutcome::kReplied:
      return "replied";
    case platform::HttpOutcome::kUnreachable:
      return "could not be reached";
    case platform::HttpOutcome::kTimedOut:
      return "did not answer in time";
    case platform::HttpOutcome::kCertificateUntrusted:
    case platform::HttpOutcome::kCertificateExpired:
    case platform::HttpOutcome::kCertificateWrongName:
      return "showed a certificate that is not to be trusted";
    case platform::HttpOutcome::kSecureChannelFailed:
      return "could not set up a secure connection";
    case platform::HttpOutcome::kUnreadable:
      return "sent something that is no HTTP reply";
    case platform::HttpOutcome::kFailed:
      break;
  }
  return "could not be asked";
}

}  // namespace

std::optional<SemanticVersion> ParseSemanticVersion(std::string_view text) {
  if (!text.empty() && (text.front() == 'v' || text.front() == 'V')) text.remove_prefix(1);
  if (std::size_t plus = text.find('+'); plus != std::string_view::npos) {
    std::vector<std::string> build;
    if (!SplitIdentifiers(text.substr(plus + 1), build)) return std::nullopt;
    text = text.substr(0, plus);
  }
  SemanticVersion version;
  std::size_t dash = text.find('-');
  if (dash != std::string_view::npos) {
    if (!SplitIdentifiers(text.substr(dash + 1), version.preRelease)) return std::nullopt;
    for (const std::string& identifier : version.preRelease)
      if (identifier.size() > 1 && identifier.front() == '0' && IsDigits(identifier)) return std::nullopt;
    text = text.substr(0, dash);
  }
  for (std::size_t i = 0; i < 3; ++i) {
    std::size_t dot = text.find('.');
    if ((i < 2) == (dot == std::string_view::npos)) return std::nullopt;
    std::string_view part = text.substr(0, dot);
    if (!IsDigits(part) || (part.size() > 1 && part.front() == '0')) return std::nullopt;
    auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), version.core[i]);
    if (error != std::errc{} || end != part.data() + part.size()) return std::nullopt;
    if (dot != std::string_view::npos) text.remove_prefix(dot + 1);
  }
  return version;
}

int CompareVersions(const SemanticVersion& a, const SemanticVersion& b) {
  for (std::size_t i = 0; i < 3; ++i)
    if (a.core[i] != b.core[i]) return a.core[i] < b.core[i] ? -1 : 1;
  if (a.preRelease.empty() != b.preRelease.empty()) return a.preRelease.empty() ? 1 : -1;
  for (std::size_t i = 0; i < a.preRelease.size() && i < b.preRelease.size(); ++i)
    if (int order = CompareIdentifiers(a.preRelease[i], b.preRelease[i]); order != 0) return order;
  if (a.preRelease.size() == b.preRelease.size()) return 0;
  return a.preRelease.size() < b.preRelease.size() ? -1 : 1;
}

std::optional<LatestRelease> ReadLatestRelease(std::string_view document) {
  std::optional<std::string> tag = json::Lookup(document, {"tag_name"});
  std::optional<std::string> page = json::Lookup(document, {"html_url"});
  if (!tag || !page) return std::nullopt;
  std::optional<SemanticVersion> version = ParseSemanticVersion(*tag);
  if (!version || !FeedRequest(*page)) return std::nullopt;
  auto flag = [&](std::string_view name) -> std::optional<bool> {
    std::optional<std::string_view> value = json::ValueText(document, {name});
    if (!value || *value == "false" || *value == "null") return false;
    if (*value == "true") return true;
    return std::nullopt;  // neither: not this format
  };
  std::optional<bool> draft = flag("draft"), prerelease = flag("prerelease");
  if (!draft || !prerelease) return std::nullopt;
  std::string text = *tag;
  if (!text.empty() && (text.front() == 'v' || text.front() == 'V')) text.erase(0, 1);
  text = text.substr(0, text.find('+'));
  return LatestRelease{.version = *version,
                       .versionText = std::move(text),
                       .page = std::move(*page),
                       .stable = !*draft && !*prerelease && version->preRelease.empty()};
}

UpdateCheck::UpdateCheck(UpdateCheckServices services) : s_(std::move(services)) {}

UpdateCheck::~UpdateCheck() { *self_ = nullptr; }

void UpdateCheck::OnMinute() {
  ++minutesSinceStart_;
  if (s_.popUpShowing && Guard([&] { return s_.popUpShowing(); })) return;  // not now: a minute later
  if (untold_) Tell();
  if (inFlight_ || minutesSinceStart_ < kStartDelayMinutes) return;
  bool wanted = false;
  Step([&] { wanted = s_.settings.Flag(kCheckForUpdates) && Due(); });
  if (wanted) Send();
}

bool UpdateCheck::Due() {
  std::int64_t now = s_.clock.NowMs();
  std::string stored = utf8::FromUtf16(s_.settings.Get(kUpdateCheckedAt));
  std::int64_t last = 0;
  auto [end, error] = std::from_chars(stored.data(), stored.data() + stored.size(), last);
  if (error != std::errc{} || end != stored.data() + stored.size()) return true;  // never, or unreadable
  // A day since the last check; a check "later" than a day ahead means the clock was set back.
  return now - last >= kDayMs || last - now > kDayMs;
}

void UpdateCheck::Send() {
  std::u16string feed = s_.defaultFeed;
  Step([&] {
    std::u16string stored = s_.settings.Get(kUpdateFeed);
    if (!stored.empty()) feed = stored;
  });
  // The attempt counts, whatever comes of it: the next one is a day later.
  Step([&] { s_.settings.Save(kUpdateCheckedAt, utf8::ToUtf16(std::to_string(s_.clock.NowMs()))); });
  std::optional<platform::HttpRequest> request = FeedRequest(utf8::FromUtf16(feed));
  if (!request) {
    LogEvent(kLogPlace, "the update feed's address is no http or https address: " + utf8::FromUtf16(feed));
    return;
  }
  request->headers = {{"User-Agent", "Quillet/" + s_.currentVersion}};
  host_ = request->host;
  inFlight_ = true;
  bool sent = false;
  Step([&] {
    s_.http.Send(std::move(*request), [self = self_](platform::HttpReply reply) {
      if (*self) (*self)->OnReply(reply);
    });
    sent = true;
  });
  if (!sent) inFlight_ = false;
}

void UpdateCheck::OnReply(const platform::HttpReply& reply) {
  inFlight_ = false;
  if (reply.outcome != platform::HttpOutcome::kReplied) {
    LogEvent(kLogPlace, "no news of versions: " + host_ + " " + std::string(OutcomeWords(reply.outcome)));
    return;
  }
  if (reply.status != 200) {
    LogEvent(kLogPlace, "no news of versions: " + host_ + " answered " + std::to_string(reply.status));
    return;
  }
  std::optional<LatestRelease> latest = ReadLatestRelease(reply.body);
  if (!latest) {
    LogEvent(kLogPlace, "no news of versions: " + host_ + " sent no release document");
    return;
  }
  std::optional<SemanticVersion> current = ParseSemanticVersion(s_.currentVersion);
  if (!latest->stable || !current || CompareVersions(latest->version, *current) <= 0) return;
  bool told = false;
  Step([&] {
    std::string dismissed = utf8::FromUtf16(s_.settings.Get(kUpdateDismissed));
    told = latest->versionText == dismissed || latest->versionText == utf8::FromUtf16(s_.settings.Get(kUpdateToldVersion));
  });
  if (told) return;
  page_ = latest->page;
  untold_ = latest->versionText;
  if (!(s_.popUpShowing && Guard([&] { return s_.popUpShowing(); }))) Tell();
}

void UpdateCheck::Tell() {
  std::string version = *std::exchange(untold_, std::nullopt);
  // Stored first: one balloon per version, even when the balloon cannot be shown.
  Step([&] { s_.settings.Save(kUpdateToldVersion, utf8::ToUtf16(version)); });
  if (s_.tell) Step([&] { s_.tell(version); });
}

std::optional<std::string> UpdateCheck::Pending() {
  std::optional<std::string> pending;
  Step([&] {
    if (!s_.settings.Flag(kCheckForUpdates)) return;  // turned off: nothing more is said of versions
    std::string told = utf8::FromUtf16(s_.settings.Get(kUpdateToldVersion));
    std::optional<SemanticVersion> version = ParseSemanticVersion(told), current = ParseSemanticVersion(s_.currentVersion);
    if (version && current && CompareVersions(*version, *current) > 0 &&
        told != utf8::FromUtf16(s_.settings.Get(kUpdateDismissed)))
      pending = told;
  });
  return pending;
}

void UpdateCheck::Dismiss() {
  std::optional<std::string> pending = Pending();
  if (!pending) return;
  Step([&] { s_.settings.Save(kUpdateDismissed, utf8::ToUtf16(*pending)); });
}

}  // namespace quillet
