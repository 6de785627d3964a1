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

  UpdateWindow& updateWindow = program.updateWindow();
  SettingsStore& settings = program.settings();
};

}  // namespace quillet::testing
