#pragma once
// The TCP client socket control on Win32. Connect returns at once: the host name is looked up
// on a worker thread, the connection is made by a non-blocking socket whose events arrive as
// window messages (WSAAsyncSelect), so every event is raised on the user-interface thread.
// One connection at a time; after Close no event of the closed connection is raised.
// Received bytes wait in a bounded buffer until GetData takes them.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/callback.h"
#include "platform/socket.h"
#include "platform/win32/handles.h"
#include "platform/win32/winsock.h"
#include "platform/win32/window_base.h"

namespace quillet::platform::win32 {

class Win32Socket : public ISocket, private Win32Window {
 public:
  enum class State { Closed, Resolving, Connecting, Connected, ClosedByPeer };
  // Reading pauses while this much waits for GetData.
  static constexpr std::size_t kMaxBuffered = 256 * 1024;
  // A reply longer than this is not read to its end: the connection is closed instead.
  static constexpr std::uint64_t kMaxReply = 16 * 1024 * 1024;

  Win32Socket();
  ~Win32Socket() override;

  void Close() override;
  // Throws Failure unless the control is closed.
  void Connect(const std::string& remoteHost, std::uint16_t remotePort) override;
  // Throws Failure unless connected. What the socket does not take at once goes out later.
  void SendData(const std::string& bytes) override;
  std::string GetData() override;
  void OnConnect(Callback<void()> handler) override { onConnect_ = std::move(handler); }
  void OnDataArrival(Callback<void(std::int32_t)> handler) override { onDataArrival_ = std::move(handler); }
  bool AllSent() const override { return outgoing_.empty() && !sendFailed_; }
  void OnClose(Callback<void(SocketEnd)> handler) override { onClose_ = std::move(handler); }

  State state() const { return state_; }

 private:
  struct Address {
    sockaddr_storage address;
    int length;
  };
  struct Lookup;

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  void LookupDone(std::uint32_t connection);
  void ConnectNextAddress();
  void SocketEvent(WORD event, WORD error);
  // Takes one chunk from the socket; returns the bytes read (0 when none or paused).
  int ReadSome();
  void Flush();
  void Drop(State next);
  // Raises the Close event; the last thing a handler of a socket event does.
  void RaiseClose(SocketEnd how);

  std::optional<WinsockSession> winsock_;  // from the first connection on; outlives the sockets below
  State state_ = State::Closed;
  std::uint32_t connection_ = 0;    // counts connections; messages of an earlier one are dropped
  UINT socketMessage_ = 0;          // the message this connection's socket events arrive as
  std::shared_ptr<Lookup> lookup_;  // shared with the worker thread
  std::vector<Address> addresses_;
  std::size_t nextAddress_ = 0;
  UniqueSocket socket_;
  std::string received_, outgoing_;
  std::uint64_t replyBytes_ = 0;
  bool readPaused_ = false;
  bool sendFailed_ = false;  // the connection broke with bytes still to send
  std::vector<char> chunk_;
  Callback<void()> onConnect_;
  Callback<void(std::int32_t)> onDataArrival_;
  Callback<void(SocketEnd)> onClose_;
};

}  // namespace quillet::platform::win32
