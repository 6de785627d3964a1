#pragma once
// The application title saved at start-up, before the settings store is first used; the store
// ends its key with it. The one process-wide variable of the program.
#include <string>

namespace quillet::modAppTitle {

inline std::u16string strAppTitle;

}  // namespace quillet::modAppTitle
