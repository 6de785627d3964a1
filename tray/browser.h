#pragma once
// Opens a web address in the user's default browser.
#include <cstdint>
#include <string_view>

#include "platform/shell.h"
#include "platform/ui.h"

namespace quillet::browser {

// One ShellExecuteA with the window's handle as parent, the verb "Open", the address, empty
// parameters and directory, and the show command. The shell's answer is not looked at.
void Open(platform::IShell& shell, const platform::IWindow& window, std::u16string_view url, std::int32_t showCommand);

}  // namespace quillet::browser
