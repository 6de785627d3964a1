#pragma once
// The loopback listener on the fake platform: a test plays the browser's requests through the
// line, which outlives the listener so that a test can see it closed.
#include <memory>
#include <string>
#include <string_view>

#include "common/failure.h"
#include "platform/loopback_listener.h"

namespace quillet::platform::fake {

struct FakeLoopbackLine {
  ILoopbackListener::Answer answer;
  bool listening = false;  // Listen succeeded and neither a last answer nor the destructor ended it
  int made = 0;            // listeners made
  bool refuseListen = false;
  std::uint16_t port = 50123;

  // A request's head, as the browser sends it; the listener's reply (empty when none listens).
  LoopbackAnswer Request(std::string_view head) {
    if (!listening || !answer) return {};
    LoopbackAnswer reply = answer(head);
    if (reply.last) listening = false;
    return reply;
  }
};

class FakeLoopbackListener : public ILoopbackListener {
 public:
  explicit FakeLoopbackListener(std::shared_ptr<FakeLoopbackLine> line) : line_(std::move(line)) { ++line_->made; }
  ~FakeLoopbackListener() override {
    line_->listening = false;
    line_->answer = nullptr;
  }
  std::uint16_t Listen(Answer answer) override {
    if (line_->refuseListen) throw Failure("no loopback here");
    line_->answer = std::move(answer);
    line_->listening = true;
    return line_->port;
  }

 private:
  std::shared_ptr<FakeLoopbackLine> line_;
};

inline LoopbackListenerFactory FakeLoopbackListeners(std::shared_ptr<FakeLoopbackLine> line) {
  return [line]() -> std::unique_ptr<ILoopbackListener> { return std::make_unique<FakeLoopbackListener>(line); };
}

}  // namespace quillet::platform::fake
