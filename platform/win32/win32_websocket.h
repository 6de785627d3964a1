#pragma once
// A WebSocket connection over WinHTTP's WebSocket functions, in WinHTTP's blocking mode on two
// worker threads of the connection's own: one makes the connection and the handshake and then
// receives, the other sends what SendText queued. What they find comes back as a message to the
// socket's message-only window, where the handlers are called. WinHTTP is loaded at the first
// Open, not with the program. Close and the destructor leave the workers to end on their own
// (after the closing handshake, or cut short when the server does not answer it), and deliver
// nothing of theirs.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "common/callback.h"
#include "platform/websocket.h"
#include "platform/win32/window_base.h"

namespace quillet::platform::win32 {

class Win32WebSocket : public IWebSocket, private Win32Window {
 public:
  // How long a server may take to answer the closing handshake before the connection is cut.
  static constexpr DWORD kCloseWaitMs = 5000;

  explicit Win32WebSocket(std::uint32_t openDeadlineMs = kOpenDeadlineMs);
  ~Win32WebSocket() override;

  void Open(const std::string& url, Callback<void()> onOpen, Callback<void(std::string)> onText,
            Callback<void(WebSocketClosed)> onClosed) override;
  void SendText(std::string text) override;
  void Close() override;

 private:
  struct Connection;

  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // Runs the handlers for what the current connection's workers found, in order.
  void DeliverEvents();
  // The connection ends: `closed` goes to onClosed, and nothing more of it is delivered.
  void End(WebSocketClosed closed);
  // Lets the workers of the current connection finish alone; nothing of theirs is delivered.
  void LetGo();

  std::uint32_t openDeadlineMs_;
  std::shared_ptr<Connection> connection_;  // the current one, shared with its workers; null when none
  std::uintptr_t nextId_ = 1;               // each connection's, the messages' wParam
  Callback<void()> onOpen_;
  Callback<void(std::string)> onText_;
  Callback<void(WebSocketClosed)> onClosed_;
};

}  // namespace quillet::platform::win32
