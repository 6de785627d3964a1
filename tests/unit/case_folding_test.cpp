// Case folding against Unicode's own file: every character of every plane folds as the simple and
// common foldings of CaseFolding.txt say, and every other stays as it is.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/case_folding.h"

namespace quillet {
namespace {

TEST(CaseFolding, FoldsEveryCharacterAsUnicodesFileSays) {
  std::ifstream file(QUILLET_CASE_FOLDING_TXT);
  ASSERT_TRUE(file) << QUILLET_CASE_FOLDING_TXT;
  std::vector<char32_t> expected(0x110000);
  for (char32_t ch = 0; ch < expected.size(); ++ch) expected[ch] = ch;
  std::size_t mappings = 0;
  for (std::string line; std::getline(file, line);) {
    if (line.empty() || line[0] == '#') continue;
    // <code>; <status>; <mapping>; # <name>
    std::istringstream fields(line);
    unsigned long code = 0, mapping = 0;
    char semicolon = 0, status = 0;
    fields >> std::hex >> code >> semicolon >> status >> semicolon >> mapping;
    ASSERT_TRUE(fields && code < expected.size()) << line;
    if (status == 'C' || status == 'S') expected[code] = static_cast<char32_t>(mapping), ++mappings;
  }
  EXPECT_GT(mappings, 1400u);
  int wrong = 0;
  for (char32_t ch = 0; ch < expected.size() && wrong < 10; ++ch) {
    if (FoldedCase(ch) != expected[ch]) {
      ADD_FAILURE() << std::hex << "U+" << static_cast<unsigned long>(ch) << " folds to U+"
                    << static_cast<unsigned long>(FoldedCase(ch));
      ++wrong;
    }
  }
  // In UTF-16 text, a character beyond the first plane is one; a lone surrogate stays.
  const std::u16string lone(1, char16_t{0xD800});
  EXPECT_EQ(FoldedCase(u"\U00010400A\u212A\u03A3" + lone + u"X"), u"\U00010428ak\u03C3" + lone + u"x");
}

}  // namespace
}  // namespace quillet
