#pragma once
// Continue-on-error mode: each step runs on its own; a step that fails is skipped and the
// handler goes on with the next. A test whose evaluation fails counts as true.
#include <exception>
#include <utility>

namespace quillet {

// Runs one step; a failure inside it is dropped.
template <class Fn>
void Step(Fn&& step) {
  try {
    std::forward<Fn>(step)();
  } catch (const std::exception&) {
    // skipped: nothing is reported in this mode
  }
}

// Evaluates a guard; a failing evaluation counts as true, so the guarded steps run.
template <class Fn>
bool Guard(Fn&& test) {
  try {
    return std::forward<Fn>(test)();
  } catch (const std::exception&) {
    return true;
  }
}

}  // namespace quillet
