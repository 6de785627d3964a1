// quillet.exe: the composition root. Builds the Win32 platform, the windows over it, and runs
// the message loop.
#include <windows.h>

#include "platform/win32/single_instance.h"
#include "platform/win32/win32_application.h"
#include "platform/win32/win32_windowing.h"
#include "platform/win32/win32_update_window.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_socket.h"
#include "platform/win32/win32_timer.h"
#include "platform/win32/win32_tray_partners.h"
#include "posting/update_window.h"

namespace {

using namespace quillet;
namespace win32 = quillet::platform::win32;

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  // A second start brings the running copy's update window up and ends at once.
  win32::SingleInstance instance;
  if (!instance.IsFirst()) {
    win32::SingleInstance::ActivateRunning();
    return 0;
  }

  win32::Win32Application app(u"Quillet");
  win32::Win32Registry registry;
  SettingsStore settings(registry);
  win32::Win32Windowing windowing;

  // The update window: its timers, its window and its socket. The minute count runs from the
  // moment the program was started and catches up after a busy moment; the countdown only goes on.
  win32::Win32Timer countdownTimer(1000, TickSchedule::Lateness::Skip, false);
  win32::Win32Timer minuteTimer(1000, TickSchedule::Lateness::CatchUp, true, win32::ProcessStartMs());
  win32::Win32UpdateWindow updateWindowView;
  win32::Win32Socket statusSocket;
  // The settings dialog and the tray window, which the start-up brings in.
  win32::Win32TrayPartners partners(app, settings, windowing);
  quillet::UpdateWindow updateWindow({.window = updateWindowView,
               .socket = statusSocket,
               .countdownTimer = countdownTimer,
               .minuteTimer = minuteTimer,
               .statusBox = updateWindowView.StatusBox(),
               .credit = updateWindowView.Credit(),
               .charsLeft = updateWindowView.CharsLeft(),
               .sendButton = updateWindowView.SendButton(),
               .closeMark = updateWindowView.CloseMark(),
               .frame = updateWindowView.Frame(),
               .countdownCaption = updateWindowView.CountdownCaption()},
              {.app = app, .settings = settings, .windowing = windowing}, partners);
  partners.SetUpdateWindow(updateWindow);

  updateWindow.Start();
  return app.Run();
}
