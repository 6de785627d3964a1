#pragma once
// The whole program on the fake platform, built by the program's own wiring: every part a test
// reads or drives is a member here, the tray window's parts once the start-up has made them.
#include <memory>
#include <string>

#include "common/callback.h"
#include "platform/fake/fake_files.h"
#include "platform/fake/fake_log.h"
#include "platform/fake/fake_loopback_listener.h"
#include "platform/fake/fake_presence.h"
#include "platform/fake/fake_registry.h"
#include "platform/fake/fake_services.h"
#include "platform/fake/fake_tray.h"
#include "platform/fake/fake_websocket.h"
#include "platform/fake/fake_ui.h"
#include "program/program.h"
#include "tests/forwarding_socket.h"
#include "tests/unit/app_key.h"
#include "tests/unit/fake_lines_waiting_view.h"
#include "tests/unit/fake_account_view.h"
#include "tests/unit/fake_options_view.h"
#include "tests/unit/fake_settings_view.h"

namespace quillet::testing {

struct FakeProgram {
  static constexpr platform::WindowHandle kWindowHandle = 0x1234;
  static constexpr platform::WindowHandle kTrayWindowHandle = 0x200;
  static constexpr platform::IconHandle kTrayIcon = 0x300;

  // The program's files may outlive it (`sharedFiles`): the next start finds them.
  explicit FakeProgram(Endpoint endpoint, platform::fake::FakeFiles* sharedFiles = nullptr)
      : files(sharedFiles ? *sharedFiles : ownFiles), program(Parts(), std::move(endpoint)) {}

  platform::fake::FakeApplication app;
  platform::fake::FakeRegistry registry;
  platform::fake::FakeShell shell;
  platform::fake::FakeWindowing windowing;
  platform::fake::FakeHttpClient http;
  platform::fake::FakeSecrets secrets;
  platform::fake::FakeFiles ownFiles;
  platform::fake::FakeFiles& files;
  platform::fake::FakeClock clock;
  platform::fake::FakePresence presence;
  platform::fake::FakeLog log;  // the trace and the delivery outcomes, while the program runs

  // Delivery: the first account's connection (the first one made); each further account's is
  // made when it first connects, in `sockets` after this one.
  platform::fake::FakeSocket socket;
  std::vector<platform::fake::FakeSocket*> sockets;
  platform::fake::FakeTimer deliveryTimer{true};

  // The update window.
  platform::fake::FakeWindow window{kWindowHandle};
  platform::fake::FakeTimer countdownTimer{false};
  platform::fake::FakeTimer minuteTimer{true};
  platform::fake::FakeTextBox statusBox{140};
  platform::fake::FakeLabel credit{u"by Velmora"};
  platform::fake::FakeLabel charsLeft{u"140"};
  platform::fake::FakeLabel sendButton;
  platform::fake::FakeClickable closeMark;
  platform::fake::FakeShape frame{24};
  platform::fake::FakeLabel countdownCaption{u"Update (15)"};
  platform::fake::FakeSuggestionList tagList;

  // The settings dialog: at each opening `whileSettings` acts as its user.
  Callback<void(FakeSettingsView&)> whileSettings;
  int settingsShown = 0;
  platform::WindowHandle settingsOwner = 0;

  // The lines-waiting window: at each opening `whileLinesWaiting` acts as its user.
  Callback<void(FakeLinesWaitingView&)> whileLinesWaiting;
  int linesWaitingShown = 0;

  // The options dialog: at each opening `whileOptions` acts as its user.
  Callback<void(FakeOptionsView&)> whileOptions;
  int optionsShown = 0;
  // The account dialog (from Options): at each opening `whileAccount` acts as its user.
  Callback<void(FakeAccountView&)> whileAccount;
  int accountShown = 0;

  // The tray window's parts, owned by the program once the start-up has loaded it.
  platform::fake::FakeTrayForm* trayForm = nullptr;
  platform::fake::FakePopupMenu* menu = nullptr;
  int trayLoaded = 0;

  // The browser's way back to a sign-in's loopback listener.
  std::shared_ptr<platform::fake::FakeLoopbackLine> loopback = std::make_shared<platform::fake::FakeLoopbackLine>();
  // The connections to relays, in the order they were made.
  platform::fake::FakeWebSockets webSockets;

  Program program;  // last: built from the parts above

  // What tests do with it.
  void Store(const std::string& name, const std::string& value) {
    registry.Put(kAppKey, name, platform::kRegSz, value);
  }
  // The program started with a user name stored: the start-up has run and the window is hidden.
  void Start() {
    Store("Username", "alice");
    program.Start();
  }
  // One second of the program's timers: the minute schedule's and delivery's.
  void TickSecond() {
    minuteTimer.Tick();
    deliveryTimer.Tick();
  }
  void TickMinutes(int minutes) {
    for (int i = 0; i < 60 * minutes; ++i) TickSecond();
  }
  // Seconds passing on the clock, the timers ticking with them.
  void Seconds(int seconds) {
    for (int i = 0; i < seconds; ++i) {
      clock.nowMs += 1000;
      TickSecond();
    }
  }
  // A line typed into a fresh pop-up and confirmed with a deliberate Enter (not one in the
  // window's first second, which is taken for one meant for another window).
  void Confirm(std::u16string_view line) {
    program.updateWindow().PopUp();
    statusBox.Type(line);
    clock.nowMs += 1000;
    statusBox.TypeChar(u'\r');
  }
  int Pops() const { return window.showCount; }

 private:
  PlatformParts Parts() {
    return {
        .app = app,
        .registry = registry,
        .shell = shell,
        .windowing = windowing,
        .http = http,
        .secrets = secrets,
        .files = files,
        .clock = clock,
        .presence = presence,
        .makeSocket = [this]() -> std::unique_ptr<platform::ISocket> {
          if (sockets.empty()) {
            sockets.push_back(&socket);
            return std::make_unique<ForwardingSocket>(socket);
          }
          auto made = std::make_unique<platform::fake::FakeSocket>();
          sockets.push_back(made.get());
          return made;
        },
        .deliveryTimer = deliveryTimer,
        .updateWindow = {.window = window,
                         .countdownTimer = countdownTimer,
                         .minuteTimer = minuteTimer,
                         .statusBox = statusBox,
                         .credit = credit,
                         .charsLeft = charsLeft,
                         .sendButton = sendButton,
                         .closeMark = closeMark,
                         .frame = frame,
                         .countdownCaption = countdownCaption,
                         .tagList = tagList},
        .makeSettingsView =
            [this] {
              auto view = std::make_unique<FakeSettingsView>();
              view->window.whileModal = [this, raw = view.get()](platform::fake::FakeDialog& dialog) {
                ++settingsShown;
                settingsOwner = dialog.ownerHandle;
                if (whileSettings) whileSettings(*raw);
              };
              return view;
            },
        .makeOptionsView =
            [this] {
              auto view = std::make_unique<FakeOptionsView>();
              view->window.whileModal = [this, raw = view.get()](platform::fake::FakeDialog&) {
                ++optionsShown;
                if (whileOptions) whileOptions(*raw);
              };
              return view;
            },
        .makeAccountView =
            [this] {
              auto view = std::make_unique<FakeAccountView>();
              view->window.whileModal = [this, raw = view.get()](platform::fake::FakeDialog&) {
                ++accountShown;
                if (whileAccount) whileAccount(*raw);
              };
              return view;
            },
        .makeLinesWaitingView =
            [this] {
              auto view = std::make_unique<FakeLinesWaitingView>();
              view->window.whileModal = [this, raw = view.get()](platform::fake::FakeDialog&) {
                ++linesWaitingShown;
                if (whileLinesWaiting) whileLinesWaiting(*raw);
              };
              return view;
            },
        .makeTrayWindow =
            [this] {
              ++trayLoaded;
              auto form = std::make_unique<platform::fake::FakeTrayForm>(kTrayWindowHandle, kTrayIcon);
              auto popup = std::make_unique<platform::fake::FakePopupMenu>();
              trayForm = form.get();
              menu = popup.get();
              return TrayWindowParts{std::move(form), std::move(popup)};
            },
        .log = &log,
        .makeLoopbackListener = platform::fake::FakeLoopbackListeners(loopback),
        .makeWebSocket = webSockets.Factory(),
    };
  }
};

}  // namespace quillet::testing
