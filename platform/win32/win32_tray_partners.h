#pragma once
// What the update window's start-up brings in on Win32: the settings dialog, opened modally,
// and the tray window with its popup menu and icon, created once and kept until the end.
#include <memory>

#include "settings/settings_store.h"
#include "platform/shell.h"
#include "platform/win32/win32_application.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_tray_window.h"
#include "posting/update_window.h"
#include "tray/tray_window.h"

namespace quillet::platform::win32 {

class Win32TrayPartners : public SiblingWindows {
 public:
  Win32TrayPartners(Win32Application& app, SettingsStore& settings, IWindowing& windowing);
  // The update window the tray brings up; set once it exists, before its start-up runs.
  void SetUpdateWindow(IUpdateWindow& updateWindow) { updateWindow_ = &updateWindow; }

  void ShowSettingsModal(IWindow& owner) override;
  void LoadTrayWindow() override;

 private:
  Win32Application& app_;
  SettingsStore& settings_;
  IWindowing& windowing_;
  Win32Shell shell_;
  IUpdateWindow* updateWindow_ = nullptr;
  std::unique_ptr<Win32TrayForm> trayForm_;
  std::unique_ptr<Win32PopupMenu> menu_;
  std::unique_ptr<TrayWindow> trayWindow_;
};

}  // namespace quillet::platform::win32
