#pragma once
// The update window: the program's start-up window, its minute schedule, the 15-second
// countdown, the status line, and the status update request sent through its socket control.
#include <cstdint>
#include <string>

#include "platform/application.h"
#include "platform/windowing.h"
#include "settings/settings_store.h"
#include "platform/socket.h"
#include "platform/ui.h"

namespace quillet {

// The windows that start-up brings in after the update window: the settings dialog on first
// run, and the tray window. Provided by the composition root.
class Form1Partners {
 public:
  virtual ~Form1Partners() = default;
  // Loads the settings dialog and shows it modally, owned by `owner`; returns when it closed.
  virtual void ShowSettingsModal(platform::IWindow& owner) = 0;
  // Loads the tray window, which adds the tray icon.
  virtual void LoadTrayWindow() = 0;
};

// The window and its controls, created by the platform (listed in stacking order, top first).
struct Form1Controls {
  platform::IWindow& window;
  platform::ISocket& Winsock1;
  platform::ITimer& Timer2;  // 1000 ms, disabled at creation
  platform::ITimer& Timer1;  // 1000 ms, enabled at creation
  platform::ITextBox& Text1;
  platform::ILabel& Label4;
  platform::ILabel& Label3;
  platform::ILabel& Label1;
  platform::IClickable& Image1;
  platform::IShape& Shape1;
  platform::ILabel& Label2;
};

struct Form1Services {
  platform::IApplication& app;
  SettingsStore& settings;
  platform::IWindowing& windowing;
};

// Where status updates go; fixed when the program is built.
struct Endpoint {
  std::string connectHost;
  std::string hostHeader;
  std::uint16_t port;
};
Endpoint BuiltInEndpoint();

class Form1 {
 public:
  Form1(Form1Controls controls, Form1Services services, Form1Partners& partners,
        Endpoint endpoint = BuiltInEndpoint());
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  // Start-up: saves the title, makes sure a user name is stored, hides, loads the tray window.
  void Form_Load();
  // Pops the window up with an empty box and a fresh countdown.
  void ShowMe();
  // Starts sending the status line; returns at once.
  void Post();

  platform::WindowHandle hWnd() const { return c_.window.Handle(); }
  platform::IWindow& Window() { return c_.window; }

 private:
  void Timer1_Timer();
  void Timer2_Timer();
  void Text1_Change();
  void Text1_KeyPress(std::int16_t& keyAscii);
  void Label1_Click();
  void Image1_Click();
  void Winsock1_Connect();
  void Winsock1_DataArrival(std::int32_t bytesTotal);

  std::u16string CountdownCaption() const;

  Form1Controls c_;
  Form1Services s_;
  Form1Partners& partners_;
  Endpoint endpoint_;

  std::int16_t intCountdown = 0;  // seconds left in the countdown
  std::int16_t intSeconds = 0;    // ticks of Timer1 since the last minute boundary
  std::int16_t intMinutes = 0;    // minutes since the last automatic pop-up
  // The line the user confirmed with the last Post; the Connect event sends it, whatever the
  // box holds by then.
  std::u16string strConfirmed;
};

}  // namespace quillet
