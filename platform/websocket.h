#pragma once
// One WebSocket connection to a server (a Nostr relay), text messages only. Open returns at once;
// the name lookup, the connection, TLS and the handshake run off the user-interface thread, and
// every event comes back later as a call on that thread: onOpen once the server has switched to
// WebSocket, onText for each whole text message (fragments put together; binary messages are
// dropped), onClosed once when the connection could not be made or has ended. What is not open
// within the open deadline ends with kTimedOut. Texts given to SendText before onOpen wait and go
// once it is open, in order. Close ends the connection in order: on an open one, the texts
// already given still go first, then the closing handshake; one still opening is given up, with
// its waiting texts. After Close, or once onClosed has run, no event of that connection is raised. The handlers may
// call SendText and Close, but must not destroy the socket. Destroying it is Close.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "common/callback.h"

namespace quillet::platform {

enum class WebSocketEnd {
  kClosed,               // the server ended it in order (its code and reason in the words)
  kNameNotFound,         // the host name did not resolve
  kRefused,              // the connection could not be made: nothing listens there, or unreachable
  kTimedOut,             // not open within the open deadline
  kSecureChannelFailed,  // TLS failed: a certificate not trusted, expired or for another name, or other
  kNotWebSocket,         // something answered, but did not switch to WebSocket
  kBroken,               // the connection broke (before or after it was open), or sent what WebSocket forbids
  kFailed,               // anything else: an address that cannot be used, a message too long, no WinHTTP
};

struct WebSocketClosed {
  WebSocketEnd end = WebSocketEnd::kFailed;
  std::string words;  // what happened, in English, for the log and to be translated where shown
};

class IWebSocket {
 public:
  // How long the name lookup, the connection, TLS and the handshake may take together.
  static constexpr std::uint32_t kOpenDeadlineMs = 15000;
  // A longer message from the server ends the connection (kFailed).
  static constexpr std::size_t kMaxMessage = 1024 * 1024;

  virtual ~IWebSocket() = default;
  // Connects to `url`: "wss://host[:port][/path]" or "ws://host[:port][/path]" (IPv6 in brackets).
  // An address that cannot be used ends, later, in onClosed (kFailed) like any other failure.
  // A connection still open or opening is closed first.
  virtual void Open(const std::string& url, Callback<void()> onOpen, Callback<void(std::string)> onText,
                    Callback<void(WebSocketClosed)> onClosed) = 0;
  // Sends one text message (UTF-8). Ignored when no connection is open or opening.
  virtual void SendText(std::string text) = 0;
  virtual void Close() = 0;
};

// Makes one connection's socket (the core makes one for each relay).
using WebSocketFactory = Callback<std::unique_ptr<IWebSocket>()>;

}  // namespace quillet::platform
