#pragma once
// Failures of single steps. A platform call or a conversion that cannot do its work throws
// one of these; handlers in continue-on-error mode skip the step (see steps.h).
#include <exception>
#include <memory>
#include <string>

namespace quillet {

// A step that failed. Every error of the program's own derives from it.
class Failure : public std::exception {
 public:
  explicit Failure(std::string what) : what_(std::make_shared<const std::string>(std::move(what))) {}
  explicit Failure(const char* what) : Failure(std::string(what)) {}
  const char* what() const noexcept override { return what_->c_str(); }

 private:
  std::shared_ptr<const std::string> what_;  // shared, so that copying a failure cannot fail
};

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
