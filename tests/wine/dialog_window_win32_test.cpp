// What the dialogs share (Win32DialogWindow), for each of them: a handler that fails stops in the
// window, and the close box closes the dialog whatever its handlers do.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

#include "common/callback.h"
#include "common/failure.h"
#include "platform/win32/win32_application.h"
#include "windows/win32_lines_waiting_window.h"
#include "windows/win32_account_dialog.h"
#include "windows/win32_options_dialog.h"
#include "windows/win32_settings_dialog.h"
#include "platform/win32/win32_windowing.h"
#include "tests/wine/modal_harness.h"

namespace quillet {
namespace {

using namespace platform::win32;

class DialogWindowWin32 : public ::testing::Test, protected testing::ModalHarness {
 protected:
  Win32Application app{u"Quillet"};
  testing::OwnerWindow owner;
};

TEST_F(DialogWindowWin32, AFailingHandlerStaysInTheWindowAndTheCloseBoxStillCloses) {
  auto fail = [] { throw Failure("a handler failed"); };
  // Each dialog, with its Esc button's handler (which does not close it here) made to fail.
  struct Case {
    const char* name;
    Callback<std::unique_ptr<Win32DialogWindow>(Win32Application&, Callback<void()>)> make;
  };
  const Case cases[] = {
      {"settings",
       [](Win32Application& app, Callback<void()> onEsc) {
         auto view = std::make_unique<Win32SettingsView>(app);
         view->Cancel().OnClick(onEsc);
         return std::unique_ptr<Win32DialogWindow>(std::move(view));
       }},
      {"options",
       [](Win32Application& app, Callback<void()> onEsc) {
         auto view = std::make_unique<Win32OptionsView>(app);
         view->Cancel().OnClick(onEsc);
         return std::unique_ptr<Win32DialogWindow>(std::move(view));
       }},
      {"account",
       [](Win32Application& app, Callback<void()> onEsc) {
         auto view = std::make_unique<Win32AccountView>(app);
         view->Cancel().OnClick(onEsc);
         return std::unique_ptr<Win32DialogWindow>(std::move(view));
       }},
      {"lines waiting",
       [](Win32Application& app, Callback<void()> onEsc) {
         auto view = std::make_unique<Win32LinesWaitingView>(app);
         view->Close().OnClick(onEsc);
         return std::unique_ptr<Win32DialogWindow>(std::move(view));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    bool escRan = false;
    std::unique_ptr<Win32DialogWindow> dialog = c.make(app, [&] {
      escRan = true;
      fail();
    });
    dialog->OnQueryClose(fail);
    bool closed = ShowAndAct(*dialog, owner, [&] {
      HWND window = AsHwnd(dialog->Handle());
      SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
      PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    EXPECT_TRUE(escRan);
    EXPECT_TRUE(closed) << "the close box closed the dialog";
    EXPECT_TRUE(IsWindowEnabled(owner.hwnd_));
  }
}

}  // namespace
}  // namespace quillet
