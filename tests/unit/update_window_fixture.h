#pragma once
// UpdateWindow on the fake platform: its window, controls and services, ready for a test to drive.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/fake/fake_registry.h"
#include "platform/fake/fake_services.h"
#include "platform/fake/fake_ui.h"
#include "posting/update_window.h"

namespace quillet::testing {

inline const std::string kAppKey = "HKEY_CURRENT_USER\\Software\\Velmora\\Quillet";

class RecordingPartners : public SiblingWindows {
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

class UpdateWindowTest : public ::testing::Test {
 protected:
  static constexpr platform::WindowHandle kHandle = 0x1234;

  void Store(const std::string& name, const std::string& value) {
    registry.Put(kAppKey, name, platform::kRegSz, value);
  }
  // The program started with a user name stored: Start has run and the window is hidden.
  void Start() {
    Store("Username", "alice");
    form.Start();
  }
  void TickMinutes(int minutes) {
    for (int i = 0; i < 60 * minutes; ++i) minuteTimer.Tick();
  }
  int Pops() const { return window.showCount; }

  platform::fake::FakeApplication app;
  platform::fake::FakeRegistry registry;
  SettingsStore settings{registry};
  platform::fake::FakeWindowing windowing;
  platform::fake::FakeWindow window{kHandle};
  platform::fake::FakeSocket socket;
  platform::fake::FakeTimer countdownTimer{false};
  platform::fake::FakeTimer minuteTimer{true};
  platform::fake::FakeTextBox statusBox{140};
  platform::fake::FakeLabel credit{u"by Velmora"};
  platform::fake::FakeLabel charsLeft{u"140"};
  platform::fake::FakeLabel sendButton;
  platform::fake::FakeClickable closeMark;
  platform::fake::FakeShape frame{24};
  platform::fake::FakeLabel countdownCaption{u"Update (15)"};
  RecordingPartners partners;
  UpdateWindow form{{.window = window,
              .socket = socket,
              .countdownTimer = countdownTimer,
              .minuteTimer = minuteTimer,
              .statusBox = statusBox,
              .credit = credit,
              .charsLeft = charsLeft,
              .sendButton = sendButton,
              .closeMark = closeMark,
              .frame = frame,
              .countdownCaption = countdownCaption},
             {.app = app, .settings = settings, .windowing = windowing},
             partners,
             {.connectHost = "status.example.net", .hostHeader = "example.net", .port = 8080}};
};

}  // namespace quillet::testing
