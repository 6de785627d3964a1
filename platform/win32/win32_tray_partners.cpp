#include "platform/win32/win32_tray_partners.h"

#include "common/failure.h"
#include "platform/win32/win32_settings_dialog.h"
#include "settings/settings_dialog.h"

namespace quillet::platform::win32 {

Win32TrayPartners::Win32TrayPartners(Win32Application& app, SettingsStore& settings, IWindowing& windowing)
    : app_(app), settings_(settings), windowing_(windowing) {}

void Win32TrayPartners::ShowSettingsModal(IWindow& owner) {
  quillet::ShowSettingsModal(Win32SettingsViews(app_), settings_, app_, owner);
}

void Win32TrayPartners::LoadTrayWindow() {
  if (trayWindow_) return;  // loaded once, for the life of the program
  if (updateWindow_ == nullptr) throw Failure("the tray window needs the update window");
  trayForm_ = std::make_unique<Win32TrayForm>();
  menu_ = std::make_unique<Win32PopupMenu>(*trayForm_);
  trayWindow_ = std::make_unique<TrayWindow>(
      *trayForm_, *menu_,
      TrayWindow::Services{.app = app_, .shell = shell_, .windowing = windowing_, .updateWindow = *updateWindow_, .showSettingsModal = 
                        [this](IWindow& owner) { ShowSettingsModal(owner); }});
  trayWindow_->Load();
}

}  // namespace quillet::platform::win32
