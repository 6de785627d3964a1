#pragma once
// The Win32 platform's parts for the program: the services and the update window's controls
// that the caller made, and the factories of the settings dialog and the tray window.
#include <memory>

#include "common/callback.h"
#include "platform/http.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/secrets.h"
#include "platform/shell.h"
#include "platform/socket.h"
#include "platform/ui.h"
#include "platform/win32/win32_application.h"
#include "windows/win32_update_window.h"
#include "platform/windowing.h"
#include "program/program.h"

namespace quillet::platform::win32 {

struct UpdateWindowParts {
  Win32UpdateWindow& window;
  ITimer& countdownTimer;
  ITimer& minuteTimer;
};

struct ServiceParts {
  IHttpClient& http;
  ISecrets& secrets;
  IFiles& files;
  IClock& clock;
  IPresence& presence;
  Callback<std::unique_ptr<ISocket>()> makeSocket;  // an account's connection
  ITimer& deliveryTimer;
};

PlatformParts Win32ProgramParts(Win32Application& app, IRegistry& registry, IShell& shell, IWindowing& windowing,
                                ServiceParts services, UpdateWindowParts updateWindow);

}  // namespace quillet::platform::win32
