#pragma once
// What the tests of the stored password's scrambling share: draws a test controls, and a
// character's byte in the code page.
#include "common/codepage.h"

namespace quillet::testing {

// A draw that gives the same value every time.
inline auto Always(double value) {
  return [value] { return value; };
}

inline int Code(char16_t ch) { return CharToByte(ch); }

}  // namespace quillet::testing
