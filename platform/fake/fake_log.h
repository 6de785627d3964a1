#pragma once
// The fake log: keeps every line it is given, for tests to read.
#include <string>
#include <vector>

#include "platform/log.h"

namespace quillet::platform::fake {

class FakeLog : public ILog {
 public:
  void Write(std::string_view line) noexcept override {
    try {
      lines.emplace_back(line);
    } catch (...) {
      // a test double: a lost line is harmless
    }
  }
  std::vector<std::string> lines;
};

}  // namespace quillet::platform::fake
