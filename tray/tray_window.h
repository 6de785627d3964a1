#pragma once
// The hidden tray window: it owns the notification-area icon, turns the icon's mouse
// notifications into the popup menu or the update window, parks itself at the notification
// area, and ends the program when it is unloaded.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/callback.h"
#include "platform/application.h"
#include "platform/clock.h"
#include "platform/shell.h"
#include "platform/windowing.h"
#include "platform/ui.h"
#include "posting/pop_up_rules.h"
#include "posting/update_window.h"
#include "settings/settings_store.h"
#include "tray/tray_icon.h"

namespace quillet {

inline constexpr std::u16string_view kProductNewsPage = u"http://www.velmora.com/quillet/news/";

class TrayWindow {
 public:
  struct Services {
    platform::IApplication& app;
    platform::IShell& shell;
    platform::IWindowing& windowing;
    IUpdateWindow& updateWindow;
    SettingsStore& settings;
    platform::IClock& clock;
    // Loads the settings dialog and shows it modally over the given owner.
    Callback<void(platform::IWindow& owner)> showSettingsModal;
    // Loads the "Quillet Options" dialog and shows it modally over the given owner.
    Callback<void(platform::IWindow& owner)> showOptionsModal;
    // Shows the "Quillet: lines waiting" window modally over the given owner.
    Callback<void(platform::IWindow& owner)> showLinesWaitingModal;
    // Shows the "Quillet: look back" window modally over the given owner.
    Callback<void(platform::IWindow& owner)> showLookBackModal;
    // The person clicked the balloon.
    Callback<void()> balloonClicked;
    // Whether a newer version was told and may be dismissed ("Don't tell me about this version"
    // is in the menu while it is), and its dismissal.
    Callback<bool()> updatePending;
    Callback<void()> dismissUpdate;
  };
  // Builds the menu and connects the handlers; Load() then adds the icon.
  TrayWindow(platform::ITrayForm& form, platform::IPopupMenu& menu, Services services);
  TrayWindow(const TrayWindow&) = delete;
  TrayWindow& operator=(const TrayWindow&) = delete;

  // Captions the window "Quillet", adds the icon with that tip (or the pause's), and takes the
  // stored hotkey.
  void Load();
  // Unloads the window: removes the icon and ends the program.
  void Unload();

  const TrayIcon& Icon() const { return icon_; }

  // The tip says how many lines wait in the outbox ("Quillet: 2 lines waiting", or "Quillet"), and
  // the menu has "Lines waiting..." while there are any.
  void ShowWaiting(int lines);
  // A balloon over the icon, to tell the person something once.
  void ShowBalloon(std::u16string_view title, std::u16string_view text);
  // Opens a web page in the person's browser.
  void OpenPage(std::u16string_view url);

  // Handlers.
  // A mouse message on the icon, in the low word of `message`.
  void OnIconMessage(std::int32_t message);
  void OnResize();
  void OnPostNow();
  void OnLinesWaiting();
  void OnLookBack();
  void OnOpenHome();
  void OnSettings();
  void OnOptions();
  void OnAbout();
  void OnExit();
  void OnPause(PauseLength length);
  void OnResume();
  void OnDismissUpdate();
  // Reads the stored pause, ends it when it is over, and shows it by the menu's tick and the tip.
  void RefreshPause();
  // Takes the global key combination for "Post Now" in place of the one held (none: releases
  // it); false when another program holds it, and then the one held before is kept if it can be.
  bool TakeHotkey(std::optional<platform::KeyCombination> wanted);
  std::optional<platform::KeyCombination> HeldHotkey() const { return heldHotkey_; }
  // The shell's taskbar came back (Explorer restarted): the icon it held is gone.
  void OnTaskbarCreated();
  // Another start of the program asks this one to bring its update window up.
  void OnActivateRequest();
  // The window's icon was drawn anew for another display density: the notification area shows it.
  void OnIconChanged();

 private:
  void FocusTwice(platform::WindowHandle handle);
  // The menu, at the mouse, with the tray window in the foreground.
  void OpenMenu();
  // Gives the icon the tip of the state it shows (paused, lines waiting) when it changed.
  void ShowTip();
  // Captions the menu anew when another language was chosen since it was captioned.
  void RecaptionMenu();
  // Captions the "Open ..." item after the settings as they are now.
  void RefreshOpenHome();
  platform::ITrayForm& form_;
  platform::IPopupMenu& menu_;
  Services services_;
  TrayIcon icon_;
  struct CaptionedItem {
    platform::IMenuItem* item;
    std::u16string_view english;  // its caption before translation
  };
  std::vector<CaptionedItem> captioned_;  // the items with fixed captions
  std::string menuLanguage_;              // the language they are captioned in
  platform::IMenuItem* pauseEntry_ = nullptr;         // ticked while paused
  platform::IMenuItem* linesWaitingEntry_ = nullptr;  // in the menu while lines wait
  platform::IMenuItem* openHomeEntry_ = nullptr;      // "Open Twitter", or "Open <host>" of the server set
  platform::IMenuItem* dismissUpdateEntry_ = nullptr;  // in the menu while a newer version is pending
  std::u16string shownTip_;                    // the tip the icon was last given
  std::u16string pauseText_;                   // "paused until 14:30", or empty
  std::optional<platform::KeyCombination> heldHotkey_;
  // A right click opened the menu, and the notification area (keyboard version) follows it
  // with a WM_CONTEXTMENU that must not open it again.
  bool contextMenuFollows_ = false;
  int waitingShown_ = 0;  // the count of waiting lines the tip shows
};

}  // namespace quillet
