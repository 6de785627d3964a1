#pragma once
// What every top-level window of the program shares: its handle, caption and visibility, and its
// position and size in twips, converted at the density the window is laid out at (each value on
// its own, a half to the even neighbour).
#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/ui.h"
#include "platform/win32/window_base.h"

namespace quillet::platform::win32 {

// WM_NEXTDLGCTL in a window that is no dialog but whose keys IsDialogMessage handles (a label's
// access key sends it, to put the focus on the control after the label): moves the focus as
// a dialog's own procedure would; DefWindowProc would ignore it.
void MoveFocusAsDialog(HWND window, WPARAM wParam, LPARAM lParam);

class Win32Form : public virtual IWindow, protected Win32Window {
 public:
  using Win32Window::hwnd;

  WindowHandle Handle() const override { return reinterpret_cast<WindowHandle>(hwnd()); }
  std::u16string Caption() const override;
  void SetCaption(std::u16string_view caption) override;
  bool Visible() const override { return IsWindowVisible(hwnd()) != FALSE; }
  void Show() override { ShowWindow(hwnd(), SW_SHOW); }
  void Hide() override { ShowWindow(hwnd(), SW_HIDE); }
  void SetLeft(std::int32_t twips) override;
  void SetTop(std::int32_t twips) override;
  void SetWidth(std::int32_t twips) override;
  void SetHeight(std::int32_t twips) override;

 protected:
  Win32Form();
  // Twips to pixels at the density the window is laid out at.
  int Px(std::int32_t twips) const;
  // The dots per inch the window is laid out at: the display's when it was made, then the
  // monitor's after each WM_DPICHANGED.
  int Dpi() const { return dpi_; }
  void SetDpi(int dpi) { dpi_ = dpi; }

 private:
  ::RECT WindowRect() const;
  void Place(int left, int top, int width, int height, UINT flags);
  int dpi_;
};

}  // namespace quillet::platform::win32
