// The quiet update check: versions compared as semantic versioning orders them, the feed's
// document read, at most one request a day (never in the first minutes, never during a pop-up),
// one balloon per version, failures shown only in the log; and in the whole program, the
// balloon's click and "Don't tell me about this version".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/trace.h"
#include "platform/fake/fake_files.h"
#include "platform/fake/fake_registry.h"
#include "platform/fake/fake_services.h"
#include "tests/unit/fake_program.h"
#include "tray/update_check.h"

namespace quillet {
namespace {

using platform::HttpOutcome;
using platform::HttpReply;

TEST(SemanticVersions, CompareByPrecedence) {
  // Each in ascending order of precedence; equal neighbours are marked.
  const std::vector<std::pair<std::string, bool>> ladder = {
      {"0.9.9", false},          {"1.0.0-alpha", false},   {"1.0.0-alpha.1", false}, {"1.0.0-alpha.beta", false},
      {"1.0.0-beta", false},     {"1.0.0-beta.2", false},  {"1.0.0-beta.11", false}, {"1.0.0-rc.1", false},
      {"1.0.0", false},          {"v1.0.0+build.7", true}, {"1.0.1", false},       {"1.2.0", false},
      {"1.9.0", false},          {"V1.10.0", false},       {"2.0.0", false},       {"18446744073709551615.0.0", false}};
  for (std::size_t i = 1; i < ladder.size(); ++i) {
    auto lower = ParseSemanticVersion(ladder[i - 1].first), higher = ParseSemanticVersion(ladder[i].first);
    ASSERT_TRUE(lower && higher) << ladder[i - 1].first << " / " << ladder[i].first;
    int expected = ladder[i].second ? 0 : -1;
    EXPECT_EQ(CompareVersions(*lower, *higher), expected) << ladder[i - 1].first << " vs " << ladder[i].first;
    EXPECT_EQ(CompareVersions(*higher, *lower), -expected) << ladder[i].first << " vs " << ladder[i - 1].first;
  }
  for (std::string bad : {"", "1", "1.2", "1.2.3.4", "01.2.3", "1.02.3", "1.2.x", "1.2.3-", "1.2.3-01", "1.2.3-a..b",
                          "1.2.3+", "v", "1.2.3 ", "-1.2.3", "18446744073709551616.0.0", "1.2.3-ä"})
    EXPECT_FALSE(ParseSemanticVersion(bad)) << bad;
}

TEST(LatestReleaseDocument, ReadsTagPageAndFlags) {
  struct Case {
    std::string document;
    std::string version;  // empty: not a release document
    bool stable = false;
  };
  const std::string page = R"("html_url": "https://github.com/velmora/quillet/releases/tag/v1.2.0")";
  const Case cases[] = {
      {R"({"tag_name": "v1.2.0", )" + page + R"(, "draft": false, "prerelease": false, "assets": [{"x": 1}]})", "1.2.0", true},
      {R"({"tag_name": "1.2.0+20261201", )" + page + "}", "1.2.0", true},  // flags absent: a release
      {R"({"tag_name": "v1.3.0", )" + page + R"(, "draft": true, "prerelease": false})", "1.3.0", false},
      {R"({"tag_name": "v1.3.0", )" + page + R"(, "draft": false, "prerelease": true})", "1.3.0", false},
      {R"({"tag_name": "v1.3.0-rc.1", )" + page + R"(, "prerelease": false})", "1.3.0-rc.1", false},
      {R"({"tag_name": "v1.3.0", )" + page + R"(, "draft": "no"})", ""},
      {R"({"tag_name": "release-13", )" + page + "}", ""},
      {R"({"tag_name": "v1.3.0", "html_url": "ftp://example.org/releases/1.3.0"})", ""},
      {R"({"tag_name": "v1.3.0"})", ""},
      {R"({"message": "Not Found", "documentation_url": "https://docs.github.com/rest"})", ""},
      {R"([{"tag_name": "v1.3.0", )" + page + "}]", ""},
      {R"({"tag_name": "v1.3.0", )" + page, ""},
      {"<html>rate limited</html>", ""},
      {"", ""},
  };
  for (const Case& c : cases) {
    std::optional<LatestRelease> latest = ReadLatestRelease(c.document);
    if (c.version.empty()) {
      EXPECT_FALSE(latest) << c.document;
      continue;
    }
    ASSERT_TRUE(latest) << c.document;
    EXPECT_EQ(latest->versionText, c.version) << c.document;
    EXPECT_EQ(latest->stable, c.stable) << c.document;
    EXPECT_EQ(latest->page, "https://github.com/velmora/quillet/releases/tag/v1.2.0");
  }
}

// The check alone, on the fake platform: a minute at a time, the feed answered by the test.
class UpdateCheckTest : public ::testing::Test {
 protected:
  UpdateCheckTest() {
    settings.SetAppTitle(u"Quillet");
    SetTraceLog([this](std::string_view line) { log.emplace_back(line); });
  }
  ~UpdateCheckTest() override { SetTraceLog({}); }

  void Store(const std::string& name, const std::string& value) { registry.Put(testing::kAppKey, name, platform::kRegSz, value); }
  std::string Stored(const std::string& name) {
    const auto* value = registry.Find(testing::kAppKey, name);
    return value ? std::string(value->data.begin(), value->data.end()) : "(absent)";
  }
  // Minutes pass on the clock; each ends at a minute boundary of the schedule.
  void Minutes(int minutes) {
    for (int i = 0; i < minutes; ++i) {
      clock.nowMs += 60'000;
      check.OnMinute();
    }
  }
  static HttpReply Release(const std::string& tag, bool prerelease = false) {
    return {.outcome = HttpOutcome::kReplied,
            .status = 200,
            .body = R"({"tag_name": ")" + tag + R"(", "html_url": "https://example.org/releases/)" + tag +
                    R"(", "draft": false, "prerelease": )" + (prerelease ? "true" : "false") + "}"};
  }

  platform::fake::FakeRegistry registry;
  SettingsStore settings{registry};
  platform::fake::FakeHttpClient http;
  platform::fake::FakeClock clock;
  bool popUp = false;
  std::vector<std::string> told, log;
  UpdateCheck check{{.settings = settings,
                     .http = http,
                     .clock = clock,
                     .currentVersion = "1.1.0",
                     .defaultFeed = u"https://feed.example/repos/velmora/quillet/releases/latest",
                     .popUpShowing = [this] { return popUp; },
                     .tell = [this](const std::string& version) { told.push_back(version); }}};
};

TEST_F(UpdateCheckTest, AtMostOnceADayAfterTheFirstMinutesAndNeverDuringAPopUp) {
  Minutes(5);
  EXPECT_TRUE(http.requests.empty()) << "off unless CheckForUpdates is 1";
  EXPECT_EQ(Stored("UpdateCheckedAt"), "(absent)");

  UpdateCheck fresh{{.settings = settings, .http = http, .clock = clock, .currentVersion = "1.1.0",
                     .defaultFeed = u"https://feed.example:8443/latest?per_page=1",
                     .popUpShowing = [this] { return popUp; }}};
  Store("CheckForUpdates", "1");
  fresh.OnMinute();
  EXPECT_TRUE(http.requests.empty()) << "not in the first minute";
  popUp = true;
  fresh.OnMinute();
  EXPECT_TRUE(http.requests.empty()) << "not while a pop-up is up";
  popUp = false;
  fresh.OnMinute();
  ASSERT_EQ(http.requests.size(), 1u);
  const platform::HttpRequest& request = http.requests[0];
  EXPECT_EQ(request.method, "GET");
  EXPECT_TRUE(request.secure);
  EXPECT_EQ(request.host, "feed.example");
  EXPECT_EQ(request.port, 8443);
  EXPECT_EQ(request.path, "/latest?per_page=1");
  EXPECT_EQ(request.headers, (std::vector<std::pair<std::string, std::string>>{{"User-Agent", "Quillet/1.1.0"}}));
  EXPECT_TRUE(request.body.empty());
  EXPECT_EQ(Stored("UpdateCheckedAt"), std::to_string(clock.nowMs)) << "the attempt is stored as it goes";

  for (int minute = 0; minute < 3; ++minute) fresh.OnMinute();
  EXPECT_EQ(http.requests.size(), 1u) << "one at a time";
  http.Answer(Release("v1.1.0"));
  clock.nowMs += UpdateCheck::kDayMs - 60'000;
  fresh.OnMinute();
  EXPECT_EQ(http.requests.size(), 1u) << "less than a day later";
  clock.nowMs += 60'000;
  fresh.OnMinute();
  EXPECT_EQ(http.requests.size(), 2u) << "a day later";
  http.Answer(Release("v1.1.0"));
  clock.JumpWall(-3 * UpdateCheck::kDayMs);
  fresh.OnMinute();
  EXPECT_EQ(http.requests.size(), 3u) << "a check stored days ahead: the clock was set back";
  Store("UpdateFeed", "ftp://elsewhere.example/latest");
  http.Answer(Release("v1.1.0"));
  clock.nowMs += UpdateCheck::kDayMs;
  fresh.OnMinute();
  EXPECT_EQ(http.requests.size(), 3u) << "UpdateFeed that is no web address: nothing is asked";
  EXPECT_EQ(log.size(), 1u);
  Store("UpdateFeed", "http://127.0.0.1:8080/feed.json");
  clock.nowMs += UpdateCheck::kDayMs;
  fresh.OnMinute();
  ASSERT_EQ(http.requests.size(), 4u);
  EXPECT_FALSE(http.requests[3].secure);
  EXPECT_EQ(http.requests[3].host, "127.0.0.1");
}

TEST_F(UpdateCheckTest, OneBalloonPerNewerStableVersionAndFailuresOnlyInTheLog) {
  Store("CheckForUpdates", "1");
  Minutes(1);
  struct Case {
    const char* what;
    HttpReply reply;
    std::vector<std::string> told;  // after this day's answer, from the start
    std::size_t logLines;           // after this day's answer, from the start
    bool pending;
  };
  const Case days[] = {
      {"the same version", Release("v1.1.0"), {}, 0, false},
      {"an older one", Release("v1.0.9"), {}, 0, false},
      {"a pre-release by its flag", Release("v1.2.0", true), {}, 0, false},
      {"a pre-release by its version", Release("v1.2.0-rc.1"), {}, 0, false},
      {"no answer", {.outcome = HttpOutcome::kTimedOut}, {}, 1, false},
      {"a refusal", {.outcome = HttpOutcome::kReplied, .status = 403, .body = "rate limited"}, {}, 2, false},
      {"a broken document", {.outcome = HttpOutcome::kReplied, .status = 200, .body = "{\"tag_name\":"}, {}, 3, false},
      {"an untrusted certificate", {.outcome = HttpOutcome::kCertificateUntrusted}, {}, 4, false},
      {"a newer version", Release("v1.2.0"), {"1.2.0"}, 4, true},
      {"the same newer version again", Release("v1.2.0"), {"1.2.0"}, 4, true},
      {"a failure while one is pending", {.outcome = HttpOutcome::kUnreachable}, {"1.2.0"}, 5, true},
      {"a still newer one", Release("1.10.0"), {"1.2.0", "1.10.0"}, 5, true},
  };
  for (const Case& day : days) {
    clock.nowMs += UpdateCheck::kDayMs;
    check.OnMinute();
    ASSERT_EQ(http.pending.size(), 1u) << day.what;
    http.Answer(day.reply);
    EXPECT_EQ(told, day.told) << day.what;
    EXPECT_EQ(log.size(), day.logLines) << day.what;
    EXPECT_EQ(check.Pending().has_value(), day.pending) << day.what;
    Minutes(5);
    EXPECT_TRUE(http.pending.empty()) << day.what << ": the next try is a day later";
  }
  EXPECT_NE(log.back().find("feed.example could not be reached"), std::string::npos) << log.back();
  EXPECT_EQ(check.PendingPage(), "https://example.org/releases/1.10.0");

  check.Dismiss();
  EXPECT_FALSE(check.Pending());
  EXPECT_EQ(Stored("UpdateDismissed"), "1.10.0");
  clock.nowMs += UpdateCheck::kDayMs;
  check.OnMinute();
  http.Answer(Release("v1.10.0"));
  Store("UpdateToldVersion", "1.2.0");  // as by an older program: the dismissal still holds
  clock.nowMs += UpdateCheck::kDayMs;
  check.OnMinute();
  http.Answer(Release("v1.10.0"));
  EXPECT_EQ(told.size(), 2u) << "a dismissed version is not told again";
}

TEST_F(UpdateCheckTest, ABalloonWaitsForThePopUpToGoAndThePendingOneSurvivesARestartWhileOn) {
  Store("CheckForUpdates", "1");
  Minutes(2);
  popUp = true;  // the pop-up came up while the feed was being asked
  http.Answer(Release("v2.0.0"));
  Minutes(3);
  EXPECT_TRUE(told.empty()) << "never during a pop-up";
  popUp = false;
  Minutes(1);
  EXPECT_EQ(told, std::vector<std::string>{"2.0.0"});

  UpdateCheck restarted{{.settings = settings, .http = http, .clock = clock, .currentVersion = "1.1.0"}};
  EXPECT_EQ(restarted.Pending(), "2.0.0");
  Store("CheckForUpdates", "0");
  EXPECT_FALSE(restarted.Pending()) << "turned off: no more about versions";
  Store("CheckForUpdates", "1");
  UpdateCheck updated{{.settings = settings, .http = http, .clock = clock, .currentVersion = "2.0.0"}};
  EXPECT_FALSE(updated.Pending()) << "that version is the one running";
}

TEST(UpdateCheckInTheProgram, TheBalloonOpensThePageAndTheMenuDismissesTheVersion) {
  testing::FakeProgram p(BuiltInEndpoint());
  p.Store("CheckForUpdates", "1");
  p.Store("UpdateFeed", "https://feed.example/latest");
  p.Start();
  auto* dismiss = p.menu->Find(u"Don't tell me about this &version");
  ASSERT_NE(dismiss, nullptr);
  p.TickMinutes(UpdateCheck::kStartDelayMinutes);
  ASSERT_EQ(p.http.requests.size(), 1u);
  EXPECT_EQ(p.http.requests[0].host, "feed.example");
  EXPECT_EQ(p.http.requests[0].headers[0].second, "Quillet/" + std::string(ProgramVersion()));
  p.http.Answer(200, R"({"tag_name": "v99.0.0", "html_url": "https://example.org/news/99", "draft": false, "prerelease": false})");
  ASSERT_FALSE(p.shell.balloons.empty());
  EXPECT_EQ(p.shell.balloons.back().second.wideTitle, u"Quillet 99.0.0 is out");
  p.trayForm->IconMessage(platform::kNinBalloonUserClick);
  ASSERT_FALSE(p.shell.executeCalls.empty());
  EXPECT_EQ(p.shell.executeCalls.back().file, "https://example.org/news/99");
  EXPECT_FALSE(p.window.Visible()) << "the update window stays put";

  p.trayForm->IconMessage(platform::kWmRButtonDown);
  EXPECT_TRUE(dismiss->visible);
  dismiss->Click();
  p.trayForm->IconMessage(platform::kWmRButtonDown);
  EXPECT_FALSE(dismiss->visible);
}

}  // namespace
}  // namespace quillet
