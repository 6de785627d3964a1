// The C++ runtime's errors as the Windows program raises them: each is a std::exception that
// keeps the runtime's words (and its numbers).
#include <gtest/gtest.h>

#include <exception>
#include <string>
#include <vector>

namespace quillet {
namespace {

TEST(RuntimeErrors, AreStdExceptionsWithTheRuntimesWords) {
  struct Case {
    const char* name;
    void (*fault)();
    const char* words;
  };
  const Case cases[] = {
      {"a position past the end", [] { (void)std::string("abc").substr(5); },
       "basic_string::substr: __pos (which is 5) > this->size() (which is 3)"},
      {"more than a string holds", [] { std::string().reserve(std::string().max_size() + 1); }, "basic_string"},
      {"more than a vector holds", [] { std::vector<int>().reserve(std::vector<int>().max_size() + 1); },
       "vector::reserve"},
      {"no number", [] { (void)std::stoi("none"); }, "stoi"},
  };
  for (const Case& c : cases) {
    try {
      c.fault();
      ADD_FAILURE() << c.name << ": nothing thrown";
    } catch (const std::exception& error) {
      EXPECT_NE(std::string(error.what()).find(c.words), std::string::npos) << c.name << ": " << error.what();
    }
  }
}

}  // namespace
}  // namespace quillet
