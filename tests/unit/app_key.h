#pragma once
// The program's key, as the tests read and write it.
#include <string>

namespace quillet::testing {

inline const std::string kAppKey = "HKEY_CURRENT_USER\\Software\\Velmora\\Quillet";

}  // namespace quillet::testing
