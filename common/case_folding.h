#pragma once
// Case set aside: Unicode's simple case folding (one character to one), for every script. The
// table is made when the program is built, from Unicode's CaseFolding.txt (tools/case_folding.py).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

// Code points first, first + step, ... (count of them) fold to themselves plus distance.
struct CaseFoldRun {
  char32_t first;
  std::uint16_t count;
  std::uint8_t step;
  std::int32_t distance;
};
extern const CaseFoldRun kCaseFoldRuns[];  // by first
extern const std::size_t kCaseFoldRunCount;

char32_t FoldedCase(char32_t ch);
// The text, UTF-16, with every character folded (a surrogate pair as the one character it is).
std::u16string FoldedCase(std::u16string_view text);
// The characters beyond ASCII that fold into it (the Kelvin sign into "k"), each in UTF-8.
std::vector<std::string> FoldingIntoAscii();

}  // namespace quillet
