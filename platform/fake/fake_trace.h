#pragma once
// The fake platform's trace of swallowed failures: counted, with the last one kept, for tests.
#include <string>

namespace quillet::platform::fake {

struct SwallowedFailures {
  int count = 0;
  std::string lastWhere;     // where it was caught: "outbox.cpp:123"
  std::string lastThrownAt;  // where it was thrown, empty when not known
  std::string lastWhat;
};

// The failures swallowed in this process so far; a test may reset it.
SwallowedFailures& Swallowed();

}  // namespace quillet::platform::fake
