#include "windows/win32_program_parts.h"

#include <memory>

#include "windows/win32_lines_waiting_window.h"
#include "windows/win32_look_back_window.h"
#include "platform/win32/win32_loopback_listener.h"
#include "platform/win32/win32_websocket.h"
#include "windows/win32_account_dialog.h"
#include "windows/win32_options_dialog.h"
#include "windows/win32_settings_dialog.h"
#include "windows/win32_tray_window.h"

namespace quillet::platform::win32 {

PlatformParts Win32ProgramParts(Win32Application& app, IRegistry& registry, IShell& shell, IWindowing& windowing,
                                ServiceParts services, UpdateWindowParts updateWindow) {
  Win32UpdateWindow& window = updateWindow.window;
  window.SpeakWith(app);
  return {
      .app = app,
      .registry = registry,
      .shell = shell,
      .windowing = windowing,
      .http = services.http,
      .secrets = services.secrets,
      .files = services.files,
      .clock = services.clock,
      .presence = services.presence,
      .makeSocket = std::move(services.makeSocket),
      .deliveryTimer = services.deliveryTimer,
      .updateWindow = {.window = window,
                       .countdownTimer = updateWindow.countdownTimer,
                       .minuteTimer = updateWindow.minuteTimer,
                       .statusBox = window.StatusBox(),
                       .credit = window.Credit(),
                       .charsLeft = window.CharsLeft(),
                       .sendButton = window.SendButton(),
                       .closeMark = window.CloseMark(),
                       .frame = window.Frame(),
                       .countdownCaption = window.CountdownCaption(),
                       .tagList = window.TagList()},
      .makeSettingsView = Win32SettingsViews(app),
      .makeOptionsView = Win32OptionsViews(app),
      .makeAccountView = Win32AccountViews(app),
      .makeLinesWaitingView = Win32LinesWaitingViews(app),
      .makeLookBackView = Win32LookBackViews(app),
      .makeTrayWindow =
          [] {
            auto form = std::make_unique<Win32TrayForm>();
            auto menu = std::make_unique<Win32PopupMenu>(*form);
            return TrayWindowParts{std::move(form), std::move(menu)};
          },
      .makeLoopbackListener = []() -> std::unique_ptr<ILoopbackListener> {
        return std::make_unique<Win32LoopbackListener>();
      },
      .makeWebSocket = []() -> std::unique_ptr<IWebSocket> { return std::make_unique<Win32WebSocket>(); },
  };
}

}  // namespace quillet::platform::win32
