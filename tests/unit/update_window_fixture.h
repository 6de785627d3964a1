#pragma once
// The update window on the fake platform, in the program as it is wired: its window, controls
// and services, ready for a test to drive.
#include <gtest/gtest.h>

#include <string>

#include "tests/unit/fake_program.h"

namespace quillet::testing {

class UpdateWindowTest : public ::testing::Test, protected FakeProgram {
 protected:
  static constexpr platform::WindowHandle kHandle = kWindowHandle;

  UpdateWindowTest() : FakeProgram({.connectHost = "status.example.net", .hostHeader = "example.net", .port = 8080}) {}

  void Store(const std::string& name, const std::string& value) {
    registry.Put(kAppKey, name, platform::kRegSz, value);
  }
  // The program started with a user name stored: Start has run and the window is hidden.
  void Start() {
    Store("Username", "alice");
    program.Start();
  }
  // One second of the program's timers: the minute schedule's and delivery's.
  void TickSecond() {
    minuteTimer.Tick();
    deliveryTimer.Tick();
  }
  void TickMinutes(int minutes) {
    for (int i = 0; i < 60 * minutes; ++i) TickSecond();
  }
  int Pops() const { return window.showCount; }

  UpdateWindow& updateWindow = program.updateWindow();
  SettingsStore& settings = program.settings();
};

}  // namespace quillet::testing
