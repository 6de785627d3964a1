// quillet.exe: the composition root. Builds the Win32 platform, the windows over it, and runs
// the message loop.
#include <windows.h>

#include "platform/win32/single_instance.h"
#include "platform/win32/win32_app.h"
#include "platform/win32/win32_form1.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_socket.h"
#include "platform/win32/win32_timer.h"
#include "platform/win32/win32_tray_partners.h"
#include "posting/Form1.h"

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
  win32::Win32Windowing windowing;

  // Form1: its timers, the update window and its socket. The minute count runs from the moment
  // the program was started and catches up after a busy moment; the countdown only goes on.
  win32::Win32Timer timer2(1000, TickSchedule::Lateness::Skip, false);
  win32::Win32Timer timer1(1000, TickSchedule::Lateness::CatchUp, true, win32::ProcessStartMs());
  win32::Win32Form1Window form1Window;
  win32::Win32Socket winsock1;
  // The settings dialog and the tray window, which the start-up brings in.
  win32::Win32TrayPartners partners(app, registry, windowing);
  Form1 form1({form1Window, winsock1, timer2, timer1, form1Window.Text1(), form1Window.Label4(),
               form1Window.Label3(), form1Window.Label1(), form1Window.Image1(), form1Window.Shape1(),
               form1Window.Label2()},
              {app, registry, windowing}, partners);
  partners.SetUpdateWindow(form1);

  form1.Form_Load();
  return app.Run();
}
