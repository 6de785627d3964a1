// The errors the C++ runtime raises itself (a string asked for more than it can hold, a position
// past the end, a number that does not parse), raised by the Windows program in its own way.
//
// The runtime's own functions for these throw std::logic_error and its kin, which keep their text
// in the old reference-counted string: linking them brings that whole second string (some 50 KB
// with its exception classes) into a program that otherwise never uses it. Defined here, they take
// the runtime's place: each throws what it did before (std::bad_alloc, std::bad_cast, ...) or,
// where that was one of the text-carrying errors, a RuntimeLibraryError with the same text. Every
// handler in the program catches std::exception (or everything), never one of those classes by
// name. Should the runtime ever need one of its throwing functions not defined here, the link
// fails with two definitions of the others: nothing can quietly come back.
#include <cstdarg>
#include <cstddef>
#include <exception>
#include <functional>
#include <new>
#include <typeinfo>

namespace quillet::platform::win32 {
namespace {

// An error found by the C++ runtime, with its text (cut to fit): copying it cannot fail.
class RuntimeLibraryError : public std::exception {
 public:
  explicit RuntimeLibraryError(const char* what) noexcept { Append(what); }
  const char* what() const noexcept override { return text_; }

  void Append(const char* more) noexcept {
    while (more != nullptr && *more != '\0' && length_ + 1 < sizeof text_) text_[length_++] = *more++;
    text_[length_] = '\0';
  }
  void AppendNumber(std::size_t value) noexcept {
    char digits[24];
    char* first = digits + sizeof digits - 1;
    *first = '\0';
    do {
      *--first = static_cast<char>('0' + value % 10);
      value /= 10;
    } while (value > 0);
    Append(first);
  }

 private:
  char text_[200] = {};
  std::size_t length_ = 0;
};

[[noreturn]] void Raise(const char* what) { throw RuntimeLibraryError(what); }

}  // namespace
}  // namespace quillet::platform::win32

namespace std {

using quillet::platform::win32::Raise;

void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_bad_exception() { throw bad_exception(); }
void __throw_logic_error(const char* what) { Raise(what); }
void __throw_domain_error(const char* what) { Raise(what); }
void __throw_invalid_argument(const char* what) { Raise(what); }
void __throw_length_error(const char* what) { Raise(what); }
void __throw_out_of_range(const char* what) { Raise(what); }
void __throw_runtime_error(const char* what) { Raise(what); }
void __throw_range_error(const char* what) { Raise(what); }
void __throw_overflow_error(const char* what) { Raise(what); }
void __throw_underflow_error(const char* what) { Raise(what); }
// "%s: __pos (which is %zu) > this->size() (which is %zu)": the runtime's formats hold %s (a
// text), %zu (a std::size_t) and %%, as its own formatting takes.
void __throw_out_of_range_fmt(const char* format, ...) {
  quillet::platform::win32::RuntimeLibraryError error("");
  va_list values;
  va_start(values, format);
  char piece[2] = {};
  for (const char* at = format; *at != '\0'; ++at) {
    if (at[0] == '%' && at[1] == 's') {
      error.Append(va_arg(values, const char*));
      ++at;
    } else if (at[0] == '%' && at[1] == 'z' && at[2] == 'u') {
      error.AppendNumber(va_arg(values, std::size_t));
      at += 2;
    } else {
      if (at[0] == '%' && at[1] == '%') ++at;
      piece[0] = *at;
      error.Append(piece);
    }
  }
  va_end(values);
  throw error;
}

}  // namespace std
