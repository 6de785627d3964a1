// The 16-bit number conversion against a plain reference: a decimal number with blanks around
// it, rounded half to even, inside -32768..32767; everything else fails.
#include <cmath>
#include <cstdlib>
#include <regex>
#include <string>

#include "common/convert.h"
#include "common/failure.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quillet::fuzz::Input input(data, size);
  std::u16string text = input.Text16(true);
  std::string narrow;
  bool ascii = true;
  for (char16_t ch : text) {
    if (ch > 127) ascii = false;
    narrow.push_back(static_cast<char>(ch));
  }
  static const std::regex number(R"([ \t]*[+-]?([0-9]+\.?[0-9]*|\.[0-9]+)[ \t]*)");
  bool wellFormed = ascii && std::regex_match(narrow, number);
  try {
    std::int16_t value = quillet::ToInt16(text);
    if (!wellFormed) std::abort();
    long double exact = std::strtold(narrow.c_str(), nullptr);
    if (std::fabs(exact - value) > 0.5L) std::abort();
  } catch (const quillet::TypeMismatch&) {
    if (wellFormed) std::abort();
  } catch (const quillet::OverflowError&) {
    if (!wellFormed) std::abort();
    long double exact = std::strtold(narrow.c_str(), nullptr);
    if (exact > -32768.5L && exact < 32767.5L) std::abort();
  }
  return 0;
}
