// The WebSocket connection over WinHTTP against real servers on loopback, which
// tests/wine/run_with_service.sh starts: the Nostr relay, a WebSocket echo (both skipped without
// node or build/nostr) and the HTTP test services. Every wait pumps the test thread's messages,
// where the events arrive; no call of the socket's may hold that thread up.
#include <gtest/gtest.h>
#include <winsock2.h>
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/win32_websocket.h"
#include "tests/wine/pump.h"

namespace quillet::wine_tests {
namespace {

using platform::WebSocketClosed;
using platform::WebSocketEnd;
using platform::win32::Win32WebSocket;

constexpr DWORD kDeadlineMs = 2000;  // the sockets' open deadline here
constexpr DWORD kMomentMs = 100;     // what a call of the socket's may take at most

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// A socket and what it raised. Each call of the socket's is timed.
struct Connection {
  Win32WebSocket socket{kDeadlineMs};
  int opened = 0, closedCount = 0;
  std::vector<std::string> texts;
  std::optional<WebSocketClosed> closed;

  template <class Call>
  void Quickly(Call call) {
    DWORD start = GetTickCount();
    call(socket);
    EXPECT_LT(GetTickCount() - start, kMomentMs) << "a call held the thread up";
  }
  void Open(const std::string& url) {
    Quickly([&](Win32WebSocket& s) {
      s.Open(
          url, [this] { ++opened; }, [this](std::string text) { texts.push_back(std::move(text)); },
          [this](WebSocketClosed how) {
            closed = std::move(how);
            ++closedCount;
          });
    });
  }
  void Send(std::string text) {
    Quickly([&](Win32WebSocket& s) { s.SendText(std::move(text)); });
  }
  // Waits for a text that begins with `start`, and takes it.
  std::optional<std::string> Take(const std::string& start) {
    std::optional<std::string> found;
    PumpUntil([&] {
      for (auto it = texts.begin(); it != texts.end(); ++it) {
        if (!it->starts_with(start)) continue;
        found = std::move(*it);
        texts.erase(it);
        return true;
      }
      return closed.has_value();
    });
    return found;
  }
};

// A loopback port that takes connections and never says a word (nobody accepts them).
struct SilentListener {
  SOCKET listener;
  int port = 0;
  SilentListener() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{AF_INET, 0, {}, {}};
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener, 4);
    int length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
  }
  ~SilentListener() { closesocket(listener), WSACleanup(); }
  std::string Url() const { return "ws://127.0.0.1:" + std::to_string(port) + "/"; }
};

class WebSocketTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Env("QUILLET_TEST_MODE_FILE").empty()) GTEST_SKIP() << "no test service (see run_with_service.sh)";
    std::ofstream(Env("QUILLET_TEST_MODE_FILE"), std::ios::trunc) << "ok";
  }
  static bool NoNode() { return Env("QUILLET_TEST_RELAY_PORT").empty() || Env("QUILLET_TEST_ECHO_PORT").empty(); }
};

TEST_F(WebSocketTest, FailuresEndOnceInWordsWithinTheDeadline) {
  SilentListener silent;
  std::string closedPort = SilentListener().Url();  // its listener is gone
  const std::pair<std::string, WebSocketEnd> cases[] = {
      {closedPort, WebSocketEnd::kRefused},
      {"ws://127.0.0.1:" + Env("QUILLET_TEST_HTTP_PORT") + "/", WebSocketEnd::kNotWebSocket},
      {"wss://localhost:" + Env("QUILLET_TEST_HTTPS_PORT") + "/", WebSocketEnd::kNotWebSocket},  // TLS works
      {"wss://localhost:" + Env("QUILLET_TEST_UNTRUSTED_PORT") + "/", WebSocketEnd::kSecureChannelFailed},
      {"ws://name.invalid/", WebSocketEnd::kNameNotFound},
      {silent.Url(), WebSocketEnd::kTimedOut},
      {"https://127.0.0.1/", WebSocketEnd::kFailed},
  };
  for (const auto& [url, end] : cases) {
    SCOPED_TRACE(url);
    Connection c;
    c.Open(url);
    ASSERT_TRUE(PumpUntil([&] { return c.closed.has_value(); }, kDeadlineMs + 1000));
    EXPECT_EQ(c.closed->end, end) << c.closed->words;
    EXPECT_FALSE(c.closed->words.empty());
    PumpFor(50);
    EXPECT_EQ(c.opened + c.closedCount, 1);
  }
}

TEST_F(WebSocketTest, TalksWithTheRelay) {
  if (NoNode()) GTEST_SKIP() << "no relay: node or build/nostr is missing (bash tools/setup-servers.sh)";
  Connection c;
  c.Open("ws://127.0.0.1:" + Env("QUILLET_TEST_RELAY_PORT"));
  c.Send(R"(["REQ","early",{"ids":[")" + std::string(64, '0') + R"("]}])");  // waits for the handshake
  ASSERT_TRUE(PumpUntil([&] { return c.opened == 1 || c.closed; }));
  EXPECT_EQ(c.Take(R"(["EOSE")"), R"(["EOSE","early"])");
  c.Send("not a message");
  EXPECT_TRUE(c.Take(R"(["NOTICE",)"));
  PumpFor(kDeadlineMs + 500);  // quiet for longer than the open deadline: still open
  c.Send(R"(["REQ","later",{"kinds":[1],"limit":1}])");
  EXPECT_EQ(c.Take(R"(["EOSE")"), R"(["EOSE","later"])");
  c.Quickly([](Win32WebSocket& s) { s.Close(); });
  PumpFor(300);
  EXPECT_FALSE(c.closed) << "an event after Close";
}

TEST_F(WebSocketTest, LongMessagesComeWholeAndTheServerMayClose) {
  if (NoNode()) GTEST_SKIP() << "no echo: node or build/nostr is missing (bash tools/setup-servers.sh)";
  Connection c;
  c.Open("ws://127.0.0.1:" + Env("QUILLET_TEST_ECHO_PORT") + "/");
  std::string line;  // far longer than one receive
  for (int i = 0; line.size() < 300 * 1024; ++i) line += "h\xC3\xA9llo " + std::to_string(i) + " ";
  c.Send(line);
  c.Send("second");
  EXPECT_EQ(c.Take("h\xC3\xA9llo 0 "), line);
  EXPECT_EQ(c.Take("second"), "second");
  c.Send("close please");
  ASSERT_TRUE(PumpUntil([&] { return c.closed.has_value(); }));
  EXPECT_EQ(c.closed->end, WebSocketEnd::kClosed);
  EXPECT_NE(c.closed->words.find("4000: bye"), std::string::npos) << c.closed->words;
}

TEST_F(WebSocketTest, ClosedOrDestroyedWhileOpeningRaisesNothing) {
  SilentListener silent;
  Connection closed;
  {
    Connection gone;
    closed.Open(silent.Url());
    closed.Send("never sent");
    closed.Quickly([](Win32WebSocket& s) { s.Close(); });
    gone.Open(silent.Url());
  }
  PumpFor(kDeadlineMs + 500);
  EXPECT_EQ(closed.closedCount, 0);
}

}  // namespace
}  // namespace quillet::wine_tests
