#pragma once
// The platform's part of the trace of swallowed failures, chosen when the program is built
// (cmake/sources.cmake): the debugger's output on Windows, a counter on the fake platform. Only
// common/trace.cpp calls it, and writes the log itself.
#include <string_view>

namespace quillet {

// `caughtAt` and `thrownAt` as "outbox.cpp:123"; `thrownAt` is empty when it is not known.
// Never throws.
void RecordSwallowedFailure(std::string_view caughtAt, std::string_view thrownAt, std::string_view what) noexcept;

}  // namespace quillet
