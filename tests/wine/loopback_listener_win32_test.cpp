// The one-shot loopback listener over Winsock under Wine: a port of the system's choosing on
// 127.0.0.1, the head handed on whole however it arrives, the reply sent and the connection
// closed, an endless head dropped unanswered, idle connections closed at their deadline, and
// nothing accepted after the last answer. And the system's random bytes the sign-in's state and
// verifier come from.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <ws2tcpip.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/win32/win32_loopback_listener.h"
#include "platform/win32/win32_secrets.h"
#include "tests/wine/pump.h"

namespace quillet::wine_tests {
namespace {

using platform::LoopbackAnswer;
using platform::win32::Win32LoopbackListener;

// A blocking client of the listener, read with a deadline while the test thread pumps.
class Browser {
 public:
  explicit Browser(std::uint16_t port) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    DWORD timeoutMs = 3000;
    setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeoutMs), sizeof timeoutMs);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    connected = connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~Browser() {
    closesocket(socket_);
    WSACleanup();
  }
  void Send(const std::string& bytes) { send(socket_, bytes.data(), static_cast<int>(bytes.size()), 0); }
  // Everything until the listener closes the connection (or the deadline).
  std::string ReadToEnd() {
    std::string all;
    char chunk[1024];
    int count;
    while ((count = recv(socket_, chunk, sizeof chunk, 0)) > 0) all.append(chunk, count);
    closedByListener = count == 0 || WSAGetLastError() != WSAETIMEDOUT;
    return all;
  }
  bool connected = false;
  bool closedByListener = false;  // by the last ReadToEnd: closed or reset rather than silent

 private:
  SOCKET socket_;
};

TEST(LoopbackListenerWin32, AnswersWholeHeadsAndStopsAfterTheLastAnswer) {
  Win32LoopbackListener listener;
  std::vector<std::string> heads;
  std::uint16_t port = listener.Listen([&heads](std::string_view head) {
    heads.emplace_back(head);
    return LoopbackAnswer{"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", head.find("/last") != std::string_view::npos};
  });
  ASSERT_GT(port, 0);

  Browser first(port);
  ASSERT_TRUE(first.connected);
  first.Send("GET /favicon.ico HTTP/1.1\r\nHost: 127.0.0.1\r\n");
  PumpFor(200);
  EXPECT_TRUE(heads.empty()) << "a head without its blank line is not handed on";
  first.Send("Accept: */*\r\n\r\n");
  ASSERT_TRUE(PumpUntil([&] { return heads.size() == 1; }));
  EXPECT_EQ(heads[0], "GET /favicon.ico HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept: */*\r\n\r\n");
  PumpFor(100);
  EXPECT_EQ(first.ReadToEnd(), "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");

  Browser endless(port);
  endless.Send(std::string(platform::ILoopbackListener::kMaxHead + 100, 'x'));
  PumpFor(300);
  EXPECT_EQ(endless.ReadToEnd(), "") << "dropped unanswered";
  EXPECT_EQ(heads.size(), 1u);

  Browser last(port);
  last.Send("GET /last HTTP/1.1\r\n\r\n");
  ASSERT_TRUE(PumpUntil([&] { return heads.size() == 2; }));
  PumpFor(100);
  EXPECT_NE(last.ReadToEnd().find("ok"), std::string::npos);
  Browser late(port);
  EXPECT_FALSE(late.connected) << "the listener closed after its last answer";
}

// Local programs that connect and send nothing (or half a head) hold every place: each is closed
// unanswered at its deadline, and the browser that connected meanwhile is served.
TEST(LoopbackListenerWin32, IdleConnectionsAreClosedAtTheirDeadlineAndTheBrowserIsServed) {
  constexpr DWORD kDeadlineMs = 1000;
  Win32LoopbackListener listener(kDeadlineMs);
  std::vector<std::string> heads;
  std::uint16_t port = listener.Listen([&heads](std::string_view head) {
    heads.emplace_back(head);
    return LoopbackAnswer{"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", true};
  });
  std::vector<std::unique_ptr<Browser>> idle;
  for (std::size_t i = 0; i < platform::ILoopbackListener::kMaxConnections; ++i) {
    idle.push_back(std::make_unique<Browser>(port));
    ASSERT_TRUE(idle.back()->connected);
  }
  idle.front()->Send("GET /callback HTTP/1.1\r\n");
  PumpFor(200);
  Browser browser(port);
  ASSERT_TRUE(browser.connected);
  browser.Send("GET /callback?code=c HTTP/1.1\r\n\r\n");
  DWORD start = GetTickCount();
  ASSERT_TRUE(PumpUntil([&] { return heads.size() == 1; }, 10 * kDeadlineMs));
  EXPECT_GE(GetTickCount() - start, kDeadlineMs / 2) << "served only once a place was free";
  EXPECT_EQ(heads[0], "GET /callback?code=c HTTP/1.1\r\n\r\n");
  PumpFor(100);
  EXPECT_EQ(browser.ReadToEnd(), "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
  for (auto& each : idle) {
    EXPECT_EQ(each->ReadToEnd(), "");
    EXPECT_TRUE(each->closedByListener);
  }
}

TEST(SecretsWin32, RandomBytesComeFromTheSystemAndDiffer) {
  platform::win32::Win32Secrets secrets;
  std::string a = secrets.RandomBytes(32), b = secrets.RandomBytes(32);
  EXPECT_EQ(a.size(), 32u);
  EXPECT_NE(a, b);
}

}  // namespace
}  // namespace quillet::wine_tests
