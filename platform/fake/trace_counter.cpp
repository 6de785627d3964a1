#include "common/trace.h"
#include "platform/fake/fake_trace.h"

namespace quillet {

namespace platform::fake {

SwallowedFailures& Swallowed() {
  static SwallowedFailures failures;
  return failures;
}

}  // namespace platform::fake

void TraceSwallowedFailure(std::string_view where, std::string_view what) noexcept {
  try {
    auto& failures = platform::fake::Swallowed();
    ++failures.count;
    failures.lastWhere = where;
    failures.lastWhat = what;
  } catch (...) {
    // a test double: losing the text is harmless
  }
  LogEvent(where, what);
}

}  // namespace quillet
