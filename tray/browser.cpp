#include "tray/browser.h"

#include "common/codepage.h"

namespace quillet::browser {

void Open(platform::IShell& shell, const platform::IWindow& window, std::u16string_view url, std::int32_t showCommand) {
  shell.ShellExecuteA(window.Handle(), "Open", ToAnsi(url), "", "", showCommand);
}

}  // namespace quillet::browser
