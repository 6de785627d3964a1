#pragma once
// The program's parts, built from a platform's and connected: delivery (the outbox and each
// account's status sender, ticked once a second), the update window, the settings, options and lines-waiting
// windows (made anew at each opening) and the tray window (made once, at start-up).
// quillet.exe builds it from the Win32 platform, the tests from the fake one.
#include <memory>

#include "common/callback.h"
#include "platform/application.h"
#include "platform/clock.h"
#include "platform/presence.h"
#include "platform/files.h"
#include "platform/log.h"
#include "platform/loopback_listener.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/ui.h"
#include "platform/socket.h"
#include "platform/websocket.h"
#include "platform/windowing.h"
#include "dialogs/lines_waiting_window.h"
#include "dialogs/look_back_window.h"
#include "journal/journal.h"
#include "delivery/outbox.h"
#include "journal/previous_lines.h"
#include "delivery/status_sender.h"
#include "posting/update_window.h"
#include "dialogs/options_dialog.h"
#include "dialogs/settings_dialog.h"
#include "settings/settings_store.h"
#include "tray/tray_window.h"
#include "tray/update_check.h"

namespace quillet {

// The tray window's platform parts, made together when the start-up loads it.
struct TrayWindowParts {
  std::unique_ptr<platform::ITrayForm> form;
  std::unique_ptr<platform::IPopupMenu> menu;  // popped up over `form`, so declared after it
};

// What a platform provides. The services and the update window's controls exist before the
// program does and outlive it; the other windows are made by the factories when they are needed.
struct PlatformParts {
  platform::IApplication& app;
  platform::IRegistry& registry;
  platform::IShell& shell;
  platform::IWindowing& windowing;
  platform::IHttpClient& http;
  platform::ISecrets& secrets;
  platform::IFiles& files;
  platform::IClock& clock;
  platform::IPresence& presence;
  // A connection for an account's status sender (each account has its own).
  Callback<std::unique_ptr<platform::ISocket>()> makeSocket;
  platform::ITimer& deliveryTimer;    // 1000 ms; the program stops it while delivery is idle
  UpdateWindowControls updateWindow;
  SettingsViewFactory makeSettingsView;
  OptionsViewFactory makeOptionsView;
  AccountViewFactory makeAccountView;  // the account dialog the Options dialog opens
  LinesWaitingViewFactory makeLinesWaitingView;
  LookBackViewFactory makeLookBackView;  // none: the menu item does nothing
  Callback<TrayWindowParts()> makeTrayWindow;
  // Where the trace and the delivery outcomes are kept while the program runs; none when null.
  platform::ILog* log = nullptr;
  // The one-shot listener a sign-in through the browser waits on; none: the code is pasted.
  platform::LoopbackListenerFactory makeLoopbackListener;
  // A connection to a Nostr relay (one for each relay).
  platform::WebSocketFactory makeWebSocket;
};

// Makes the application speak the language Options names, else Windows' display language (the
// settings under the program's title).
void SpeakChosenLanguage(platform::IApplication& app, SettingsStore& settings);

class Program {
 public:
  explicit Program(PlatformParts parts, Endpoint endpoint = BuiltInEndpoint());
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;
  ~Program();

  // Start-up, in this order: the settings under the program's title; the first-run settings
  // dialog when no user name is stored (closed without one, the program ends: no tray icon,
  // nothing more); the update window put away; the tray window, which adds the icon; delivery,
  // where lines left from an earlier run go. The schedule of pop-ups runs from the start.
  void Start();

  UpdateWindow& updateWindow() { return updateWindow_; }
  Outbox& outbox() { return outbox_; }
  StatusSenders& senders() { return senders_; }
  SettingsStore& settings() { return settings_; }
  // Null until the start-up has loaded it.
  TrayWindow* trayWindow() { return trayWindow_.get(); }

 private:
  // `firstRun`: with "Another kind of account...", while no account is set up.
  void ShowSettingsModal(platform::IWindow& owner, bool firstRun = false);
  // What the account dialog is given, from Options or the first run.
  AccountServices AccountDialogServices(std::string accountId);
  void ShowOptionsModal(platform::IWindow& owner);
  void ShowLinesWaitingModal(platform::IWindow& owner);
  void ShowLookBackModal(platform::IWindow& owner);
  void LoadTrayWindow();
  // The language of the Options setting, else Windows', for every window made from now on.
  void UseChosenLanguage();
  bool NoAccount();
  // The outbox changed: the tray's tip and menu, and the lines-waiting window if it is open.
  void OnLinesChanged();
  // Delivery's timer runs only while the outbox has something to do.
  void KeepDeliveryTicking();
  void OnNotice(const OutboxNotice& notice);
  void OnBalloonClicked();
  // The update check found a newer version: a balloon, whose click opens its page.
  void TellNewVersion(const std::string& version);
  // A pop-up went away without a line: a row of the journal, when one is kept. Not a line of the
  // person's, so a failure to write it is only traced.
  void OnUnanswered(std::int64_t askedMs, std::int64_t goneMs);
  // At the first line sent in a run, each server is asked for its limit on a line's length, kept
  // for the pop-ups after it. Not at start, nor as a pop-up opens: the secure connection's
  // libraries would load at every start and stay for the whole run, or hold up the window by a
  // tenth of a second; a line sent over HTTPS has loaded them already.
  void AskServerLimitsOnce();

  PlatformParts parts_;
  SettingsStore settings_;
  StatusSenders senders_;
  Journal journal_;
  Outbox outbox_;
  PreviousLines previousLines_;
  UpdateCheck updateCheck_;
  UpdateWindow updateWindow_;
  LinesWaitingWindow* linesWaitingWindow_ = nullptr;  // while it is open
  bool lookBackOpen_ = false;
  std::optional<LineId> balloonLine_;                 // the line the balloon shown last is about
  bool balloonTellsVersion_ = false;                  // the balloon shown last is the update check's
  bool serverLimitsAsked_ = false;                    // at this run's first line sent
  TrayWindowParts trayParts_;
  std::unique_ptr<TrayWindow> trayWindow_;  // uses trayParts_, so declared after them
};

}  // namespace quillet
