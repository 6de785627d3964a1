#pragma once
// The one-shot loopback listener on Winsock: a non-blocking socket bound to 127.0.0.1 at port 0,
// whose accepts, reads and writes arrive as messages to a message-only window (WSAAsyncSelect),
// so that everything runs on the user-interface thread and nothing outlives the object. A timer
// of that window closes the connections whose heads are late.
#include <winsock2.h>
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/loopback_listener.h"
#include "platform/win32/handles.h"
#include "platform/win32/winsock.h"
#include "platform/win32/window_base.h"

namespace quillet::platform::win32 {

class Win32LoopbackListener : public ILoopbackListener, private Win32Window {
 public:
  // `headDeadlineMs`: how long an accepted connection may take to send its whole head.
  explicit Win32LoopbackListener(DWORD headDeadlineMs = kHeadDeadlineMs);
  ~Win32LoopbackListener() override;
  std::uint16_t Listen(Answer answer) override;

 private:
  struct Connection {
    UniqueSocket socket;
    ULONGLONG headDeadline = 0;  // GetTickCount64() by which the head must be whole
    std::string received;
    std::string outgoing;
    bool answered = false;
  };

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Accepts the connections the system holds while places are free (those beyond wait there).
  void AcceptWhileRoom();
  // Closes, unanswered, the connections whose heads are not whole by their deadline.
  void DropLate();
  void Read(Connection& connection);
  // Sends what is left; closes the connection once everything has gone or it broke.
  void Flush(Connection& connection);
  void Drop(SOCKET socket);
  Connection* Find(SOCKET socket);

  std::optional<WinsockSession> winsock_;  // from the first listener on; outlives the sockets below
  UniqueSocket listening_;
  std::vector<Connection> connections_;
  Answer answer_;
  DWORD headDeadlineMs_;
};

}  // namespace quillet::platform::win32
