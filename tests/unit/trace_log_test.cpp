// The trace names where a failure was thrown and where it was dropped, and the log a person may
// send us holds no secret.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "common/callback.h"
#include "common/convert.h"
#include "common/steps.h"
#include "common/trace.h"
#include "common/utf8.h"
#include "delivery/base64.h"
#include "platform/fake/fake_files.h"
#include "platform/fake/fake_log.h"
#include "platform/fake/fake_trace.h"
#include "settings/password_scrambling.h"
#include "tests/unit/fake_program.h"

namespace quillet::testing {
namespace {

using platform::HttpOutcome;
using platform::SocketEnd;

TEST(Trace, StepsAndGuardsNameTheCallersFileAndLine) {
  auto& traced = platform::fake::Swallowed();
  int line = __LINE__ + 1;
  Step([] { throw Failure("CreateFileW failed: in use (32)"); });
  EXPECT_EQ(traced.lastWhere, "trace_log_test.cpp:" + std::to_string(line));
  EXPECT_EQ(traced.lastThrownAt, "trace_log_test.cpp:" + std::to_string(line));
  EXPECT_EQ(traced.lastWhat, "CreateFileW failed: in use (32)");
  line = __LINE__ + 1;
  EXPECT_TRUE(Guard([]() -> bool { throw Failure("RegQueryValueExW failed"); }));
  EXPECT_EQ(traced.lastWhere, "trace_log_test.cpp:" + std::to_string(line));
}

// A failure thrown in one file and dropped in another names both places, in the trace and in the
// log's line; an error of the C++ runtime's own knows only where it was dropped.
TEST(Trace, ASwallowedFailureNamesWhereItWasThrownAndWhereItWasDropped) {
  platform::fake::FakeFiles files;
  files.locked.insert("outbox.txt");
  std::vector<std::string> lines;
  SetTraceLog([&lines](std::string_view line) { lines.emplace_back(line); });
  const std::pair<Callback<void()>, std::string> cases[] = {
      // a Failure's kin, thrown by a conversion
      {[] { Step([] { ToInt16(u"twelve"); }); }, "convert.cpp:[0-9]+\\) not a number"},
      {[&] { EXPECT_TRUE(Guard([&] { return files.Read("outbox.txt").has_value(); })); },
       "fake_files.cpp:[0-9]+\\) the file is in use by another program"},
      // caught by a handler of its own, as the dialogs do
      {[&] {
         try {
           files.Replace("outbox.txt", "one");
         } catch (const std::exception& failure) {
           TraceSwallowedFailure(SourcePlace::current(), failure);
         }
       },
       "fake_files.cpp:[0-9]+\\) the file is in use by another program"},
      {[] { Step([] { static_cast<void>(std::string().at(1)); }); }, ""},
  };
  for (const auto& [swallow, thrown] : cases) {
    lines.clear();
    swallow();
    ASSERT_EQ(lines.size(), 1u) << thrown;
    std::string expected =
        "trace_log_test\\.cpp:[0-9]+ " + (thrown.empty() ? "(?!\\(thrown at).*" : "\\(thrown at " + thrown);
    EXPECT_TRUE(std::regex_match(lines[0], std::regex(expected))) << lines[0];
  }
  SetTraceLog({});
}

TEST(Trace, WhatCouldBeASecretIsTakenOut) {
  const std::pair<std::string, std::string> cases[] = {
      {"Authorization: Basic YWxpY2U6cHc=\r\nHost: x", "Authorization: [hidden]  Host: x"},
      {"sent Bearer abc.def-1, then", "sent Bearer [hidden], then"},
      {"source=Quillet&password=hunter2&status=hi", "source=Quillet&password=[hidden]&status=hi"},
      {"{\"access_token\": \"tok\", \"a\":1}", "{\"access_token\": \"[hidden]\", \"a\":1}"},
      {"oauth_token=\"t1\", oauth_token_secret=\"s1\"", "oauth_token=\"[hidden]\", oauth_token_secret=\"[hidden]\""},
      {"Cookie: session=abc; b=c", "Cookie: [hidden]"},
      {R"({"accessJwt":"eyJ0eXAi.eyJzY29w.c2ln","refreshJwt": "eyJ1.eyJ2.c2lo"})",
       R"({"accessJwt":"[hidden]","refreshJwt": "[hidden]"})"},
      {"GET /callback?code=Zx9-q&state=s1 HTTP/1.1", "GET /callback?code=[hidden]&state=s1 HTTP/1.1"},
      {"grant_type=authorization_code&code=c1&code_verifier=v1&client_secret=cs&refresh_token=rt",
       "grant_type=authorization_code&code=[hidden]&code_verifier=[hidden]&client_secret=[hidden]&refresh_token=[hidden]"},
      {R"({"code":"c2","password": "correct horse", "pwd":"a\"b c","id":1})",
       R"({"code":"[hidden]","password": "[hidden]", "pwd":"[hidden]","id":1})"},
      {R"(message: "{\"accessJwt\":\"x \\\" y\",\"did\":\"d\"}")",
       R"(message: "{\"accessJwt\":\"[hidden]\",\"did\":\"d\"}")"},
      {"kept eyJhbGciOiJIUzI1NiJ9.eyJzdWIiOiJ4In0.c2ln-_x then", "kept [hidden] then"},
      {"status code: 500, error code 32, qrcode", "status code: 500, error code 32, qrcode"},
      {"the server refused the password", "the server refused the password"},
      {"CreateFileW failed: The disk is full. (112)", "CreateFileW failed: The disk is full. (112)"},
  };
  for (const auto& [text, kept] : cases) EXPECT_EQ(WithoutSecrets(text), kept) << text;
}

// The program on both ways of sending, its password and token in the settings, through failures
// of every kind (a reply that echoes the request among them): the log tells each outcome and
// holds neither secret, in clear or in Base64.
TEST(Log, HoldsEveryOutcomeAndNoSecret) {
  const std::string password = "hunter2pass", token = "tok-9f8e7d6c";
  const std::string basic = base64::EncodeBytes("alice:" + password);
  const std::string echo = "Authorization: Basic " + basic + "\r\nAuthorization: Bearer " + token +
                           "\r\n\r\nsource=Quillet&password=" + password + "&status=one";
  FakeProgram fake({.connectHost = "status.example.net", .hostHeader = "example.net", .port = 8080});
  auto seconds = [&](int count) {
    for (int i = 0; i < count; ++i) {
      fake.clock.nowMs += 1000;
      fake.deliveryTimer.Tick();
    }
  };
  auto confirm = [&](std::u16string_view text) {
    fake.program.updateWindow().PopUp();
    fake.statusBox.Type(text);
    fake.clock.nowMs += 1000;
    fake.statusBox.TypeChar(u'\r');
  };
  fake.registry.Put(kAppKey, "Username", platform::kRegSz, "alice");
  fake.program.Start();
  fake.program.settings().Save(u"Password", password_scrambling::Scramble(utf8::ToUtf16(password)));
  fake.registry.Put(kAppKey, "Token", platform::kRegBinary, fake.secrets.Protect(token));
  fake.files.diskFull = true;  // every save of the outbox fails, and is traced

  // Through the socket, with Basic credentials: busy, then cut off after the request left.
  confirm(u"one");
  fake.socket.RaiseConnect();
  ASSERT_FALSE(fake.socket.sent.empty());
  ASSERT_NE(fake.socket.sent[0].find(basic), std::string::npos) << fake.socket.sent[0];
  fake.socket.RaiseData("HTTP/1.0 503 Busy " + echo + "\r\n\r\n" + echo);
  fake.socket.PeerCloses();
  seconds(40);
  fake.socket.RaiseConnect();
  fake.socket.RaiseClose(SocketEnd::kReset);
  // Through the HTTP client, with the token: refused with the request echoed, then taken.
  fake.registry.Put(kAppKey, "Api", platform::kRegSz, "mastodon");
  fake.registry.Put(kAppKey, "Server", platform::kRegSz, "https://m.example/");
  seconds(1);
  confirm(u"two");
  ASSERT_EQ(fake.http.pending.size(), 1u);
  fake.http.Answer(401, echo);
  confirm(u"three");
  fake.http.Answer(platform::HttpReply{.outcome = HttpOutcome::kTimedOut, .body = echo});
  seconds(40);
  ASSERT_EQ(fake.http.pending.size(), 1u);
  fake.http.Answer(200, echo);

  std::string all;
  for (const std::string& line : fake.log.lines) all += line + "\n";
  for (const char* outcome : {"line 1 to be sent again: ", "line 1 kept for the person: ", "line 2 kept for the person: ",
                              "line 3 to be sent again: ", "line 3 sent", "the disk is full", "times more)"})
    EXPECT_NE(all.find(outcome), std::string::npos) << outcome << " in\n" << all;
  for (const std::string& secret : {password, token, basic})
    EXPECT_EQ(all.find(secret), std::string::npos) << secret << " in\n" << all;
}

}  // namespace
}  // namespace quillet::testing
