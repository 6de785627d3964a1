#pragma once
// Where in the source a call was made, as a defaulted argument records it:
//   void Step(Fn&& step, SourcePlace where = SourcePlace::current());
// The same as std::source_location, which not every compiler the project is built with has
// (clang 14 with GCC 12's library lacks it); the builtins it rests on are in both.
namespace quillet {

class SourcePlace {
 public:
  static constexpr SourcePlace current(const char* file = __builtin_FILE(), int line = __builtin_LINE(),
                                       const char* function = __builtin_FUNCTION()) noexcept {
    return SourcePlace(file, line, function);
  }
  constexpr const char* file_name() const noexcept { return file_; }
  constexpr int line() const noexcept { return line_; }
  constexpr const char* function_name() const noexcept { return function_; }

 private:
  constexpr SourcePlace(const char* file, int line, const char* function) noexcept
      : file_(file), line_(line), function_(function) {}
  const char* file_;
  int line_;
  const char* function_;
};

}  // namespace quillet
