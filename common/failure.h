#pragma once
// Failures of single steps. A platform call or a conversion that cannot do its work throws
// one of these; handlers in continue-on-error mode skip the step (see steps.h). Each failure
// knows where it was thrown, so that the trace of a swallowed one can name that place too.
#include <exception>
#include <memory>
#include <string>
#include <type_traits>

#include "common/source_place.h"

namespace quillet {

// A step that failed. Every error of the program's own derives from it. `where` is the throw
// statement's place; a helper that throws for its caller (ThrowLastError) passes its caller's.
class Failure : public std::exception {
 public:
  explicit Failure(std::string what, SourcePlace where = SourcePlace::current())
      : what_(std::make_shared<const std::string>(std::move(what))), where_(where) {}
  explicit Failure(const char* what, SourcePlace where = SourcePlace::current()) : Failure(std::string(what), where) {}
  const char* what() const noexcept override { return what_->c_str(); }
  const SourcePlace& where() const noexcept { return where_; }

 private:
  std::shared_ptr<const std::string> what_;  // shared, so that copying a failure cannot fail
  SourcePlace where_;                        // pointers to the program's own texts, and a number
};
static_assert(std::is_nothrow_copy_constructible_v<Failure> && std::is_nothrow_copy_assignable_v<Failure>);

// A number, or a character code, does not fit the type it must go into.
class OverflowError : public Failure {
 public:
  using Failure::Failure;
};

// A text that is no number where a number is needed.
class TypeMismatch : public Failure {
 public:
  using Failure::Failure;
};

// A control refused a value (a check box state outside 0..2, a list position out of range).
class InvalidPropertyValue : public Failure {
 public:
  using Failure::Failure;
};

// Thrown by the fake platform's End() so that a test sees the program stop at once.
// Deliberately not a std::exception: no continue-on-error step may swallow it.
struct ProgramEnded {};

}  // namespace quillet
