// Swallowed failures go to the debugger's output, where a developer can watch them; common/trace.cpp
// writes them to the program's log.
#include <windows.h>

#include <string>

#include "common/trace_record.h"

namespace quillet {

void RecordSwallowedFailure(std::string_view caughtAt, std::string_view thrownAt, std::string_view what) noexcept {
  try {
    std::string line("Quillet: ");
    line.append(caughtAt).append(": a failure ");
    if (!thrownAt.empty()) line.append("thrown at ").append(thrownAt).append(" ");
    line.append("was skipped: ").append(what).append("\n");
    OutputDebugStringA(line.c_str());
  } catch (...) {
    OutputDebugStringA("Quillet: a failing step was skipped\n");  // no memory for the text
  }
}

}  // namespace quillet
