// The program's version and the update check's feed, as the build sets them (CMakeLists.txt): one
// file, so that a change of either recompiles nothing else.
#include "tray/update_check.h"

namespace quillet {

std::string_view ProgramVersion() { return QUILLET_VERSION; }
std::u16string_view BuiltInUpdateFeed() { return u"" QUILLET_UPDATE_FEED; }

}  // namespace quillet
