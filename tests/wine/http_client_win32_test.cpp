// HTTP over WinHTTP against the loopback service (tests/e2e/service.py), which
// tests/wine/run_with_service.sh starts and names in the environment; without it these tests
// are skipped. And secrets protected with DPAPI.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "common/failure.h"
#include "platform/win32/win32_http_client.h"
#include "platform/win32/win32_secrets.h"
#include "tests/wine/pump.h"

namespace quillet::wine_tests {
namespace {

using platform::HttpOutcome;
using platform::HttpReply;
using platform::HttpRequest;
using platform::win32::Win32HttpClient;
using platform::win32::Win32Secrets;

constexpr int kTimeoutMs = 2000;  // the client's, for every stage

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::uint16_t Port(const char* name) { return static_cast<std::uint16_t>(std::atoi(Env(name).c_str())); }

// A loopback port nobody listens on.
std::uint16_t ClosedPort() {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
  int length = sizeof address;
  getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
  closesocket(probe);
  WSACleanup();
  return ntohs(address.sin_port);
}

class HttpClientTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Env("QUILLET_TEST_MODE_FILE").empty()) GTEST_SKIP() << "no test service (see run_with_service.sh)";
  }
  static void SetMode(const char* mode) { std::ofstream(Env("QUILLET_TEST_MODE_FILE"), std::ios::trunc) << mode; }
};

struct Case {
  const char* name;
  const char* mode;
  const char* portVariable;  // null: a closed port
  bool secure;
  const char* method;
  const char* path;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  std::set<HttpOutcome> outcomes;  // any of these
  int status;
  std::string bodyPart;  // found in the reply's body
  bool requestSent;
  const char* host = "localhost";
};

const std::set<HttpOutcome> kCertificateRefused{HttpOutcome::kCertificateUntrusted, HttpOutcome::kCertificateExpired,
                                                HttpOutcome::kCertificateWrongName, HttpOutcome::kSecureChannelFailed};

TEST_F(HttpClientTest, OutcomesOfRequests) {
  const std::vector<std::pair<std::string, std::string>> basic{{"Authorization", "Basic YWxpY2U6c2VjcmV0"}};
  const std::vector<std::pair<std::string, std::string>> form{{"Authorization", "Bearer token-1"},
                                                              {"Content-Type", "application/x-www-form-urlencoded"}};
  const std::vector<Case> cases{
      {"post answered with a body",
       "ok",
       "QUILLET_TEST_HTTPS_PORT",
       true,
       "POST",
       "/api/v1/statuses",
       form,
       "status=h%C3%A9llo%20%26%20more",
       {HttpOutcome::kReplied},
       200,
       "\"content\": \"<p>h\xC3\xA9llo &amp; more</p>\"",
       true},
      {"credentials refused",
       "ok",
       "QUILLET_TEST_HTTPS_PORT",
       true,
       "GET",
       "/api/account/verify_credentials.xml",
       {{"Authorization", "Basic d3Jvbmc6d3Jvbmc="}},
       "",
       {HttpOutcome::kReplied},
       401,
       "Could not authenticate",
       true},
      {"read with Basic",
       "ok",
       "QUILLET_TEST_HTTPS_PORT",
       true,
       "GET",
       "/api/account/verify_credentials.xml",
       basic,
       "",
       {HttpOutcome::kReplied},
       200,
       "<screen_name>alice</screen_name>",
       true},
      {"not found",
       "404",
       "QUILLET_TEST_HTTPS_PORT",
       true,
       "GET",
       "/api/statusnet/config.json",
       {},
       "",
       {HttpOutcome::kReplied},
       404,
       "",
       true},
      {"redirect not followed",
       "301",
       "QUILLET_TEST_HTTPS_PORT",
       true,
       "GET",
       "/api/v1/instance",
       {},
       "",
       {HttpOutcome::kReplied},
       301,
       "Moved",
       true},
      {"plain http",
       "ok",
       "QUILLET_TEST_HTTP_PORT",
       false,
       "GET",
       "/api/v1/instance",
       {},
       "",
       {HttpOutcome::kReplied},
       200,
       "\"max_characters\": 321",
       true},
      {"no answer",
       "hang",
       "QUILLET_TEST_HTTPS_PORT",
       true,
       "POST",
       "/api/v1/statuses",
       form,
       "status=x",
       {HttpOutcome::kTimedOut},
       0,
       "",
       true},
      {"closed without a word",
       "close",
       "QUILLET_TEST_HTTP_PORT",
       false,
       "GET",
       "/api/v1/instance",
       {},
       "",
       {HttpOutcome::kUnreachable, HttpOutcome::kFailed},
       0,
       "",
       true},
      {"refused", "ok", nullptr, true, "GET", "/", {}, "", {HttpOutcome::kUnreachable}, 0, "", false},
      {"refused at an IPv6 address",
       "ok",
       nullptr,
       false,
       "GET",
       "/",
       {},
       "",
       {HttpOutcome::kUnreachable},
       0,
       "",
       false,
       "::1"},
      {"untrusted CA", "ok", "QUILLET_TEST_UNTRUSTED_PORT", true, "POST", "/api/v1/statuses", form, "status=x",
       kCertificateRefused, 0, "", false},
      {"wrong name", "ok", "QUILLET_TEST_WRONGNAME_PORT", true, "POST", "/api/v1/statuses", form, "status=x",
       kCertificateRefused, 0, "", false},
      {"expired", "ok", "QUILLET_TEST_EXPIRED_PORT", true, "POST", "/api/v1/statuses", form, "status=x",
       kCertificateRefused, 0, "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetMode(c.mode);
    Win32HttpClient client(kTimeoutMs);
    HttpRequest request{c.method, c.secure,  "localhost", c.portVariable ? Port(c.portVariable) : ClosedPort(),
                        c.path,   c.headers, c.body};
    int calls = 0;
    DWORD thread = 0;
    HttpReply reply;
    client.Send(request, [&](HttpReply r) {
      ++calls;
      thread = GetCurrentThreadId();
      reply = std::move(r);
    });
    EXPECT_EQ(calls, 0);  // never before Send returns
    ASSERT_TRUE(PumpUntil([&] { return calls > 0; }, 4 * kTimeoutMs + 5000));
    PumpFor(50);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(thread, GetCurrentThreadId());
    EXPECT_TRUE(c.outcomes.count(reply.outcome)) << static_cast<int>(reply.outcome);
    if (reply.outcome == HttpOutcome::kReplied) {
      EXPECT_EQ(reply.status, c.status);
    }
    EXPECT_NE(reply.body.find(c.bodyPart), std::string::npos) << reply.body;
    EXPECT_EQ(reply.requestSent, c.requestSent);
    if (c.status == 301) {
      EXPECT_EQ(reply.location, "https://127.0.0.1:" + Env("QUILLET_TEST_HTTPS_PORT") + "/moved/");
    }
  }
}

TEST_F(HttpClientTest, DestroyingTheClientAbandonsWhatIsUnderWay) {
  SetMode("hang");
  int calls = 0;
  DWORD start = 0;
  {
    Win32HttpClient client(1500);
    HttpRequest request{"GET", true, "localhost", Port("QUILLET_TEST_HTTPS_PORT"), "/api/v1/instance", {}, ""};
    client.Send(request, [&](HttpReply) { ++calls; });
    client.Send(request, [&](HttpReply) { ++calls; });
    PumpFor(300);  // the requests are waiting for their answers
    start = GetTickCount();
  }
  EXPECT_LT(GetTickCount() - start, 1000u);  // not held up by the requests
  PumpFor(3000);                             // the workers give up meanwhile, and post nothing
  EXPECT_EQ(calls, 0);
}

TEST_F(HttpClientTest, RetryAfterComesAsSentInEitherForm) {
  const std::pair<const char*, std::string> cases[] = {{"503", "2"}, {"429", "Wed, 21 Oct 2037 07:28:00 GMT"}};
  for (const auto& [mode, retryAfter] : cases) {
    SCOPED_TRACE(mode);
    SetMode(mode);
    Win32HttpClient client(kTimeoutMs);
    std::optional<HttpReply> reply;
    client.Send({"GET", true, "localhost", Port("QUILLET_TEST_HTTPS_PORT"), "/api/v1/instance", {}, ""},
                [&](HttpReply r) { reply = std::move(r); });
    ASSERT_TRUE(PumpUntil([&] { return reply.has_value(); }, 4 * kTimeoutMs + 5000));
    EXPECT_EQ(reply->outcome, HttpOutcome::kReplied);
    EXPECT_EQ(reply->retryAfter, retryAfter);
    EXPECT_EQ(reply->rateLimitReset, std::string(mode) == "429" ? "2139668880" : "");
  }
}

TEST_F(HttpClientTest, AnAnswerDrippedOutEndsAtTheOverallDeadline) {
  // Every byte comes well within the stage timeout; only the deadline ends the request.
  SetMode("drip");
  constexpr int kDeadlineMs = 3000;
  Win32HttpClient client(kTimeoutMs, kDeadlineMs);
  std::optional<HttpReply> reply;
  DWORD start = GetTickCount();
  client.Send({"POST", true, "localhost", Port("QUILLET_TEST_HTTPS_PORT"), "/api/v1/statuses",
               {{"Content-Type", "application/x-www-form-urlencoded"}}, "status=x"},
              [&](HttpReply r) { reply = std::move(r); });
  ASSERT_TRUE(PumpUntil([&] { return reply.has_value(); }, kDeadlineMs + 5000)) << "held past the deadline";
  EXPECT_GE(GetTickCount() - start, static_cast<DWORD>(kDeadlineMs) - 100);
  EXPECT_EQ(reply->outcome, HttpOutcome::kTimedOut);
  EXPECT_TRUE(reply->requestSent);
  PumpFor(1500);  // the worker gives up and posts nothing more
}

TEST(Win32Secrets, ProtectedDataComesBackAndDamagedDataIsRefused) {
  Win32Secrets secrets;
  for (const std::string& clear :
       {std::string(), std::string("access-token-1"), std::string("\0\xff \xC3\xA9\x01", 6)}) {
    std::string sealed = secrets.Protect(clear);
    EXPECT_EQ(sealed.find("access-token"), std::string::npos);
    EXPECT_EQ(secrets.Unprotect(sealed), clear);
    // Damage to the protected contents (Wine ignores damage to some fields of the header).
    EXPECT_THROW(secrets.Unprotect(sealed.substr(0, sealed.size() - 1) + char(sealed.back() ^ 0x55)), Failure);
    EXPECT_THROW(secrets.Unprotect(sealed.substr(0, sealed.size() - 8)), Failure);
  }
  EXPECT_THROW(secrets.Unprotect(""), Failure);
  EXPECT_THROW(secrets.Unprotect("not a protected blob"), Failure);
}

}  // namespace
}  // namespace quillet::wine_tests
