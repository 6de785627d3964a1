#pragma once
// The TCP client socket control. Connect returns at once; its outcome arrives later as the
// Connect event on the user-interface thread. Received bytes wait in the control until GetData
// takes them. A connection that ends other than by Close raises the Close event once: it could
// not be made, the peer closed it, or it broke. After Close, no event of the closed connection
// is raised.
#include <cstdint>
#include <string>

#include "common/callback.h"

namespace quillet::platform {

// How a connection ended, as the Close event tells.
enum class SocketEnd {
  kNotConnected,  // it could not be made: the name is unknown, the connection refused or unreachable
  kClosed,        // the peer closed it in order, after what it sent
  kReset,         // it broke
};

class ISocket {
 public:
  virtual ~ISocket() = default;
  virtual void Close() = 0;
  virtual void Connect(const std::string& remoteHost, std::uint16_t remotePort) = 0;
  virtual void SendData(const std::string& bytes) = 0;
  virtual std::string GetData() = 0;  // everything received so far
  // Whether everything SendData was given has left for the network.
  virtual bool AllSent() const = 0;
  virtual void OnConnect(Callback<void()> handler) = 0;
  virtual void OnDataArrival(Callback<void(std::int32_t bytesTotal)> handler) = 0;
  virtual void OnClose(Callback<void(SocketEnd how)> handler) = 0;
};

}  // namespace quillet::platform
