// Swallowed failures go to the debugger's output, where a developer can watch them, and to the
// program's log.
#include <windows.h>

#include <string>

#include "common/trace.h"

namespace quillet {

void TraceSwallowedFailure(std::string_view where, std::string_view what) noexcept {
  try {
    std::string line("Quillet: ");
    line.append(where).append(": a failure was skipped: ").append(what).append("\n");
    OutputDebugStringA(line.c_str());
  } catch (...) {
    OutputDebugStringA("Quillet: a failing step was skipped\n");  // no memory for the text
  }
  LogEvent(where, what);
}

}  // namespace quillet
