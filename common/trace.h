#pragma once
// Failures that a continue-on-error step or a window procedure swallows leave a trace here, and
// only here: the user never sees them. On Windows the trace goes to the debugger's output
// (OutputDebugStringA); on the fake platform it is counted, for tests to read. The platform's
// implementation is chosen when the program is built.
#include <string_view>

namespace quillet {

// Records one swallowed failure: where it was dropped and what it said. Never throws.
void TraceSwallowedFailure(std::string_view where, std::string_view what) noexcept;

}  // namespace quillet
