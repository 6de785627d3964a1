// Servers of the user's choice: the address as typed, the requests of both interfaces, and
// what their replies mean.
#include <gtest/gtest.h>

#include "common/json_lookup.h"
#include "delivery/server_address.h"
#include "networks/service_api.h"
#include "delivery/status_request.h"

namespace quillet {
namespace {

TEST(ServerAddress, AcceptsWhatUsersTypeAndRefusesWhatCannotGoIntoARequest) {
  struct Case {
    std::u16string typed;
    bool secure;
    std::string host;
    int port;  // 0: refused
    std::string basePath, hostHeader;
  };
  const Case cases[] = {
      {u"https://social.example.org/api/", true, "social.example.org", 443, "/api/", "social.example.org"},
      {u"  HTTPS://Social.Example.ORG/api ", true, "social.example.org", 443, "/api/", "social.example.org"},
      {u"https://mastodon.example", true, "mastodon.example", 443, "/", "mastodon.example"},
      {u"http://127.0.0.1:8080/", false, "127.0.0.1", 8080, "/", "127.0.0.1:8080"},
      {u"http://h.example:80/api/1.1/", false, "h.example", 80, "/api/1.1/", "h.example"},
      {u"https://[::1]:8443/x/%7Eme/", true, "::1", 8443, "/x/%7Eme/", "[::1]:8443"},
      {u"https://h.example:443/", true, "h.example", 443, "/", "h.example"},
      {u"social.example.org/api/", false, "", 0, "", ""},
      {u"ftp://h.example/", false, "", 0, "", ""},
      {u"https://", false, "", 0, "", ""},
      {u"https://:8080/", false, "", 0, "", ""},
      {u"https://h.example:0/", false, "", 0, "", ""},
      {u"https://h.example:65536/", false, "", 0, "", ""},
      {u"https://h.example:/", false, "", 0, "", ""},
      {u"https://h.example:8o/", false, "", 0, "", ""},
      {u"https://bob:pw@h.example/", false, "", 0, "", ""},
      {u"https://h.example/api/?x=1", false, "", 0, "", ""},
      {u"https://h ex.org/", false, "", 0, "", ""},
      {u"https://h.example/a b/", false, "", 0, "", ""},
      {u"https://h.example/api\r\nX-Evil: 1/", false, "", 0, "", ""},
      {u"https://h.example/%zz/", false, "", 0, "", ""},
      {u"https://h..example/", false, "", 0, "", ""},
      {u"https://b\u00fccher.example/", false, "", 0, "", ""},
      {u"https://[::1/", false, "", 0, "", ""},
  };
  for (const auto& c : cases) {
    ParsedServer parsed = ParseServer(c.typed);
    SCOPED_TRACE(std::string(c.typed.begin(), c.typed.end()));
    if (c.port == 0) {
      EXPECT_FALSE(parsed.address);
      EXPECT_FALSE(parsed.problem.empty());
      continue;
    }
    ASSERT_TRUE(parsed.address);
    EXPECT_EQ(parsed.address->secure, c.secure);
    EXPECT_EQ(parsed.address->host, c.host);
    EXPECT_EQ(parsed.address->port, c.port);
    EXPECT_EQ(parsed.address->basePath, c.basePath);
    EXPECT_EQ(parsed.address->HostHeader(), c.hostHeader);
  }
}

TEST(ServiceRequests, EachInterfaceHasItsPathsBodyAndAuthorization) {
  ServerAddress server = *ParseServer(u"https://s.example/api/").address;
  Credentials basic{.userName = u"alice", .password = u"pw"};  // "alice:pw" in Base64: YWxpY2U6cHc=
  Credentials token = basic;
  token.token = "tok\r\nen";
  // "alice:p\u00e4sswort" in UTF-8, as servers decode Basic credentials (RFC 7617); the built-in
  // service keeps the code page's bytes (PostTest).
  Credentials umlaut{.userName = u"alice", .password = u"p\u00e4sswort"};
  struct Case {
    ServiceApi api;
    const Credentials& credentials;
    std::string path, authorization, body;
  };
  const Case cases[] = {
      {ServiceApi::kTwitter, basic, "/api/statuses/update.xml",
       "Basic YWxpY2U6cHc=", "source=Quillet&status=hi+%C3%A9"},
      {ServiceApi::kTwitter, token, "/api/statuses/update.xml",
       "Basic YWxpY2U6cHc=", "source=Quillet&status=hi+%C3%A9"},
      {ServiceApi::kMastodon, basic, "/api/api/v1/statuses", "Basic YWxpY2U6cHc=", "status=hi+%C3%A9"},
      {ServiceApi::kMastodon, token, "/api/api/v1/statuses", "Bearer token", "status=hi+%C3%A9"},
      {ServiceApi::kTwitter, umlaut, "/api/statuses/update.xml",
       "Basic YWxpY2U6cMOkc3N3b3J0", "source=Quillet&status=hi+%C3%A9"},
      {ServiceApi::kMastodon, umlaut, "/api/api/v1/statuses", "Basic YWxpY2U6cMOkc3N3b3J0", "status=hi+%C3%A9"},
  };
  for (const auto& c : cases) {
    auto post = service_requests::StatusUpdate(server, c.api, c.credentials, u"hi \u00e9");
    EXPECT_EQ(post.method, "POST");
    EXPECT_TRUE(post.secure);
    EXPECT_EQ(post.path, c.path);
    EXPECT_EQ(post.body, c.body);
    using Headers = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(post.headers,
              (Headers{{"Authorization", c.authorization}, {"Content-Type", "application/x-www-form-urlencoded"}}));
    auto verify = service_requests::VerifyCredentials(server, c.api, c.credentials);
    EXPECT_EQ(verify.headers, (Headers{{"Authorization", c.authorization}}));
  }
  EXPECT_EQ(service_requests::VerifyCredentials(server, ServiceApi::kTwitter, basic).path,
            "/api/account/verify_credentials.xml");
  EXPECT_EQ(service_requests::VerifyCredentials(server, ServiceApi::kMastodon, basic).path,
            "/api/api/v1/accounts/verify_credentials");
  EXPECT_EQ(service_requests::TextLimit(server, ServiceApi::kTwitter).path, "/api/statusnet/config.json");
  EXPECT_EQ(service_requests::TextLimit(server, ServiceApi::kMastodon).path, "/api/api/v1/instance");
  EXPECT_TRUE(service_requests::TextLimit(server, ServiceApi::kMastodon).headers.empty());
  EXPECT_EQ(ParseApi(u"MASTODON"), ServiceApi::kMastodon);
  EXPECT_EQ(ParseApi(u""), ServiceApi::kTwitter);
}

TEST(ServiceRequests, APlainServerGetsTheOldRequestFormWithItsPathHostAndContentType) {
  ServerAddress server = *ParseServer(u"http://127.0.0.1:8080/api/").address;
  auto post = service_requests::StatusUpdate(server, ServiceApi::kMastodon, {.token = "t"}, u"a&b");
  EXPECT_EQ(status_request::ComposeRequest(post, server.HostHeader()),
            "POST /api/api/v1/statuses HTTP/1.0\r\n"
            "Authorization: Bearer t\r\n"
            "Host: 127.0.0.1:8080\r\n"
            "Connection: close\r\n"
            "user-agent: Quillet\r\n"
            "Content-Type: application/x-www-form-urlencoded\r\n"
            "content-length: 12\r\n"
            "\r\n"
            "status=a%26b");
}

TEST(ServiceReplies, NamesAndLimitsAreReadFromRealisticBodies) {
  using service_replies::SignedInName;
  using service_replies::TextLimit;
  EXPECT_EQ(SignedInName(ServiceApi::kTwitter, "<user><id>1</id><screen_name>al&amp;ice</screen_name></user>"),
            u"al&ice");
  EXPECT_EQ(SignedInName(ServiceApi::kMastodon, R"({"id":"1","username":"bob","acct":"bob\u00e9"})"), u"bob\u00e9");
  EXPECT_EQ(SignedInName(ServiceApi::kMastodon, R"({"username":"carol"})"), u"carol");
  EXPECT_EQ(SignedInName(ServiceApi::kMastodon, "<html>login</html>"), std::nullopt);
  EXPECT_EQ(SignedInName(ServiceApi::kTwitter, "<screen_name></screen_name>"), std::nullopt);

  struct Case {
    ServiceApi api;
    std::string body;
    std::optional<int> limit;
  };
  const Case cases[] = {
      {ServiceApi::kTwitter, R"({"site":{"name":"x","textlimit":"1000"}})", 1000},
      {ServiceApi::kTwitter, R"({"site":{"textlimit":280}})", 280},
      {ServiceApi::kMastodon, R"({"configuration":{"statuses":{"max_characters":500}},"x":[1,{"a":null}]})", 500},
      {ServiceApi::kMastodon, R"({"configuration":{"statuses":{"max_characters":100000}}})", 5000},
      {ServiceApi::kTwitter, R"({"site":{"textlimit":"0"}})", std::nullopt},
      {ServiceApi::kTwitter, R"({"site":{"textlimit":-5}})", std::nullopt},
      {ServiceApi::kTwitter, R"({"site":{"textlimit":"12x"}})", std::nullopt},
      {ServiceApi::kTwitter, R"({"site":{"textlimit":"1000"})", std::nullopt},  // cut short
      {ServiceApi::kMastodon, R"({"statuses":{"max_characters":500}})", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(TextLimit(c.api, c.body), c.limit) << c.body;
  EXPECT_EQ(json::Lookup(std::string(100000, '['), {"a"}), std::nullopt);  // nesting too deep: nothing, no crash
  EXPECT_EQ(json::Lookup(R"({"a":"\ud83d\ude00\n"})", {"a"}), "\xF0\x9F\x98\x80\n");
}

TEST(ServiceReplies, EveryTestOutcomeIsToldInWords) {
  ServerAddress server = *ParseServer(u"https://s.example/").address;
  using platform::HttpOutcome;
  struct Case {
    platform::HttpReply reply;
    bool usedToken;
    std::u16string expected;  // a part of the message
  };
  const Case cases[] = {
      {{HttpOutcome::kReplied, 200, "", R"({"acct":"bob"})"}, true, u"Signed in as @bob."},
      {{HttpOutcome::kReplied, 200, "", "<html/>"}, false, u"not as a Mastodon-compatible service"},
      {{HttpOutcome::kReplied, 401}, true, u"refused the access token (401)"},
      {{HttpOutcome::kReplied, 403}, false, u"refused the user name or password (403)"},
      {{HttpOutcome::kReplied, 404}, false, u"does not answer as a Mastodon-compatible service (404)"},
      {{HttpOutcome::kReplied, 301, "https://t.example/"}, false, u"redirects to https://t.example/"},
      {{HttpOutcome::kReplied, 502}, false, u"answered 502"},
      {{HttpOutcome::kUnreachable}, false, u"No answer from s.example"},
      {{HttpOutcome::kTimedOut}, false, u"within 30 seconds"},
      {{HttpOutcome::kCertificateUntrusted}, false, u"is not trusted"},
      {{HttpOutcome::kCertificateExpired}, false, u"has expired"},
      {{HttpOutcome::kCertificateWrongName}, false, u"for another name"},
      {{HttpOutcome::kSecureChannelFailed}, false, u"No secure connection to s.example"},
  };
  for (const auto& c : cases) {
    std::u16string words = service_replies::DescribeTest(server, ServiceApi::kMastodon, c.usedToken, c.reply);
    EXPECT_NE(words.find(c.expected), std::u16string::npos) << std::string(words.begin(), words.end());
  }
}

}  // namespace
}  // namespace quillet
