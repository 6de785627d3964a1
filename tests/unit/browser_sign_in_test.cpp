// Signing in through the browser: PKCE's encoding and challenge against published vectors, the
// browser's request read, and the flow against a fake server, browser and clock.
#include <gtest/gtest.h>

#include <string>

#include "common/pkce.h"
#include "dialogs/browser_sign_in.h"
#include "platform/fake/fake_files.h"
#include "platform/fake/fake_loopback_listener.h"
#include "platform/fake/fake_registry.h"
#include "platform/fake/fake_services.h"
#include "platform/fake/fake_ui.h"
#include "settings/app_registrations.h"

namespace quillet::testing {
namespace {

TEST(Pkce, Base64UrlAndTheChallengeOfRfc7636AppendixB) {
  EXPECT_EQ(pkce::Base64Url(""), "");
  EXPECT_EQ(pkce::Base64Url("f"), "Zg");
  EXPECT_EQ(pkce::Base64Url("fo"), "Zm8");
  EXPECT_EQ(pkce::Base64Url("foo"), "Zm9v");
  EXPECT_EQ(pkce::Base64Url("\xfb\xff\xbf"), "-_-_");
  const unsigned char octets[] = {116, 24,  223, 180, 151, 153, 224, 37, 79, 250, 96,  125, 216, 173, 187, 186,
                                  22,  212, 37,  77,  105, 214, 191, 240, 91, 88,  5,   88,  83,  132, 141, 121};
  std::string verifier = pkce::Base64Url(std::string(reinterpret_cast<const char*>(octets), sizeof octets));
  EXPECT_EQ(verifier, "dBjftJeZ4CVP-mB92K27uhbUJU1p1r_wW1gFWFOEjXk");
  EXPECT_EQ(pkce::S256Challenge(verifier), "E9Melhoa2OwvFrEMTJguCHaoeK1t8URWbuGJSstw-cM");
}

TEST(BrowserSignIn, TheBrowsersRequestIsRead) {
  struct Case {
    std::string head;
    bool isCallback;
    std::string code, state, error;
  } cases[] = {
      {"GET /callback?code=abc&state=xyz HTTP/1.1\r\nHost: 127.0.0.1:5\r\n\r\n", true, "abc", "xyz", ""},
      {"GET /callback?state=a%2Bb%3D&code=c+d HTTP/1.1\r\n\r\n", true, "c d", "a+b=", ""},
      {"GET /callback?error=access_denied&state=s HTTP/1.1\r\n\r\n", true, "", "s", "access_denied"},
      {"GET /callback HTTP/1.1\r\n\r\n", true, "", "", ""},
      {"GET /callback?code=1%2&state=%zz#frag HTTP/1.1\r\n\r\n", true, "1%2", "%zz", ""},
      {"GET /favicon.ico HTTP/1.1\r\n\r\n", false, "", "", ""},
      {"GET /callbackx?code=1 HTTP/1.1\r\n\r\n", false, "", "", ""},
      {"POST /callback?code=1 HTTP/1.1\r\n\r\n", false, "", "", ""},
      {"", false, "", "", ""},
      {"GET", false, "", "", ""},
  };
  for (const Case& c : cases) {
    CallbackRequest request = ParseCallbackRequest(c.head);
    EXPECT_EQ(request.isCallback, c.isCallback) << c.head;
    EXPECT_EQ(request.code, c.code) << c.head;
    EXPECT_EQ(request.state, c.state) << c.head;
    EXPECT_EQ(request.error, c.error) << c.head;
  }
}

TEST(BrowserSignIn, OnlyARefusalOfTheRequestItselfTurnsToTheOutOfBandRedirect) {
  using platform::HttpOutcome;
  struct Case {
    HttpOutcome outcome;
    int status;
    bool retry;
  } cases[] = {{HttpOutcome::kReplied, 422, true},  {HttpOutcome::kReplied, 400, true},
               {HttpOutcome::kReplied, 404, false}, {HttpOutcome::kReplied, 401, false},
               {HttpOutcome::kReplied, 429, false}, {HttpOutcome::kReplied, 500, false},
               {HttpOutcome::kReplied, 200, false}, {HttpOutcome::kUnreachable, 0, false}};
  for (const Case& c : cases)
    EXPECT_EQ(RetryWithOutOfBand({.outcome = c.outcome, .status = c.status}), c.retry) << c.status;
}

// The query's value of `name` in a URL or form body, as sent.
std::string Field(const std::string& text, const std::string& name) {
  for (std::size_t at = 0; (at = text.find(name + "=", at)) != std::string::npos; ++at) {
    if (at > 0 && text[at - 1] != '?' && text[at - 1] != '&') continue;
    at += name.size() + 1;
    return text.substr(at, text.find('&', at) - at);
  }
  return "<absent>";
}

class SignInFlow : public ::testing::Test {
 protected:
  platform::fake::FakeRegistry registry;
  SettingsStore settings{registry};
  platform::fake::FakeHttpClient http;
  platform::fake::FakeSecrets secrets;
  platform::fake::FakeShell shell;
  platform::fake::FakeClock clock;
  platform::fake::FakeTimer timer{false};
  platform::fake::FakeApplication app;
  std::shared_ptr<platform::fake::FakeLoopbackLine> line = std::make_shared<platform::fake::FakeLoopbackLine>();
  std::vector<std::u16string> progress, failures;
  int codesNeeded = 0;
  std::string token;
  std::u16string name;
  BrowserSignIn signIn{{settings, http, secrets, shell, clock, timer, platform::fake::FakeLoopbackListeners(line), app},
                       {.progress = [this](std::u16string_view words) { progress.emplace_back(words); },
                        .codeNeeded = [this] { ++codesNeeded; },
                        .signedIn =
                            [this](const std::string& t, std::u16string_view n, std::string_view) {
                              token = t;
                              name = n;
                            },
                        .failed = [this](std::u16string_view why) { failures.emplace_back(why); }}};
  ServerAddress server = *ParseServer(u"https://social.example/").address;

  void SetUp() override { settings.SetAppTitle(u"Quillet"); }
  std::string Opened() const { return shell.executeCalls.empty() ? "" : shell.executeCalls.back().file; }
  void Register(const std::string& id = "cid", const std::string& secret = "csecret") {
    http.Answer(200, R"({"client_id":")" + id + R"(","client_secret":")" + secret + R"("})");
  }
  platform::LoopbackAnswer Browser(const std::string& query) {
    return line->Request("GET /callback?" + query + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
  }
};

TEST_F(SignInFlow, ThroughTheLoopbackListenerToAToken) {
  signIn.Start(server);
  ASSERT_EQ(http.requests.size(), 1u);
  EXPECT_EQ(http.requests[0].path, "/api/v1/apps");
  EXPECT_EQ(http.requests[0].body,
            "client_name=Quillet&redirect_uris=http%3A%2F%2F127.0.0.1%2Fcallback&scopes=write%3Astatuses%20read%3Aaccounts");
  Register();
  std::string url = Opened();
  EXPECT_EQ(url.substr(0, url.find('?')), "https://social.example/oauth/authorize");
  EXPECT_EQ(Field(url, "client_id"), "cid");
  EXPECT_EQ(Field(url, "redirect_uri"), "http%3A%2F%2F127.0.0.1%3A50123%2Fcallback");
  EXPECT_EQ(Field(url, "code_challenge_method"), "S256");
  std::string state = Field(url, "state");
  EXPECT_GE(state.size(), 22u);
  EXPECT_EQ(Field(url, "code_challenge").size(), 43u);
  EXPECT_EQ(progress.back(), u"Waiting for the browser...");
  EXPECT_TRUE(timer.Enabled());

  // A favicon and a request of another sign-in are answered and leave the listener waiting.
  EXPECT_NE(line->Request("GET /favicon.ico HTTP/1.1\r\n\r\n").reply.find("404"), std::string::npos);
  EXPECT_NE(Browser("code=forged&state=other").reply.find("400"), std::string::npos);
  EXPECT_TRUE(line->listening);
  EXPECT_EQ(http.pending.size(), 0u);

  platform::LoopbackAnswer page = Browser("code=the-code&state=" + state);
  EXPECT_TRUE(page.last);
  EXPECT_NE(page.reply.find("You can close this page"), std::string::npos);
  EXPECT_NE(page.reply.find("charset=utf-8"), std::string::npos);
  ASSERT_EQ(http.requests.size(), 2u);
  const std::string& body = http.requests[1].body;
  EXPECT_EQ(http.requests[1].path, "/oauth/token");
  EXPECT_EQ(Field(body, "grant_type"), "authorization_code");
  EXPECT_EQ(Field(body, "code"), "the-code");
  EXPECT_EQ(Field(body, "client_secret"), "csecret");
  EXPECT_EQ(Field(body, "redirect_uri"), Field(url, "redirect_uri"));
  EXPECT_EQ(pkce::S256Challenge(Field(body, "code_verifier")), Field(url, "code_challenge"));
  http.Answer(200, R"({"access_token":"tok123","token_type":"Bearer"})");
  ASSERT_EQ(http.requests.size(), 3u);
  EXPECT_EQ(http.requests[2].headers[0].second, "Bearer tok123");
  http.Answer(200, R"({"username":"alice","acct":"alice"})");
  EXPECT_EQ(token, "tok123");
  EXPECT_EQ(name, u"alice");
  EXPECT_FALSE(signIn.Active());
  EXPECT_FALSE(timer.Enabled());
  EXPECT_TRUE(failures.empty());

  // The registration is kept protected and reused while the server knows it: an application's own
  // token that comes (Mastodon) or a 400 (snac gives none) keeps it, "invalid_client" does not.
  auto kept = app_registrations::Find(settings, secrets, "https://social.example/");
  ASSERT_TRUE(kept);
  EXPECT_EQ(kept->clientId, "cid");
  EXPECT_EQ(settings.ReadBytes(kApps)->find("csecret"), std::string::npos);
  std::size_t opened = shell.executeCalls.size();
  signIn.Start(server);
  ASSERT_EQ(http.requests.size(), 4u);
  EXPECT_EQ(http.requests[3].path, "/oauth/token");
  EXPECT_EQ(Field(http.requests[3].body, "grant_type"), "client_credentials");
  http.Answer(400);
  EXPECT_EQ(shell.executeCalls.size(), opened + 1);
  EXPECT_EQ(Field(Opened(), "client_id"), "cid");
  EXPECT_NE(Field(Opened(), "state"), state);
  signIn.Cancel();
  signIn.Start(server);
  http.Answer(401, R"({"error":"invalid_client"})");
  ASSERT_EQ(http.requests.size(), 6u);
  EXPECT_EQ(http.requests[5].path, "/api/v1/apps");
  Register("cid2", "csecret2");
  EXPECT_EQ(Field(Opened(), "client_id"), "cid2");
  EXPECT_EQ(app_registrations::Find(settings, secrets, "https://social.example/")->clientId, "cid2");
}

TEST_F(SignInFlow, AServerThatRefusesTheLoopbackRedirectGetsTheOutOfBandOne) {
  signIn.Start(server);
  http.Answer(422, R"({"error":"Validation failed: Redirect URI must be an absolute URI."})");
  ASSERT_EQ(http.requests.size(), 2u);
  EXPECT_EQ(Field(http.requests[1].body, "redirect_uris"), "urn%3Aietf%3Awg%3Aoauth%3A2.0%3Aoob");
  EXPECT_FALSE(line->listening);
  Register("oobid");
  EXPECT_EQ(Field(Opened(), "redirect_uri"), "urn%3Aietf%3Awg%3Aoauth%3A2.0%3Aoob");
  EXPECT_EQ(codesNeeded, 1);
  signIn.EnterCode("  pasted-code\r\n");
  ASSERT_EQ(http.requests.size(), 3u);
  EXPECT_EQ(Field(http.requests[2].body, "code"), "pasted-code");
  EXPECT_EQ(Field(http.requests[2].body, "redirect_uri"), "urn%3Aietf%3Awg%3Aoauth%3A2.0%3Aoob");
  http.Answer(200, R"({"access_token":"t2"})");
  http.Answer(200, R"({"username":"bob"})");
  EXPECT_EQ(token, "t2");
  EXPECT_EQ(app_registrations::Find(settings, secrets, "https://social.example/")->redirectUri, kOutOfBandRedirect);
}

TEST_F(SignInFlow, GivesUpAfterFiveMinutesOnTheMonotonicClockOrWhenCancelled) {
  signIn.Start(server);
  Register();
  std::string state = Field(Opened(), "state");
  clock.JumpWall(kSignInTimeoutMs * 2);  // the wall clock moves: nothing happens
  timer.Tick();
  EXPECT_TRUE(signIn.Active());
  clock.nowMs += kSignInTimeoutMs - 1;
  timer.Tick();
  EXPECT_TRUE(signIn.Active());
  clock.nowMs += 1;
  timer.Tick();
  EXPECT_FALSE(signIn.Active());
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures[0].find(u"5 minutes"), std::u16string::npos);
  EXPECT_FALSE(line->listening);
  EXPECT_EQ(Browser("code=late&state=" + state).reply, "");

  // Cancelled while the token is asked for: its answer is dropped.
  signIn.Start(server);
  http.Answer(200, R"({"access_token":"app-token"})");  // the kept application stands
  platform::LoopbackAnswer page = Browser("code=c&state=" + Field(Opened(), "state"));
  EXPECT_TRUE(page.last);
  signIn.Cancel();
  http.Answer(200, R"({"access_token":"never"})");
  EXPECT_EQ(token, "");
  EXPECT_EQ(http.pending.size(), 0u);
  EXPECT_EQ(failures.size(), 1u);
}

TEST_F(SignInFlow, FailuresAreSaidInWords) {
  signIn.Start(server);
  http.Answer(500);
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_NE(failures[0].find(u"(500)"), std::u16string::npos);

  signIn.Start(server);
  Register();
  Browser("error=access_denied&state=" + Field(Opened(), "state"));
  ASSERT_EQ(failures.size(), 2u);
  EXPECT_NE(failures[1].find(u"access_denied"), std::u16string::npos);
  EXPECT_FALSE(line->listening);

  signIn.Start(server);
  http.Answer(400);
  Browser("code=c&state=" + Field(Opened(), "state"));
  http.Answer(400, R"({"error":"invalid_grant","error_description":"The code has expired."})");
  ASSERT_EQ(failures.size(), 3u);
  EXPECT_NE(failures[2].find(u"The code has expired."), std::u16string::npos);
}

}  // namespace
}  // namespace quillet::testing
