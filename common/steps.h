#pragma once
// Continue-on-error mode: each step runs on its own; a step that fails is skipped and the
// handler goes on with the next. A test whose evaluation fails counts as true. Only calls that
// can fail (platform calls, conversions) are run as steps; what is dropped leaves a trace naming
// the caller's file and line, and where the failure was thrown.
#include <exception>
#include "common/source_place.h"
#include <utility>

#include "common/trace.h"

namespace quillet {

// Runs one step; a failure inside it is dropped.
template <class Fn>
void Step(Fn&& step, SourcePlace where = SourcePlace::current()) {
  try {
    std::forward<Fn>(step)();
  } catch (const std::exception& failure) {
    TraceSwallowedFailure(where, failure);  // skipped; the user is not told
  }
}

// Evaluates a guard; a failing evaluation counts as true, so the guarded steps run.
template <class Fn>
bool Guard(Fn&& test, SourcePlace where = SourcePlace::current()) {
  try {
    return std::forward<Fn>(test)();
  } catch (const std::exception& failure) {
    TraceSwallowedFailure(where, failure);
    return true;
  }
}

}  // namespace quillet
