// quillet.exe: wires the program to the Win32 platform.
#include <windows.h>

#include "platform/win32/win32_registry.h"
#include "settings/modAppTitle.h"
#include "settings/modGetValue.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  quillet::platform::win32::Win32Registry registry;
  quillet::modAppTitle::strAppTitle = u"Quillet";
  (void)quillet::modGetValue::GetValue(registry, u"username", u"");
  (void)quillet::modGetValue::GetValue(registry, u"Interval", u"40");
  return 0;
}
