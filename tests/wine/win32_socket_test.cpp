// The socket control over Winsock: events on the user-interface thread, one connection at a
// time, nothing from a closed connection, a bounded buffer.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <ws2tcpip.h>

#include <string>
#include <vector>

#include "common/failure.h"
#include "platform/win32/win32_socket.h"
#include "tests/wine/pump.h"

namespace quillet::wine_tests {
namespace {

using platform::win32::Win32Socket;

// A blocking loopback listener, driven step by step by the test.
class Listener {
 public:
  Listener() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    int length = sizeof address;
    getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    listen(socket_, 4);
  }
  ~Listener() {
    for (SOCKET peer : peers_) closesocket(peer);
    closesocket(socket_);
    WSACleanup();
  }
  // Accepts the next connection (waiting up to two seconds); INVALID_SOCKET when none came.
  SOCKET Accept(DWORD waitMs = 2000) {
    fd_set ready;
    FD_ZERO(&ready);
    FD_SET(socket_, &ready);
    timeval wait{static_cast<long>(waitMs / 1000), static_cast<long>(waitMs % 1000) * 1000};
    if (select(0, &ready, nullptr, nullptr, &wait) != 1) return INVALID_SOCKET;
    SOCKET peer = accept(socket_, nullptr, nullptr);
    peers_.push_back(peer);
    return peer;
  }
  static std::string ReadAvailable(SOCKET peer, std::size_t atLeast) {
    std::string bytes;
    char buffer[4096];
    while (bytes.size() < atLeast) {
      int count = recv(peer, buffer, sizeof buffer, 0);
      if (count <= 0) break;
      bytes.append(buffer, static_cast<std::size_t>(count));
    }
    return bytes;
  }
  std::uint16_t port = 0;

 private:
  SOCKET socket_ = INVALID_SOCKET;
  std::vector<SOCKET> peers_;
};

class SocketTest : public ::testing::Test {
 protected:
  void SetUp() override {
    socket.OnConnect([&] {
      ++connects;
      connectThread = GetCurrentThreadId();
    });
    socket.OnClose([&](platform::SocketEnd how) { ends.push_back(how); });
    socket.OnDataArrival([&](std::int32_t bytesTotal) {
      ++arrivals;
      largestTotal = std::max(largestTotal, bytesTotal);
      if (drain) received += socket.GetData();
    });
  }
  Win32Socket socket;
  std::vector<platform::SocketEnd> ends;  // the Close events, in order
  int connects = 0, arrivals = 0;
  std::int32_t largestTotal = 0;
  bool drain = true;
  DWORD connectThread = 0;
  std::string received;
};

TEST_F(SocketTest, ConnectReturnsAtOnceAndEventsArriveOnTheUiThread) {
  Listener listener;
  socket.Connect("127.0.0.1", listener.port);
  EXPECT_EQ(connects, 0);  // the outcome comes later, as an event
  ASSERT_TRUE(PumpUntil([&] { return connects == 1; }));
  EXPECT_EQ(connectThread, GetCurrentThreadId());
  EXPECT_EQ(socket.state(), Win32Socket::State::Connected);

  SOCKET peer = listener.Accept();
  ASSERT_NE(peer, INVALID_SOCKET);
  socket.SendData("POST / HTTP/1.0\r\n\r\n");
  EXPECT_EQ(Listener::ReadAvailable(peer, 19), "POST / HTTP/1.0\r\n\r\n");

  send(peer, "HTTP/1.0 200 OK\r\n\r\n<ok/>", 24, 0);
  closesocket(peer);
  ASSERT_TRUE(PumpUntil([&] { return socket.state() == Win32Socket::State::ClosedByPeer; }));
  EXPECT_EQ(received, "HTTP/1.0 200 OK\r\n\r\n<ok/>");
  EXPECT_TRUE(socket.AllSent());
  EXPECT_EQ(ends, std::vector<platform::SocketEnd>{platform::SocketEnd::kClosed}) << "after the data";
  EXPECT_EQ(socket.GetData(), "");
  EXPECT_THROW(socket.SendData("late"), Failure);
}

TEST_F(SocketTest, NamesAreLookedUpAndARefusedConnectionOrAnUnknownNameEndsWithCloseEvent) {
  Listener listener;
  socket.Connect("localhost", listener.port);
  ASSERT_TRUE(PumpUntil([&] { return connects == 1; }));
  ASSERT_NE(listener.Accept(), INVALID_SOCKET);

  std::uint16_t closedPort = 0;
  {
    Listener gone;
    closedPort = gone.port;
  }
  socket.Close();
  socket.Connect("127.0.0.1", closedPort);
  EXPECT_TRUE(PumpUntil([&] { return socket.state() == Win32Socket::State::Closed; }));
  EXPECT_EQ(connects, 1);

  EXPECT_EQ(ends, std::vector<platform::SocketEnd>{platform::SocketEnd::kNotConnected});

  socket.Connect("no-such-host.invalid", 80);  // allowed again: the control is closed
  EXPECT_TRUE(PumpUntil([&] { return ends.size() == 2; }, 15000));
  EXPECT_EQ(socket.state(), Win32Socket::State::Closed);
  EXPECT_EQ(connects, 1);
  EXPECT_EQ(ends.back(), platform::SocketEnd::kNotConnected);
}

TEST_F(SocketTest, OneConnectionAtATimeAndNothingFromAClosedOne) {
  Listener first, second;
  socket.Connect("127.0.0.1", first.port);
  EXPECT_THROW(socket.Connect("127.0.0.1", second.port), Failure);
  socket.Close();  // before its lookup or connection completed
  socket.Connect("127.0.0.1", second.port);
  ASSERT_TRUE(PumpUntil([&] { return connects == 1; }));
  PumpFor(200);
  EXPECT_EQ(connects, 1);
  EXPECT_NE(second.Accept(), INVALID_SOCKET);

  // Data that arrived for a connection closed before its event was handled is never raised.
  socket.Close();
  socket.Connect("127.0.0.1", first.port);
  ASSERT_TRUE(PumpUntil([&] { return connects == 2; }));
  SOCKET talker = first.Accept();
  ASSERT_NE(talker, INVALID_SOCKET);
  send(talker, "stale", 5, 0);
  Sleep(100);  // the data is there, its event queued
  socket.Close();
  PumpFor(200);
  EXPECT_EQ(arrivals, 0);
  EXPECT_EQ(socket.GetData(), "");
  EXPECT_TRUE(ends.empty()) << "Close raises nothing";
}

TEST_F(SocketTest, AFloodIsTakenInBoundedChunks) {
  Listener listener;
  socket.Connect("127.0.0.1", listener.port);
  ASSERT_TRUE(PumpUntil([&] { return connects == 1; }));
  SOCKET peer = listener.Accept();
  ASSERT_NE(peer, INVALID_SOCKET);
  u_long nonBlocking = 1;
  ioctlsocket(peer, FIONBIO, &nonBlocking);
  const std::size_t total = 6 * 1024 * 1024;
  std::string block(64 * 1024, 'x');
  std::size_t sent = 0;
  std::size_t got = 0;
  socket.OnDataArrival([&](std::int32_t bytesTotal) {
    largestTotal = std::max(largestTotal, bytesTotal);
    got += socket.GetData().size();
  });
  ASSERT_TRUE(PumpUntil(
      [&] {
        while (sent < total) {
          int count = send(peer, block.data(), static_cast<int>(std::min(block.size(), total - sent)), 0);
          if (count <= 0) break;
          sent += static_cast<std::size_t>(count);
        }
        return got == total;
      },
      30000));
  EXPECT_LE(largestTotal, 64 * 1024);

  // Without GetData, reading stops at the buffer's bound until the data is taken.
  socket.OnDataArrival([&](std::int32_t bytesTotal) { largestTotal = bytesTotal; });
  std::size_t more = 0;
  std::string big(Win32Socket::kMaxBuffered * 2, 'y');
  PumpUntil(
      [&] {
        while (more < big.size()) {
          int count = send(peer, big.data() + more, static_cast<int>(big.size() - more), 0);
          if (count <= 0) break;
          more += static_cast<std::size_t>(count);
        }
        return false;
      },
      1000);
  EXPECT_GE(static_cast<std::size_t>(largestTotal), Win32Socket::kMaxBuffered);
  EXPECT_LT(static_cast<std::size_t>(largestTotal), Win32Socket::kMaxBuffered + 64 * 1024);
  EXPECT_EQ(socket.GetData().size(), static_cast<std::size_t>(largestTotal));
  closesocket(peer);
}

}  // namespace
}  // namespace quillet::wine_tests
