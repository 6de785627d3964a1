#pragma once
// Form1 on the fake platform: its window, controls and services, ready for a test to drive.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/fake/fake_registry.h"
#include "platform/fake/fake_services.h"
#include "platform/fake/fake_ui.h"
#include "posting/Form1.h"

namespace quillet::testing {

inline const std::string kAppKey = "HKEY_CURRENT_USER\\Software\\Velmora\\Quillet";

class RecordingPartners : public Form1Partners {
 public:
  void ShowSettingsModal(platform::IWindow& owner) override {
    ++settingsShown;
    settingsOwner = owner.Handle();
    if (whileSettings) whileSettings();
  }
  void LoadTrayWindow() override { ++trayLoaded; }
  std::function<void()> whileSettings;  // acts as the user of the settings dialog
  int settingsShown = 0;
  platform::WindowHandle settingsOwner = 0;
  int trayLoaded = 0;
};

class Form1Test : public ::testing::Test {
 protected:
  static constexpr platform::WindowHandle kHandle = 0x1234;

  void Store(const std::string& name, const std::string& value) {
    registry.Put(kAppKey, name, platform::kRegSz, value);
  }
  // The program started with a user name stored: Form_Load has run and the window is hidden.
  void Start() {
    Store("Username", "alice");
    form.Form_Load();
  }
  void TickMinutes(int minutes) {
    for (int i = 0; i < 60 * minutes; ++i) Timer1.Tick();
  }
  int Pops() const { return window.showCount; }

  platform::fake::FakeApplication app;
  platform::fake::FakeRegistry registry;
  SettingsStore settings{registry};
  platform::fake::FakeWindowing windowing;
  platform::fake::FakeWindow window{kHandle};
  platform::fake::FakeSocket Winsock1;
  platform::fake::FakeTimer Timer2{false};
  platform::fake::FakeTimer Timer1{true};
  platform::fake::FakeTextBox Text1{140};
  platform::fake::FakeLabel Label4{u"by Velmora"};
  platform::fake::FakeLabel Label3{u"140"};
  platform::fake::FakeLabel Label1;
  platform::fake::FakeClickable Image1;
  platform::fake::FakeShape Shape1{24};
  platform::fake::FakeLabel Label2{u"Update (15)"};
  RecordingPartners partners;
  Form1 form{{.window = window,
              .Winsock1 = Winsock1,
              .Timer2 = Timer2,
              .Timer1 = Timer1,
              .Text1 = Text1,
              .Label4 = Label4,
              .Label3 = Label3,
              .Label1 = Label1,
              .Image1 = Image1,
              .Shape1 = Shape1,
              .Label2 = Label2},
             {.app = app, .settings = settings, .windowing = windowing},
             partners,
             {.connectHost = "status.example.net", .hostHeader = "example.net", .port = 8080}};
};

}  // namespace quillet::testing
