#pragma once
// Shows a dialog modally as the program does, and acts as its user from inside the modal loop:
// `act` runs at the loop's first timer tick; a guard closes the dialog after five seconds should
// the test's input not do so.
#include <windows.h>

#include <string>

#include "common/callback.h"
#include "platform/ui.h"
#include "platform/win32/win32_windowing.h"

namespace quillet::testing {

// A plain window to own a dialog.
class OwnerWindow : public platform::IWindow {
 public:
  OwnerWindow()
      : hwnd_(CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr)) {}
  ~OwnerWindow() override { DestroyWindow(hwnd_); }
  platform::WindowHandle Handle() const override { return platform::win32::AsHandle(hwnd_); }
  platform::IconHandle Icon() const override { return 0; }
  std::u16string Caption() const override { return u"owner"; }
  void SetCaption(std::u16string_view) override {}
  bool Visible() const override { return false; }
  void Show() override {}
  void Hide() override {}
  void SetLeft(std::int32_t) override {}
  void SetTop(std::int32_t) override {}
  void SetWidth(std::int32_t) override {}
  void SetHeight(std::int32_t) override {}
  HWND hwnd_;
};

class ModalHarness {
 public:
  // Returns whether the dialog closed before the guard had to close it.
  bool ShowAndAct(platform::IDialog& dialog, platform::IWindow& owner, Callback<void()> act) {
    current = &dialog;
    pendingAct = std::move(act);
    UINT_PTR start = SetTimer(nullptr, 0, 50, &StartTick);
    UINT_PTR guard = SetTimer(nullptr, 0, 5000, &GuardTick);
    dialog.ShowModal(owner);
    KillTimer(nullptr, start);
    KillTimer(nullptr, guard);
    bool closedBeforeGuard = current != nullptr;
    current = nullptr;
    return closedBeforeGuard;
  }

  static void PostKey(HWND to, UINT key) {
    PostMessageW(to, WM_KEYDOWN, key, 1);
    PostMessageW(to, WM_KEYUP, key, 0xC0000001);
  }
  static void PostAltKey(HWND to, wchar_t ch) { PostMessageW(to, WM_SYSCHAR, ch, 0x20000001); }
  static void PostText(HWND to, std::wstring_view text) {
    for (wchar_t ch : text) PostMessageW(to, WM_CHAR, ch, 1);
  }

 private:
  static VOID CALLBACK StartTick(HWND, UINT, UINT_PTR, DWORD) {
    auto act = std::move(pendingAct);
    pendingAct = nullptr;
    if (act) act();
  }
  static VOID CALLBACK GuardTick(HWND, UINT, UINT_PTR, DWORD) {
    if (current != nullptr) PostMessageW(platform::win32::AsHwnd(current->Handle()), WM_CLOSE, 0, 0);
    current = nullptr;
  }
  inline static platform::IDialog* current = nullptr;
  inline static Callback<void()> pendingAct;
};

}  // namespace quillet::testing
