#pragma once
// The log the program keeps for a person to send us when something goes wrong: one line per
// event (a failure a step skipped, a line sent, retried or kept for the person), in the program's
// folder, %LOCALAPPDATA%\Quillet\quillet.log. The lines it gets hold no secret (see
// WithoutSecrets in common/trace.h).
#include <string_view>

namespace quillet::platform {

class ILog {
 public:
  virtual ~ILog() = default;
  // Takes one line ("outbox.cpp:123 the disk is full"); the writer puts the local time before it.
  // Safe from any thread; never waits for the disk and never throws.
  virtual void Write(std::string_view line) noexcept = 0;
};

}  // namespace quillet::platform
