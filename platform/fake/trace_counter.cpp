#include "common/trace_record.h"
#include "platform/fake/fake_trace.h"

namespace quillet {

namespace platform::fake {

SwallowedFailures& Swallowed() {
  static SwallowedFailures failures;
  return failures;
}

}  // namespace platform::fake

void RecordSwallowedFailure(std::string_view caughtAt, std::string_view thrownAt, std::string_view what) noexcept {
  try {
    auto& failures = platform::fake::Swallowed();
    ++failures.count;
    failures.lastWhere = caughtAt;
    failures.lastThrownAt = thrownAt;
    failures.lastWhat = what;
  } catch (...) {
    // a test double: losing the text is harmless
  }
}

}  // namespace quillet
