// quillet.exe: the composition root. Builds the Win32 platform, the windows over it, and runs
// the message loop.
#include <windows.h>

#include "platform/win32/win32_app.h"
#include "platform/win32/win32_form1.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_socket.h"
#include "platform/win32/win32_timer.h"
#include "posting/Form1.h"

namespace {

using namespace quillet;
namespace win32 = quillet::platform::win32;

// The settings dialog and the tray window are not wired yet: with no dialog to fill in a user
// name, a first run ends at once.
class NotYetPartners : public Form1Partners {
 public:
  void ShowSettingsModal(platform::IWindow&) override {}
  void LoadTrayWindow() override {}
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  win32::Win32Application app(u"Quillet");
  win32::Win32Registry registry;
  win32::Win32Windowing windowing;

  // Form1: the update window, its timers and its socket control.
  win32::Win32Form1Window form1Window;
  win32::Win32Socket winsock1;
  win32::Win32Timer timer2(1000, false);
  win32::Win32Timer timer1(1000, true);
  NotYetPartners partners;
  Form1 form1({form1Window, winsock1, timer2, timer1, form1Window.Text1(), form1Window.Label4(),
               form1Window.Label3(), form1Window.Label1(), form1Window.Image1(), form1Window.Shape1(),
               form1Window.Label2()},
              {app, registry, windowing}, partners);

  form1.Form_Load();
  return app.Run();
}
