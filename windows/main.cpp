// quillet.exe: builds the Win32 platform's parts, hands them to the program, and runs the
// message loop.
#include <windows.h>

#include <cstdlib>

#include "windows/single_instance.h"
#include "platform/win32/win32_application.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_http_client.h"
#include "platform/win32/win32_log.h"
#include "platform/win32/win32_presence.h"
#include "windows/win32_program_parts.h"
#include "platform/win32/win32_secrets.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_socket.h"
#include "platform/win32/win32_timer.h"
#include "windows/win32_update_window.h"
#include "platform/win32/win32_windowing.h"
#include "common/steps.h"
#include "program/program.h"
#include "settings/settings_store.h"

// What ends the program when an exception is not caught (none should be: see Guarded). The
// runtime's own handler writes the exception's type to the standard error, which a program
// without a console does not have, and brings in the C++ name demangler for it (a seventh of
// the executable); this one ends the program the same way without.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using quillet::TickSchedule;
  namespace win32 = quillet::platform::win32;

  // A second start brings the running copy's update window up and ends at once.
  win32::SingleInstance instance;
  if (!instance.IsFirst()) {
    win32::SingleInstance::ActivateRunning();
    return 0;
  }

  win32::Win32Log log;  // %LOCALAPPDATA%\Quillet\quillet.log: outlives the program that writes to it
  win32::Win32Application app(u"Quillet");
  win32::Win32Registry registry;
  // The language is chosen before any window is made: one that reads right to left mirrors them.
  quillet::Step([&] {
    quillet::SettingsStore settings(registry);
    settings.SetAppTitle(app.Title());
    quillet::SpeakChosenLanguage(app, settings);
  });
  win32::Win32Shell shell;
  win32::Win32Windowing windowing;
  win32::Win32HttpClient http;
  win32::Win32Secrets secrets;
  win32::Win32Files files;  // the outbox and the journal
  win32::Win32Clock clock;
  win32::Win32Presence presence;

  // Delivery: the outbox's once-a-second tick, which only goes on. Each account's status sender
  // makes its socket at its first plain connection.
  win32::Win32Timer deliveryTimer(1000, TickSchedule::Lateness::Skip, true);

  // The update window: its timers and its window. The minute count runs from the moment the
  // program was started and catches up after a busy moment; the countdown only goes on.
  win32::Win32Timer countdownTimer(1000, TickSchedule::Lateness::Skip, false);
  win32::Win32Timer minuteTimer(1000, TickSchedule::Lateness::CatchUp, true, win32::ProcessStartMs());
  win32::Win32UpdateWindow window;

  quillet::PlatformParts parts = win32::Win32ProgramParts(
      app, registry, shell, windowing,
      {.http = http,
       .secrets = secrets,
       .files = files,
       .clock = clock,
       .presence = presence,
       .makeSocket = [] { return std::make_unique<win32::Win32Socket>(); },
       .deliveryTimer = deliveryTimer},
      {.window = window, .countdownTimer = countdownTimer, .minuteTimer = minuteTimer});
  parts.log = &log;
  quillet::Program program(std::move(parts));
  program.Start();
  return app.Run();
}
