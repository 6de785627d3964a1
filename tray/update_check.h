#pragma once
// The quiet update check. When the person asked for it (CheckForUpdates), at most once a day, a
// couple of minutes after start and never while a pop-up is up, one HTTPS GET of the latest
// release: a JSON document in the format of GitHub's releases/latest (tag_name, html_url, draft,
// prerelease) at UpdateFeed. Nothing about the person is sent but "User-Agent: Quillet/<version>".
// A newer stable version is told once, by a balloon; until the person says "Don't tell me about
// this version", it is pending (the tray menu offers that item). A feed that does not answer,
// refuses or sends something else shows nothing: one line in the log, and the next try is a day
// later, as after any check.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/callback.h"
#include "platform/clock.h"
#include "platform/http.h"
#include "settings/settings_store.h"

namespace quillet {

// A semantic version: MAJOR.MINOR.PATCH, a pre-release after "-" (dot-separated identifiers),
// build metadata after "+" (ignored in comparisons). A leading "v" or "V" is allowed, as tags
// write it.
struct SemanticVersion {
  std::array<std::uint64_t, 3> core{};
  std::vector<std::string> preRelease;  // empty: a release
};
std::optional<SemanticVersion> ParseSemanticVersion(std::string_view text);
// Negative, zero or positive as `a` comes before, with or after `b` in semantic versioning's
// precedence (a pre-release before its release; numeric identifiers by value, before others).
int CompareVersions(const SemanticVersion& a, const SemanticVersion& b);

// What the feed's document says of the latest release.
struct LatestRelease {
  SemanticVersion version;
  std::string versionText;  // as the tag writes it, without a leading "v" or build metadata
  std::string page;         // html_url: an http or https address
  bool stable = false;      // neither a draft nor a pre-release (by its flag or its version)
};
// Nothing when the document is not one of that format: not JSON, a tag that is no version, a page
// that is no web address.
std::optional<LatestRelease> ReadLatestRelease(std::string_view document);

// The version this program is, and the feed it reads when UpdateFeed is absent (set at build).
std::string_view ProgramVersion();
std::u16string_view BuiltInUpdateFeed();

struct UpdateCheckServices {
  SettingsStore& settings;
  platform::IHttpClient& http;
  platform::IClock& clock;
  std::string currentVersion;  // ProgramVersion(), or a test's
  std::u16string defaultFeed;  // BuiltInUpdateFeed(), or a test's
  // Whether a pop-up is on screen: no request goes, and no balloon shows, while it is.
  Callback<bool()> popUpShowing;
  // Tells the person of a newer version, once: "Quillet 1.2.0 is out".
  Callback<void(const std::string& version)> tell;
};

class UpdateCheck {
 public:
  static constexpr int kStartDelayMinutes = 2;
  static constexpr std::int64_t kDayMs = 24LL * 60 * 60 * 1000;

  explicit UpdateCheck(UpdateCheckServices services);
  UpdateCheck(const UpdateCheck&) = delete;
  UpdateCheck& operator=(const UpdateCheck&) = delete;
  ~UpdateCheck();

  // At every minute boundary of the program's schedule: a balloon held back by a pop-up shows,
  // and the check runs when it is due.
  void OnMinute();
  // The newer version told and not dismissed, while the check is on (it survives a restart); its
  // page is known only in the run that told it.
  std::optional<std::string> Pending();
  const std::string& PendingPage() const { return page_; }
  // "Don't tell me about this version".
  void Dismiss();

 private:
  bool Due();
  void Send();
  void OnReply(const platform::HttpReply& reply);
  void Tell();

  UpdateCheckServices s_;
  int minutesSinceStart_ = 0;
  bool inFlight_ = false;
  std::optional<std::string> untold_;  // a newer version waiting for the pop-up to go
  std::string page_;                   // the page of the version told in this run
  std::string host_;                   // the feed's host, for the log
  // What a reply comes back to: null once this is gone.
  std::shared_ptr<UpdateCheck*> self_ = std::make_shared<UpdateCheck*>(this);
};

}  // namespace quillet
