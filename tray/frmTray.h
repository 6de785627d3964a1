#pragma once
// The hidden tray window: it owns the notification-area icon, turns the icon's mouse
// notifications into the popup menu or the update window, parks itself at the notification
// area, and ends the program when it is unloaded.
#include <cstdint>
#include <functional>
#include <string_view>

#include "platform/application.h"
#include "platform/shell.h"
#include "platform/windowing.h"
#include "platform/ui.h"
#include "posting/update_window.h"
#include "tray/clsTray.h"

namespace quillet {

inline constexpr std::u16string_view kServiceHomePage = u"http://twitter.com/";
inline constexpr std::u16string_view kProductNewsPage = u"http://www.velmora.com/quillet/news/";

class frmTray {
 public:
  struct Services {
    platform::IApplication& app;
    platform::IShell& shell;
    platform::IWindowing& windowing;
    IUpdateWindow& updateWindow;
    // Loads the settings dialog and shows it modally over the given owner.
    std::function<void(platform::IWindow& owner)> showSettingsModal;
  };
  // Builds the menu and connects the handlers; Load() then runs Form_Load.
  frmTray(platform::ITrayForm& form, platform::IPopupMenu& menuPopup, Services services);
  frmTray(const frmTray&) = delete;
  frmTray& operator=(const frmTray&) = delete;

  void Load() { Form_Load(); }
  // Unloads the window: removes the icon and ends the program.
  void Unload() { Form_Unload(); }

  const clsTray& Tray() const { return tray_; }

  // Handlers.
  void Form_Load();
  void Form_MouseMove(std::int32_t x);
  void Form_Resize();
  void Form_Unload();
  void menuPost_Click();
  void menuTwitter_Click();
  void menuSettings_Click();
  void menuAbout_Click();
  void menuExit_Click();
  // The shell's taskbar came back (Explorer restarted): the icon it held is gone.
  void Form_TaskbarCreated();
  // Another start of the program asks this one to bring its update window up.
  void Form_ActivateRequest();

 private:
  void FocusTwice(platform::WindowHandle handle);
  platform::ITrayForm& form_;
  platform::IPopupMenu& menuPopup_;
  Services services_;
  clsTray tray_;
};

}  // namespace quillet
