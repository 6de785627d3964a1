#pragma once
// A socket the program may own that is another one the test keeps: the program makes each
// account's connection itself, the test drives the one it holds.
#include <memory>

#include "platform/socket.h"

namespace quillet::testing {

class ForwardingSocket : public platform::ISocket {
 public:
  explicit ForwardingSocket(platform::ISocket& socket) : socket_(socket) {}
  void Close() override { socket_.Close(); }
  void Connect(const std::string& host, std::uint16_t port) override { socket_.Connect(host, port); }
  void SendData(const std::string& bytes) override { socket_.SendData(bytes); }
  std::string GetData() override { return socket_.GetData(); }
  bool AllSent() const override { return socket_.AllSent(); }
  void OnConnect(Callback<void()> handler) override { socket_.OnConnect(std::move(handler)); }
  void OnDataArrival(Callback<void(std::int32_t)> handler) override { socket_.OnDataArrival(std::move(handler)); }
  void OnClose(Callback<void(platform::SocketEnd)> handler) override { socket_.OnClose(std::move(handler)); }

 private:
  platform::ISocket& socket_;
};

}  // namespace quillet::testing
