#pragma once
// WebSocket connections on the fake platform: a test plays the server through each connection's
// wire, which outlives its socket so that a test can see it closed. Texts sent before the test
// accepts the connection wait, as on the real platform, and reach `sent` when it does.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/callback.h"
#include "platform/websocket.h"

namespace quillet::platform::fake {

struct FakeWebSocketWire {
  std::string url;                   // the last Open's
  int opens = 0;                     // Open calls
  bool opening = false;              // opened, and neither accepted nor ended yet
  bool open = false;                 // accepted, and not ended
  bool closedByOwner = false;        // Close, or the socket destroyed, while opening or open
  std::vector<std::string> sent;     // every text that went out, in order
  std::vector<std::string> waiting;  // given before the connection was accepted

  // The server's side. Each does nothing when the connection is not in a state where it could
  // happen (a test that raises one after Close sees nothing arrive, as the owner would).
  void Accept() {
    if (!opening) return;
    opening = false;
    open = true;
    for (std::string& text : waiting) sent.push_back(std::move(text));
    waiting.clear();
    if (onOpen) onOpen();
  }
  void Receive(std::string text) {
    if (open && onText) onText(std::move(text));
  }
  void End(WebSocketEnd end, std::string words = "ended by the test") {
    if (!opening && !open) return;
    opening = open = false;
    waiting.clear();
    if (onClosed) onClosed(WebSocketClosed{end, std::move(words)});
  }

  Callback<void()> onOpen;
  Callback<void(std::string)> onText;
  Callback<void(WebSocketClosed)> onClosed;
};

class FakeWebSocket : public IWebSocket {
 public:
  explicit FakeWebSocket(std::shared_ptr<FakeWebSocketWire> wire) : wire_(std::move(wire)) {}
  ~FakeWebSocket() override { Close(); }

  void Open(const std::string& url, Callback<void()> onOpen, Callback<void(std::string)> onText,
            Callback<void(WebSocketClosed)> onClosed) override {
    Close();
    wire_->url = url;
    ++wire_->opens;
    wire_->closedByOwner = false;
    wire_->opening = true;
    wire_->onOpen = std::move(onOpen);
    wire_->onText = std::move(onText);
    wire_->onClosed = std::move(onClosed);
  }
  void SendText(std::string text) override {
    if (wire_->open)
      wire_->sent.push_back(std::move(text));
    else if (wire_->opening)
      wire_->waiting.push_back(std::move(text));
  }
  void Close() override {
    if (wire_->opening || wire_->open) wire_->closedByOwner = true;
    wire_->opening = wire_->open = false;
    wire_->waiting.clear();
    wire_->onOpen = nullptr;
    wire_->onText = nullptr;
    wire_->onClosed = nullptr;
  }

 private:
  std::shared_ptr<FakeWebSocketWire> wire_;
};

// Makes fake sockets and keeps the wire of each, in the order they were made.
struct FakeWebSockets {
  std::vector<std::shared_ptr<FakeWebSocketWire>> wires;

  WebSocketFactory Factory() {
    return [this]() -> std::unique_ptr<IWebSocket> {
      wires.push_back(std::make_shared<FakeWebSocketWire>());
      return std::make_unique<FakeWebSocket>(wires.back());
    };
  }
};

}  // namespace quillet::platform::fake
