#pragma once
// A one-shot HTTP listener on this computer's loopback address (127.0.0.1), at a port the system
// chooses, for the browser's return from a sign-in page. Everything happens on the
// user-interface thread: connections are accepted and read as they come, and each request's head
// (its lines up to the blank line) is handed to the answer, whose reply is sent before that
// connection is closed. A head longer than kMaxHead is dropped unanswered, and so is a connection
// that has not sent its whole head within kHeadDeadlineMs of being accepted, so that a local
// program that connects and sends nothing holds no place for long. While kMaxConnections are
// open, further connections wait in the system's queue until a place is free.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/callback.h"

namespace quillet::platform {

struct LoopbackAnswer {
  std::string reply;  // the whole HTTP reply, sent as it is
  bool last = false;  // the listener stops listening and drops every other connection
};

class ILoopbackListener {
 public:
  static constexpr std::size_t kMaxHead = 8 * 1024;
  static constexpr std::size_t kMaxConnections = 8;
  static constexpr std::uint32_t kHeadDeadlineMs = 5000;
  using Answer = Callback<LoopbackAnswer(std::string_view head)>;

  // Closes the listener and every connection.
  virtual ~ILoopbackListener() = default;
  // Starts listening on 127.0.0.1 at a port the system chooses, and returns the port. Throws
  // quillet::Failure when it cannot.
  virtual std::uint16_t Listen(Answer answer) = 0;
};

using LoopbackListenerFactory = Callback<std::unique_ptr<ILoopbackListener>()>;

}  // namespace quillet::platform
