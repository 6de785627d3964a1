#pragma once
// The TCP client socket control. Connect returns at once; its outcome arrives later as the
// Connect event on the user-interface thread. Received bytes wait in the control until GetData
// takes them. After Close, no event of the closed connection is raised.
#include <cstdint>
#include <functional>
#include <string>

namespace quillet::platform {

class ISocket {
 public:
  virtual ~ISocket() = default;
  virtual void Close() = 0;
  virtual void Connect(const std::string& remoteHost, std::uint16_t remotePort) = 0;
  virtual void SendData(const std::string& bytes) = 0;
  virtual std::string GetData() = 0;  // everything received so far
  virtual void OnConnect(std::function<void()> handler) = 0;
  virtual void OnDataArrival(std::function<void(std::int32_t bytesTotal)> handler) = 0;
};

}  // namespace quillet::platform
